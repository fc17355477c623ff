// The dialog "启动设置…" of the menu 工具: how many started copies a launch
// walk lets run at once ("最多同时运行", 0 = no limit) and by how much the
// pause after each start varies around 启动间隔 ("随机间隔(毫秒)", 0 = not at
// all).
#pragma once

#include "common/settings.h"

#include <windows.h>

namespace vuv::win {

// Shows the dialog modally over owner, its fields filled from settings.
// Confirming reads each field as settingNumber() reads the stored key (its
// leading digits; anything else is 0), puts both numbers into settings and
// writes them to "设置.ini" at once. Cancelling changes nothing. True when
// confirmed.
bool openLaunchSettings(HWND owner, Settings& settings);

}  // namespace vuv::win
