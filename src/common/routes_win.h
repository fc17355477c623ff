// What reaches the main window and which part of the panel answers it: each
// command id (buttons, check boxes, menu and pop-up items), each control's
// notifications, each timer and each private message has one owner, which
// claims it when the panel is built. The main window looks the number up;
// a number claimed twice makes the build fail (see check).
#pragma once

#include "common/owner_table.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>

namespace vuv::win {

struct Routes {
    // WM_COMMAND by control or item id, with the notification code.
    OwnerTable<std::function<void(int notifyCode)>> commands;
    // WM_NOTIFY by the id of the control that sent it; the handler's value
    // is the message's result.
    OwnerTable<std::function<LRESULT(const NMHDR& header)>> notifications;
    // WM_TIMER by timer id (the message's result is 0).
    OwnerTable<std::function<void()>> timers;
    // Private messages (id::kMsg...) by number (the message's result is 0).
    OwnerTable<std::function<void()>> messages;

    // True when no number was claimed twice; otherwise traces one line per
    // clash, naming the number and both owners.
    [[nodiscard]] bool check() const;
};

}  // namespace vuv::win
