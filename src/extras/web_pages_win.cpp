#include "extras/web_pages_win.h"

#include "common/control_ids.h"
#include "extras/web_pages.h"

#include <windows.h>
#include <shellapi.h>

namespace vuv::win {

void openWebPage(const wchar_t* address) {
    if (address == nullptr || *address == L'\0') return;
    // The result only says whether a handler was found; nothing is reported.
    ShellExecuteW(nullptr, L"open", address, nullptr, nullptr, SW_SHOWNORMAL);
}

bool WebPageButtons::onCommand(int id, int) {
    switch (id) {
        case id::kDownloadPage: open_(web::kDownloadPage); return true;
        case id::kSuggestionPage: open_(web::kFeedbackPage); return true;
        default: return false;
    }
}

}  // namespace vuv::win
