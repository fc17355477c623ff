// Where the system's code page is not 936, a browser that looks for the
// panel with FindWindowA and the GBK caption finds a title the ANSI functions
// spell from those bytes, not the panel's Unicode caption. A hidden top-level
// window of the panel carries the caption so spelt and hands every transfer
// it receives to the channel's receiver, as the main window does.
#pragma once

#include "common/window_win.h"

#include <memory>
#include <string_view>

namespace vuv::win {

[[nodiscard]] std::unique_ptr<Window> createAnsiCaptionWindow(std::string_view gbkCaption);

}  // namespace vuv::win
