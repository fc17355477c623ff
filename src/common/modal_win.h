// Modal windows built from layout tables: the small dialogs of the panel.
// Each opening creates the window afresh; the opener waits until it closes.
// Enter confirms (IDOK), Esc and the close box cancel (IDCANCEL).
#pragma once

#include "common/ui_win.h"

#include <windows.h>

#include <vector>

namespace vuv::win {

class ModalWindow {
public:
    virtual ~ModalWindow() = default;

    // Shows the window over owner (disabled meanwhile) with the given outer
    // size and controls (positions relative to the client area; all in
    // pixels at 96 DPI, scaled to the screen's) and returns the value passed
    // to close(), or IDCANCEL when closed any other way.
    int run(HWND owner, const std::wstring& caption, int outerWidth, int outerHeight, std::vector<ControlRow> rows);

protected:
    [[nodiscard]] HWND hwnd() const noexcept { return hwnd_; }
    [[nodiscard]] HWND control(int id) const noexcept { return GetDlgItem(hwnd_, id); }
    void close(int result);

    virtual void onCreate() {}
    // IDOK for Enter, IDCANCEL for Esc, or a control's id.
    virtual bool onCommand(int id, int notifyCode) = 0;
    // Called before the dialog manager sees a queued message; true eats it.
    virtual bool preTranslate(MSG&) { return false; }
    // Any other window message; return true when handled (result in result).
    virtual bool onMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
    // Runs once when the window is about to go, however it was closed.
    virtual void onClosing() {}

private:
    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    HWND owner_ = nullptr;
    bool done_ = false;
    int result_ = IDCANCEL;
};

}  // namespace vuv::win
