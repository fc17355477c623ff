#include "common/modal_win.h"

#include "common/dpi_win.h"

namespace vuv::win {

namespace {

constexpr wchar_t kClassName[] = L"VuvModalWindow";

// Tab (Shift+Tab) pressed in a multi-line edit box of window: the dialog
// manager leaves it to the box, which in a dialog types nothing, so the focus
// would never leave it. Moves the focus on as from any other control (the
// multi-line box is not for tab characters here). True when done.
bool tabOutOfMultiLineEdit(HWND window, const MSG& msg) {
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || GetKeyState(VK_CONTROL) < 0) return false;
    if ((GetWindowLongW(msg.hwnd, GWL_STYLE) & ES_MULTILINE) == 0) return false;
    wchar_t name[16] = {};
    if (GetClassNameW(msg.hwnd, name, 16) == 0 || lstrcmpiW(name, L"Edit") != 0) return false;
    HWND next = GetNextDlgTabItem(window, msg.hwnd, GetKeyState(VK_SHIFT) < 0 ? TRUE : FALSE);
    if (next == nullptr || next == msg.hwnd) return false;
    SetFocus(next);
    if ((SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0) SendMessageW(next, EM_SETSEL, 0, -1);
    return true;
}

}  // namespace

int ModalWindow::run(HWND owner, const std::wstring& caption, int outerWidth, int outerHeight,
                     std::vector<ControlRow> rows) {
    if (!registerClass(kClassName)) return IDCANCEL;

    owner_ = owner;
    done_ = false;
    result_ = IDCANCEL;
    // The sizes are pixels at 96 DPI: scaled to the owner's DPI, as its
    // controls are scaled to the window's own.
    const int dpi = owner != nullptr ? windowDpi(owner) : systemDpi();
    outerWidth = dpi::scale(outerWidth, dpi);
    outerHeight = dpi::scale(outerHeight, dpi);
    // Centre over the owner, or the screen when there is none.
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (owner != nullptr && IsWindowVisible(owner)) GetWindowRect(owner, &area);
    const int x = area.left + ((area.right - area.left) - outerWidth) / 2;
    const int y = area.top + ((area.bottom - area.top) - outerHeight) / 2;
    if (createWindow(WS_EX_DLGMODALFRAME, kClassName, caption.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU, x, y,
                     outerWidth, outerHeight, owner, nullptr) == nullptr) {
        return IDCANCEL;
    }
    for (const ControlRow& row : rows) createControl(hwnd_, row);
    onCreate();
    if (owner != nullptr) EnableWindow(owner, FALSE);
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    if (HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE)) SetFocus(first);

    {
        const FilterScope scope(*this);
        runUntil([this] { return done_; });
    }
    if (hwnd_ != nullptr) close(result_);
    return result_;
}

bool ModalWindow::preTranslate(MSG& msg) {
    if (done_ || hwnd_ == nullptr) return false;
    if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)) return false;
    if (preTranslateOwn(msg)) return true;
    if (tabOutOfMultiLineEdit(hwnd_, msg)) return true;
    return IsDialogMessageW(hwnd_, &msg) != FALSE;
}

void ModalWindow::close(int result) {
    if (hwnd_ == nullptr || done_) return;
    result_ = result;
    done_ = true;
    onClosing();
    // Give the owner its activation back before the window goes.
    if (owner_ != nullptr) EnableWindow(owner_, TRUE);
    DestroyWindow(hwnd_);
    if (owner_ != nullptr) SetActiveWindow(owner_);
}

LRESULT ModalWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (onMessage(message, wParam, lParam, result)) return result;
    switch (message) {
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            if (done_) return 0;
            if (onCommand(id, HIWORD(wParam))) return 0;
            if (id == IDCANCEL) close(IDCANCEL);
            return 0;
        }
        case WM_CLOSE: close(IDCANCEL); return 0;
        default: return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

}  // namespace vuv::win
