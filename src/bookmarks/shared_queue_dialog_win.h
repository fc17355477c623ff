// The dialog "共享队列…" of the menu 工具 and the settings it keeps in
// "设置.ini" [基本设置]: 共享队列启用 ("真" when on; missing = off),
// 共享队列服务器, 共享队列名, 共享队列组, 共享队列成员, 共享队列租期 (seconds),
// 共享队列最多投递. A key that is missing or empty reads as its default.
#pragma once

#include "bookmarks/shared_queue.h"

#include <windows.h>

namespace vuv::win {

[[nodiscard]] SharedQueueSettings loadSharedQueueSettings();
void saveSharedQueueSettings(const SharedQueueSettings& settings);

// Shows the dialog modally over owner, filled from settings (an empty member
// shows the computer's name). Confirming puts the fields into settings and
// writes them at once; an address that cannot be read keeps the dialog open
// with a message. True when confirmed.
bool openSharedQueueSettings(HWND owner, SharedQueueSettings& settings);

}  // namespace vuv::win
