// The platform's top-level windows seen through the core's WindowSource.
#pragma once

#include "link/instances.h"

#include <windows.h>

#include <cstddef>
#include <unordered_map>

namespace vuv::win {

// Window handles are 32-bit values on every Windows; a 64-bit process sees
// them sign-extended.
[[nodiscard]] inline HWND toHwnd(WindowId id) noexcept {
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(id)));
}
[[nodiscard]] inline WindowId toWindowId(HWND hwnd) noexcept {
    return static_cast<WindowId>(reinterpret_cast<ULONG_PTR>(hwnd) & 0xFFFFFFFFu);
}

// The most of a title the scan reads.
inline constexpr std::size_t kMaxTitleLength = 4096;

// One pass of EnumWindows over the desktop; each window's class is compared
// by its atom with those of the browser classes, then once by name, exactly
// (class names compare without regard to case, the browsers' do not). What
// is learnt of a window (its class, its process) is kept for the next scan
// as long as the window is still there: neither ever changes.
class DesktopWindows final : public WindowSource {
public:
    std::vector<BrowserWindow> browserWindows() override;
    std::optional<std::string> title(WindowId w) override;

private:
    struct Known {
        ATOM atom = 0;
        DWORD processId = 0;
        int kind = -2;  // index of the matching class and variant; -1 none; -2 not looked at
    };
    std::unordered_map<HWND, Known> known_;
};

}  // namespace vuv::win
