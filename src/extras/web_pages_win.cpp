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

void WebPageButtons::registerIds(Routes& routes) {
    constexpr char kOwner[] = "web page buttons";
    routes.commands.claim(id::kDownloadPage, kOwner, [this](int) { open_(web::kDownloadPage); });
    routes.commands.claim(id::kSuggestionPage, kOwner, [this](int) { open_(web::kFeedbackPage); });
}

}  // namespace vuv::win
