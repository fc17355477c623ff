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
    if (!IsChild(window, msg.hwnd)) return false;
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
    static const ATOM atom = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &ModalWindow::procedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kClassName;
        return RegisterClassExW(&wc);
    }();
    if (atom == 0) return IDCANCEL;

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
    HWND hwnd = CreateWindowExW(WS_EX_DLGMODALFRAME, kClassName, caption.c_str(),
                                WS_POPUP | WS_CAPTION | WS_SYSMENU, x, y, outerWidth, outerHeight, owner, nullptr,
                                GetModuleHandleW(nullptr), this);
    if (hwnd == nullptr) return IDCANCEL;
    for (const ControlRow& row : rows) createControl(hwnd, row);
    onCreate();
    if (owner != nullptr) EnableWindow(owner, FALSE);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    if (HWND first = GetNextDlgTabItem(hwnd, nullptr, FALSE)) SetFocus(first);

    MSG msg;
    while (!done_) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            close(IDCANCEL);
            break;
        }
        if (got < 0) break;
        if (!done_ && (msg.hwnd == hwnd_ || IsChild(hwnd_, msg.hwnd)) && preTranslate(msg)) continue;
        if (!done_ && tabOutOfMultiLineEdit(hwnd_, msg)) continue;
        if (!done_ && IsDialogMessageW(hwnd_, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (hwnd_ != nullptr) close(result_);
    return result_;
}

void ModalWindow::close(int result) {
    if (hwnd_ == nullptr) return;
    result_ = result;
    done_ = true;
    onClosing();
    // Give the owner its activation back before the window goes.
    if (owner_ != nullptr) EnableWindow(owner_, TRUE);
    HWND hwnd = hwnd_;
    hwnd_ = nullptr;
    DestroyWindow(hwnd);
    if (owner_ != nullptr) SetActiveWindow(owner_);
}

LRESULT CALLBACK ModalWindow::procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* self = static_cast<ModalWindow*>(create->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<ModalWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr || self->hwnd_ != hwnd) return DefWindowProcW(hwnd, message, wParam, lParam);
    try {
        return self->handle(message, wParam, lParam);
    } catch (...) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

LRESULT ModalWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (onMessage(message, wParam, lParam, result)) return result;
    switch (message) {
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            if (onCommand(id, HIWORD(wParam))) return 0;
            if (id == IDCANCEL) close(IDCANCEL);
            return 0;
        }
        case WM_CLOSE: close(IDCANCEL); return 0;
        default: return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

}  // namespace vuv::win
