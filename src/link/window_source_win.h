// The platform's top-level windows seen through the core's WindowSource.
#pragma once

#include "link/instances.h"

#include <windows.h>

namespace vuv::win {

// Window handles are 32-bit values on every Windows; a 64-bit process sees
// them sign-extended.
[[nodiscard]] inline HWND toHwnd(WindowId id) noexcept {
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(id)));
}
[[nodiscard]] inline WindowId toWindowId(HWND hwnd) noexcept {
    return static_cast<WindowId>(reinterpret_cast<ULONG_PTR>(hwnd) & 0xFFFFFFFFu);
}

// The most of a title the scan reads: a browser's answer to the length query
// is outside input and never sizes more than this.
inline constexpr std::size_t kMaxTitleLength = 4096;

class DesktopWindows final : public WindowSource {
public:
    WindowId findFirst(std::string_view className) override;
    WindowId next(WindowId w) override;
    std::string className(WindowId w) override;
    std::uint32_t processIdOf(WindowId w) override;
    std::optional<std::string> title(WindowId w) override;
};

}  // namespace vuv::win
