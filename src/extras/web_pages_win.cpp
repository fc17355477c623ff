#include "extras/web_pages_win.h"

#include <windows.h>
#include <shellapi.h>

namespace vuv::win {

void openWebPage(const wchar_t* address) {
    if (address == nullptr || *address == L'\0') return;
    // The result only says whether a handler was found; nothing is reported.
    ShellExecuteW(nullptr, L"open", address, nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace vuv::win
