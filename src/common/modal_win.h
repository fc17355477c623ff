// Modal windows built from layout tables: the small dialogs of the panel.
// Each opening creates the window afresh; the opener waits until it closes.
// Enter confirms (IDOK), Esc and the close box cancel (IDCANCEL).
#pragma once

#include "common/message_loop_win.h"
#include "common/ui_win.h"
#include "common/window_win.h"

#include <windows.h>

#include <string>
#include <vector>

namespace vuv::win {

class ModalWindow : public Window, private MessageFilter {
public:
    // Shows the window over owner (disabled meanwhile) with the given outer
    // size and controls (positions relative to the client area; all in
    // pixels at 96 DPI, scaled to the owner's DPI) and returns the value
    // passed to close(), or IDCANCEL when closed any other way.
    int run(HWND owner, const std::wstring& caption, int outerWidth, int outerHeight, std::vector<ControlRow> rows);

protected:
    [[nodiscard]] HWND control(int id) const noexcept { return GetDlgItem(hwnd_, id); }
    void close(int result);

    virtual void onCreate() {}
    // IDOK for Enter, IDCANCEL for Esc, or a control's id.
    virtual bool onCommand(int id, int notifyCode) = 0;
    // Sees a queued message of this window before the dialog manager; true eats it.
    virtual bool preTranslateOwn(MSG&) { return false; }
    // Any other window message; return true when handled (result in result).
    virtual bool onMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
    // Runs once when the window is about to go, however it was closed.
    virtual void onClosing() {}

    [[nodiscard]] std::wstring traceName() const override { return L"dialog"; }

private:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) final;
    bool preTranslate(MSG& msg) final;

    HWND owner_ = nullptr;
    bool done_ = false;
    int result_ = IDCANCEL;
};

}  // namespace vuv::win
