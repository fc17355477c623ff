// The DPI a window is shown at, and the panel's font at that DPI.
//
// The panel declares itself per-monitor DPI aware in its manifest and scales
// its 96-DPI layout tables by the DPI of the window they are placed in.
// Windows 7 lacks GetDpiForWindow; there the screen's LOGPIXELSX is used.
#pragma once

#include "common/dpi.h"

#include <windows.h>

namespace vuv::win {

// The DPI of the screen the system was started with (96 when unknown).
[[nodiscard]] int systemDpi() noexcept;
// The DPI of window's monitor for this per-monitor aware program; the system
// DPI where the system cannot tell, or for a null window.
[[nodiscard]] int windowDpi(HWND window) noexcept;

// The box of a 96-DPI layout row (x, y, w, h) at dpi, as a RECT.
[[nodiscard]] RECT scaledRect(int x, int y, int w, int h, int dpi) noexcept;

// The font face the panel uses: the default GUI font of a Chinese Windows,
// SimSun ("宋体"), else "Microsoft YaHei UI", whichever is installed; empty
// when neither is, and the system's message font is used instead.
[[nodiscard]] const wchar_t* uiFontFace();

// The panel's font at dpi: 9 points of uiFontFace(), else the message font
// scaled to dpi. Created once per DPI and kept for the whole run.
[[nodiscard]] HFONT uiFontAt(int dpi);

}  // namespace vuv::win
