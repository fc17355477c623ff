// A part of the main window that answers some of its controls, commands and
// messages. The main window offers every command, notification and message
// to its pages in turn until one takes it.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace vuv::win {

class Page {
public:
    virtual ~Page() = default;
    // WM_COMMAND from a control or a menu; true when handled.
    virtual bool onCommand(int /*id*/, int /*notifyCode*/) { return false; }
    // WM_NOTIFY from a control; true when handled (result in result).
    virtual bool onNotify(const NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
    // Any other message of the main window; true when handled.
    virtual bool onMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
    // The window was shown, or the user made another page current; page is
    // the current page's index.
    virtual void onPageShown(int /*page*/) {}
};

}  // namespace vuv::win
