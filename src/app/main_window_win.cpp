#include "app/main_window_win.h"

#include "app/path_dialog_win.h"
#include "common/dpi_win.h"
#include "common/encoding_win.h"
#include "common/texts.h"
#include "link/instance_page_win.h"

#include <commctrl.h>

#include <utility>
#include <vector>

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace vuv::win {

namespace {

constexpr wchar_t kClassName[] = L"VuvMainWindow";

// Column widths of every list view among the children, scaled from one DPI
// to another through their width at 96 DPI, so that going back and forth
// gives the layout's widths again; widths the operator dragged keep their
// proportion.
BOOL CALLBACK rescaleColumns(HWND child, LPARAM dpis) {
    const auto [from, to] = *reinterpret_cast<const std::pair<int, int>*>(dpis);
    wchar_t name[32] = {};
    if (GetClassNameW(child, name, 32) == 0 || lstrcmpiW(name, WC_LISTVIEWW) != 0) return TRUE;
    HWND header = reinterpret_cast<HWND>(SendMessageW(child, LVM_GETHEADER, 0, 0));
    const int columns = header != nullptr ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    for (int c = 0; c < columns; ++c) {
        const int width = static_cast<int>(SendMessageW(child, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(c), 0));
        const int base = MulDiv(width, dpi::kBase, from);
        SendMessageW(child, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(c), MAKELPARAM(dpi::scale(base, to), 0));
    }
    return TRUE;
}

HMENU buildMenu(HMENU menu, const layout::MenuRow* rows, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (rows[i].caption == nullptr) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else {
            AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(rows[i].command), rows[i].caption);
        }
    }
    return menu;
}

}  // namespace

MainWindow& mainWindow() {
    static MainWindow window;
    return window;
}

bool MainWindow::create(HINSTANCE instance) {
    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &MainWindow::procedure;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    if (RegisterClassExW(&wc) == 0) return false;

    menuBar_ = CreateMenu();
    settingsMenu_ = buildMenu(CreatePopupMenu(), layout::kSettingsMenu.data(), layout::kSettingsMenu.size());
    AppendMenuW(menuBar_, MF_POPUP, reinterpret_cast<UINT_PTR>(settingsMenu_), layout::kMenuBarTitle);

    // The outer size is 589 x 436 at 96 DPI, scaled like everything inside.
    const int startDpi = systemDpi();
    hwnd_ = CreateWindowExW(0, kClassName, L"", WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX, CW_USEDEFAULT, CW_USEDEFAULT,
                            dpi::scale(layout::kMainWidth, startDpi), dpi::scale(layout::kMainHeight, startDpi),
                            nullptr, menuBar_, instance, this);
    if (hwnd_ == nullptr) return false;
    dpi_ = windowDpi(hwnd_);
    if (dpi_ != startDpi) {
        SetWindowPos(hwnd_, nullptr, 0, 0, dpi::scale(layout::kMainWidth, dpi_), dpi::scale(layout::kMainHeight, dpi_),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    tab_ = createControl(hwnd_, layout::kTab);
    const auto& pages = layout::pages();
    for (int p = 0; p < layout::kPageCount; ++p) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(pages[static_cast<std::size_t>(p)].title);
        SendMessageW(tab_, TCM_INSERTITEMW, static_cast<WPARAM>(p), reinterpret_cast<LPARAM>(&item));
    }
    for (int p = 0; p < layout::kPageCount; ++p) {
        for (const ControlRow& row : pages[static_cast<std::size_t>(p)].controls) {
            HWND control = createControl(hwnd_, row, layout::kTab.x, layout::kTab.y);
            if (control == nullptr) continue;
            if (p != layout::kInstances) ShowWindow(control, SW_HIDE);
            pageControls_[static_cast<std::size_t>(p)].push_back(control);
            SetWindowPos(control, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }

    status_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, hwnd_,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id::状态条1)), instance, nullptr);
    SendMessageW(status_, WM_SETFONT, reinterpret_cast<WPARAM>(uiFontAt(dpi_)), FALSE);
    onSize();
    SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L"默认路径"));
    SendMessageW(status_, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(L""));
    SendMessageW(status_, SB_SETTEXTW, 2 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(L"vuv beta"));
    return true;
}

void MainWindow::addPage(std::unique_ptr<Page> page) { pages_.push_back(std::move(page)); }

void MainWindow::attachPages() {
    for (auto& page : pages_) page->attach(hwnd_);
}

int MainWindow::currentPage() const { return static_cast<int>(SendMessageW(tab_, TCM_GETCURSEL, 0, 0)); }

void MainWindow::showPage(int index) {
    if (SendMessageW(tab_, TCM_GETCURSEL, 0, 0) != index) SendMessageW(tab_, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    for (int p = 0; p < layout::kPageCount; ++p) {
        for (HWND control : pageControls_[static_cast<std::size_t>(p)]) ShowWindow(control, p == index ? SW_SHOW : SW_HIDE);
    }
}

void MainWindow::selectPage(int index) {
    if (index < 0 || index >= layout::kPageCount || index == currentPage()) return;
    SendMessageW(tab_, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    showPage(index);
    SetFocus(tab_);
    onShown();  // the page-changed event: the instance page rescans
}

bool MainWindow::translateKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB) return false;
    if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)) return false;
    const bool backwards = GetKeyState(VK_SHIFT) < 0;
    if (GetKeyState(VK_CONTROL) < 0) {
        const int page = currentPage();
        selectPage((page + (backwards ? layout::kPageCount - 1 : 1)) % layout::kPageCount);
        return true;
    }
    if (msg.hwnd != hwnd_) {
        // Asked without the message: an edit box asked with one takes itself
        // to be in a dialog from then on and stops typing tabs.
        const auto wants = SendMessageW(msg.hwnd, WM_GETDLGCODE, 0, 0);
        if ((wants & (DLGC_WANTTAB | DLGC_WANTALLKEYS)) != 0) return false;
    }
    moveFocus(backwards);
    return true;
}

void MainWindow::moveFocus(bool backwards) {
    // The tab control, then the current page's controls as the layout lists them.
    std::vector<HWND> order{tab_};
    const int page = currentPage();
    if (page >= 0 && page < layout::kPageCount) {
        for (const ControlRow& row : layout::pages()[static_cast<std::size_t>(page)].controls) {
            HWND control = GetDlgItem(hwnd_, row.id);
            if (control != nullptr) order.push_back(control);
        }
    }
    auto takesFocus = [](HWND control) {
        return (GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP) != 0 && IsWindowVisible(control) &&
               IsWindowEnabled(control);
    };
    // Where the focus is now: a control of the list, or something inside one.
    HWND focus = GetFocus();
    std::size_t at = order.size();
    for (std::size_t i = 0; i < order.size() && at == order.size(); ++i) {
        if (focus == order[i] || (focus != nullptr && IsChild(order[i], focus))) at = i;
    }
    const std::size_t n = order.size();
    for (std::size_t step = 1; step <= n; ++step) {
        std::size_t next = 0;
        if (at == n) {
            next = backwards ? n - step : step - 1;
        } else {
            next = backwards ? (at + n - step) % n : (at + step) % n;
        }
        if (takesFocus(order[next])) {
            SetFocus(order[next]);
            // An edit box selects its text when tabbed into, as in a dialog.
            if ((SendMessageW(order[next], WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0) {
                SendMessageW(order[next], EM_SETSEL, 0, -1);
            }
            return;
        }
    }
}

void MainWindow::popUp(const layout::MenuRow* rows, std::size_t count) const {
    HMENU menu = buildMenu(CreatePopupMenu(), rows, count);
    POINT at{};
    GetCursorPos(&at);
    SetForegroundWindow(hwnd_);
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr);
    DestroyMenu(menu);
}

LRESULT CALLBACK MainWindow::procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* self = static_cast<MainWindow*>(create->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    try {
        return self->handle(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through the system's message dispatch.
        return 0;
    }
}

LRESULT MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    for (auto& page : pages_) {
        LRESULT result = 0;
        if (page->onMessage(message, wParam, lParam, result)) return result;
    }
    switch (message) {
        case WM_SHOWWINDOW:
            if (wParam != FALSE) onShown();
            break;
        case WM_ACTIVATE:
            // The first activation is handled once the activation itself is
            // over, since its handler may open modal windows.
            if (LOWORD(wParam) != WA_INACTIVE && !activatedOnce_) {
                activatedOnce_ = true;
                PostMessageW(hwnd_, id::kMsgFirstActivated, 0, 0);
            }
            break;
        case id::kMsgFirstActivated:
            if (onFirstActivation_ != nullptr) onFirstActivation_();
            return 0;
        case WM_SIZE:
            onSize();
            break;
        case WM_DPICHANGED:
            onDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_COMMAND:
            onCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_NOTIFY:
            return onNotify(*reinterpret_cast<const NMHDR*>(lParam));
        case WM_CTLCOLORSTATIC: {
            // Labels without background of their own.
            auto dc = reinterpret_cast<HDC>(wParam);
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_CLOSE:
            exitPanel();
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void MainWindow::onShown() {
    if (currentPage() == layout::kInstances && app().instances != nullptr) app().instances->scanInstances();
}

void MainWindow::onSize() {
    if (status_ == nullptr) return;
    SendMessageW(status_, WM_SIZE, 0, 0);
    RECT outer{};
    GetWindowRect(hwnd_, &outer);
    const int field1 = (outer.right - outer.left) - dpi::scale(layout::kStatusField1Margin, dpi_);
    int edges[3];
    edges[0] = dpi::scale(layout::kStatusField0, dpi_);
    edges[1] = edges[0] + (field1 > 0 ? field1 : 0);
    edges[2] = edges[1] + dpi::scale(layout::kStatusField2, dpi_);
    SendMessageW(status_, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
}

void MainWindow::onDpiChanged(int dpi, const RECT& suggested) {
    if (dpi <= 0) return;
    const int before = dpi_;
    dpi_ = dpi;
    placeControl(tab_, layout::kTab, dpi_);
    for (const layout::Page& page : layout::pages()) {
        for (const ControlRow& row : page.controls) {
            if (HWND control = GetDlgItem(hwnd_, row.id)) placeControl(control, row, dpi_, layout::kTab.x, layout::kTab.y);
        }
    }
    const std::pair<int, int> dpis{before, dpi_};
    EnumChildWindows(hwnd_, &rescaleColumns, reinterpret_cast<LPARAM>(&dpis));
    SendMessageW(status_, WM_SETFONT, reinterpret_cast<WPARAM>(uiFontAt(dpi_)), TRUE);
    // Icons drawn for the new DPI (the icon has sizes from 16 to 64 pixels).
    for (const auto& [which, size] : {std::pair<WPARAM, int>{ICON_SMALL, 16}, {ICON_BIG, 32}}) {
        const int side = dpi::scale(size, dpi_);
        if (auto icon = static_cast<HICON>(
                LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, side, side, LR_SHARED))) {
            SendMessageW(hwnd_, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
        }
    }
    // The new outer size, where the system suggests; its size change places
    // the status bar and its fields.
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    onSize();
}

void MainWindow::toggleAlwaysOnTop() {
    const bool nowChecked = (GetMenuState(settingsMenu_, id::窗口总最前, MF_BYCOMMAND) & MF_CHECKED) == 0;
    CheckMenuItem(settingsMenu_, id::窗口总最前, MF_BYCOMMAND | (nowChecked ? MF_CHECKED : MF_UNCHECKED));
    SetWindowPos(hwnd_, nowChecked ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void MainWindow::onCommand(int id, int notifyCode) {
    switch (id) {
        case id::窗口总最前: toggleAlwaysOnTop(); return;
        case id::设置默认配置: openPathDialog(PathDialogPurpose::DefaultConfig); return;
        case id::鹭行的路径: openPathDialog(PathDialogPurpose::BrowserPath); return;
        case id::设置批量启动指定浏览器: openPathDialog(PathDialogPurpose::DesignatedBrowser); return;
        case id::退出: exitPanel();
        default: break;
    }
    for (auto& page : pages_) {
        if (page->onCommand(id, notifyCode)) return;
    }
}

LRESULT MainWindow::onNotify(const NMHDR& header) {
    if (header.hwndFrom == tab_ && header.code == TCN_SELCHANGE) {
        const int page = currentPage();
        showPage(page);
        // Switching to the instance page rescans, as showing the window does.
        onShown();
        return 0;
    }
    for (auto& page : pages_) {
        LRESULT result = 0;
        if (page->onNotify(header, result)) return result;
    }
    return 0;
}

}  // namespace vuv::win
