#include "link/window_source_win.h"

#include "common/encoding_win.h"
#include "link/channel_win.h"

#include <algorithm>
#include <cwchar>

namespace vuv::win {

WindowId DesktopWindows::findFirst(std::string_view className) {
    return toWindowId(FindWindowW(widen(className).c_str(), nullptr));
}

WindowId DesktopWindows::next(WindowId w) { return toWindowId(GetWindow(toHwnd(w), GW_HWNDNEXT)); }

std::string DesktopWindows::className(WindowId w) {
    wchar_t name[257] = {};
    const int got = GetClassNameW(toHwnd(w), name, 257);
    return got > 0 ? narrow(std::wstring_view(name, static_cast<std::size_t>(got))) : std::string();
}

std::uint32_t DesktopWindows::processIdOf(WindowId w) {
    DWORD pid = 0;
    GetWindowThreadProcessId(toHwnd(w), &pid);
    return pid;
}

std::optional<std::string> DesktopWindows::title(WindowId w) {
    if (w == 0) return std::nullopt;
    // A hung browser must not hang the scan: ask with the channel's timeout.
    HWND hwnd = toHwnd(w);
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kTransferTimeoutMs, &length)) {
        return std::nullopt;
    }
    // The length is the browser's word: it never sizes more than a title's
    // worth of memory. The buffer starts as blanks, as a window that writes
    // nothing leaves it.
    const std::size_t room = std::min<std::size_t>(static_cast<std::size_t>(length), kMaxTitleLength) + 1;
    std::wstring text(room, L' ');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, room, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                             kTransferTimeoutMs, &got)) {
        return std::nullopt;
    }
    text.resize(std::wcslen(text.c_str()));
    return narrow(text);
}

}  // namespace vuv::win
