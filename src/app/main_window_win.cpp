#include "app/main_window_win.h"

#include "common/dpi_win.h"
#include "common/focus_order.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>
#include <vector>

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace vuv::win {

namespace {

constexpr wchar_t kClassName[] = L"VuvMainWindow";
// The name under which the window claims its own numbers.
constexpr char kOwnName[] = "main window";

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

}  // namespace

bool MainWindow::create(HINSTANCE instance) {
    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);

    // Shared: the system keeps the class's icons for as long as the program runs.
    const auto smallIcon =
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                      GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    if (!registerClass(kClassName, LoadIconW(instance, MAKEINTRESOURCEW(1)), smallIcon)) return false;

    menuBar_ = CreateMenu();
    settingsMenu_ = appendMenuRows(CreatePopupMenu(), layout::settingsMenu());
    AppendMenuW(menuBar_, MF_POPUP, reinterpret_cast<UINT_PTR>(settingsMenu_), layout::kMenuBarTitle);
    toolsMenu_ = appendMenuRows(CreatePopupMenu(), layout::toolsMenu());
    AppendMenuW(menuBar_, MF_POPUP, reinterpret_cast<UINT_PTR>(toolsMenu_), layout::kToolsMenuTitle);

    // The outer size is 589 x 436 at 96 DPI, scaled like everything inside.
    const int startDpi = systemDpi();
    if (createWindow(0, kClassName, L"", WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX, CW_USEDEFAULT, CW_USEDEFAULT,
                     dpi::scale(layout::kMainWidth, startDpi), dpi::scale(layout::kMainHeight, startDpi), nullptr,
                     menuBar_) == nullptr) {
        return false;
    }
    dpi_ = windowDpi(hwnd_);
    if (dpi_ != startDpi) {
        SetWindowPos(hwnd_, nullptr, 0, 0, dpi::scale(layout::kMainWidth, dpi_), dpi::scale(layout::kMainHeight, dpi_),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    tab_ = createControl(hwnd_, layout::kTab);
    const auto& pages = layout::pages();
    for (int p = 0; p < id::kPageCount; ++p) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(pages[static_cast<std::size_t>(p)].title);
        SendMessageW(tab_, TCM_INSERTITEMW, static_cast<WPARAM>(p), reinterpret_cast<LPARAM>(&item));
    }
    for (int p = 0; p < id::kPageCount; ++p) {
        for (const ControlRow& row : pages[static_cast<std::size_t>(p)].controls) {
            HWND control = createControl(hwnd_, row, layout::kTab.x, layout::kTab.y);
            if (control == nullptr) continue;
            if (p != id::kInstancesPage) ShowWindow(control, SW_HIDE);
            pageControls_[static_cast<std::size_t>(p)].push_back(control);
            SetWindowPos(control, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }

    status_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, hwnd_,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id::kStatusBar)), instance, nullptr);
    SendMessageW(status_, WM_SETFONT, reinterpret_cast<WPARAM>(uiFontAt(dpi_)), FALSE);
    onSize();
    SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L"默认路径"));
    SendMessageW(status_, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(L""));
    SendMessageW(status_, SB_SETTEXTW, 2 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(L"vuv beta"));

    routes_.commands.claim(id::kAlwaysOnTop, kOwnName, [this](int) { toggleAlwaysOnTop(); });
    routes_.commands.claim(id::kExit, kOwnName, [this](int) { exit(); });
    routes_.notifications.claim(id::kTabs, kOwnName, [this](const NMHDR& header) -> LRESULT {
        if (header.code == TCN_SELCHANGE) onTabChanged();
        return 0;
    });
    routes_.messages.claim(static_cast<int>(id::kMsgFirstActivated), kOwnName, [this] {
        if (onFirstActivation_) onFirstActivation_();
    });
    return true;
}

int MainWindow::currentPage() const { return static_cast<int>(SendMessageW(tab_, TCM_GETCURSEL, 0, 0)); }

void MainWindow::showPage(int index) {
    if (SendMessageW(tab_, TCM_GETCURSEL, 0, 0) != index) SendMessageW(tab_, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    for (int p = 0; p < id::kPageCount; ++p) {
        for (HWND control : pageControls_[static_cast<std::size_t>(p)]) ShowWindow(control, p == index ? SW_SHOW : SW_HIDE);
    }
}

void MainWindow::selectPage(int index) {
    if (index < 0 || index >= id::kPageCount || index == currentPage()) return;
    SendMessageW(tab_, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    showPage(index);
    SetFocus(tab_);
    onShown();  // the page-changed event: the instance page rescans
}

bool MainWindow::preTranslate(MSG& msg) {
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB) return false;
    if (hwnd_ == nullptr || (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd))) return false;
    const bool backwards = GetKeyState(VK_SHIFT) < 0;
    if (GetKeyState(VK_CONTROL) < 0) {
        const int page = currentPage();
        selectPage((page + (backwards ? id::kPageCount - 1 : 1)) % id::kPageCount);
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
    if (page >= 0 && page < id::kPageCount) {
        for (const ControlRow& row : layout::pages()[static_cast<std::size_t>(page)].controls) {
            HWND control = GetDlgItem(hwnd_, row.id);
            if (control != nullptr) order.push_back(control);
        }
    }
    // Where the focus is now: a control of the list, or something inside one.
    HWND focus = GetFocus();
    std::optional<std::size_t> at;
    for (std::size_t i = 0; i < order.size() && !at; ++i) {
        if (focus == order[i] || (focus != nullptr && IsChild(order[i], focus))) at = i;
    }
    const std::optional<std::size_t> next = nextFocus(order.size(), at, backwards, [&order](std::size_t i) {
        HWND control = order[i];
        return (GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP) != 0 && IsWindowVisible(control) &&
               IsWindowEnabled(control);
    });
    if (!next) return;
    SetFocus(order[*next]);
    // An edit box selects its text when tabbed into, as in a dialog.
    if ((SendMessageW(order[*next], WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0) {
        SendMessageW(order[*next], EM_SETSEL, 0, -1);
    }
}

LRESULT MainWindow::onException(UINT message, WPARAM wParam, LPARAM lParam) {
    // Closing still ends the panel, whatever went wrong on the way.
    if (message == WM_CLOSE) exit();
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        if (const auto* tick = routes_.timers.find(static_cast<int>(wParam))) {
            (*tick)();
            return 0;
        }
    } else if (message >= WM_APP) {
        if (const auto* handler = routes_.messages.find(static_cast<int>(message))) {
            (*handler)();
            return 0;
        }
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
        case WM_SIZE:
            dropPageBrush();
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
        case WM_CTLCOLORSTATIC:
            if (const LRESULT brush = onControlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam))) {
                return brush;
            }
            break;
        case WM_PRINTCLIENT: {
            // Themed check boxes ask for what lies behind them this way.
            auto dc = reinterpret_cast<HDC>(wParam);
            POINT origin{0, 0};
            LPtoDP(dc, &origin, 1);
            SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
            RECT client{};
            GetClientRect(hwnd_, &client);
            FillRect(dc, &client, pageBrush());
            return 0;
        }
        case WM_THEMECHANGED:
        case WM_SYSCOLORCHANGE:
            dropPageBrush();
            break;
        case WM_CLOSE:
            exit();
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

HBRUSH MainWindow::pageBrush() {
    if (pageBrush_) return pageBrush_.get();
    // The client area as it looks without its labels: the window's face, and
    // the tab control drawn where it stands.
    RECT client{};
    GetClientRect(hwnd_, &client);
    const WindowDc screen(hwnd_);
    const MemoryDc memoryDc(CreateCompatibleDC(screen.get()));
    const GdiObject<HBITMAP> picture(
        CreateCompatibleBitmap(screen.get(), std::max<LONG>(client.right, 1), std::max<LONG>(client.bottom, 1)));
    const HDC memory = memoryDc.get();
    {
        const Selection drawn(memory, picture.get());
        FillRect(memory, &client, GetSysColorBrush(COLOR_BTNFACE));
        RECT tab{};
        GetWindowRect(tab_, &tab);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&tab), 2);
        SetViewportOrgEx(memory, tab.left, tab.top, nullptr);
        SendMessageW(tab_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT | PRF_ERASEBKGND);
        SetViewportOrgEx(memory, 0, 0, nullptr);
    }
    pageBrush_.reset(CreatePatternBrush(picture.get()));
    return pageBrush_ ? pageBrush_.get() : GetSysColorBrush(COLOR_BTNFACE);
}

void MainWindow::dropPageBrush() {
    if (!pageBrush_) return;
    pageBrush_.reset();
    // Labels and check boxes paint again with the new brush.
    for (const auto& controls : pageControls_) {
        for (HWND control : controls) InvalidateRect(control, nullptr, TRUE);
    }
}

LRESULT MainWindow::onControlColor(HDC dc, HWND control) {
    // Labels and check boxes have no background of their own: they show the
    // tab's body behind them. Read-only and disabled edit boxes keep theirs.
    wchar_t name[16] = {};
    GetClassNameW(control, name, 16);
    if (lstrcmpiW(name, L"Static") != 0 && lstrcmpiW(name, L"Button") != 0) return 0;
    SetBkMode(dc, TRANSPARENT);
    // The pattern is the whole client area: line it up with this control.
    POINT origin{0, 0};
    MapWindowPoints(hwnd_, control, &origin, 1);
    SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
    return reinterpret_cast<LRESULT>(pageBrush());
}

void MainWindow::onShown() {
    if (onPageShown_) onPageShown_(currentPage());
}

void MainWindow::exit() {
    if (onExit_) onExit_();
}

void MainWindow::placeControls() {
    // How far the window has grown beyond the layout's size at this DPI
    // (never less than none: a smaller window keeps the layout).
    RECT outer{};
    GetWindowRect(hwnd_, &outer);
    const int grownX = std::max(0, static_cast<int>(outer.right - outer.left) - dpi::scale(layout::kMainWidth, dpi_));
    const int grownY = std::max(0, static_cast<int>(outer.bottom - outer.top) - dpi::scale(layout::kMainHeight, dpi_));
    placeControl(tab_, layout::kTab, dpi_, 0, 0, grownX, grownY);
    for (const layout::Page& page : layout::pages()) {
        for (const ControlRow& row : page.controls) {
            if (HWND control = GetDlgItem(hwnd_, row.id)) {
                placeControl(control, row, dpi_, layout::kTab.x, layout::kTab.y, grownX, grownY);
            }
        }
    }
}

void MainWindow::onSize() {
    if (status_ == nullptr) return;
    placeControls();
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
    placeControls();
    dropPageBrush();
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
    const bool nowChecked = (GetMenuState(settingsMenu_, id::kAlwaysOnTop, MF_BYCOMMAND) & MF_CHECKED) == 0;
    CheckMenuItem(settingsMenu_, id::kAlwaysOnTop, MF_BYCOMMAND | (nowChecked ? MF_CHECKED : MF_UNCHECKED));
    SetWindowPos(hwnd_, nowChecked ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void MainWindow::onCommand(int id, int notifyCode) {
    if (const auto* handler = routes_.commands.find(id)) (*handler)(notifyCode);
    if (afterInput_ && routes_.commands.ownerOf(id) != kOwnName) afterInput_(id, notifyCode);
}

LRESULT MainWindow::onNotify(const NMHDR& header) {
    // Each control's notifications go to the part that claimed its id; the
    // handler still looks at the sender's window where that matters.
    const auto* handler = routes_.notifications.find(static_cast<int>(header.idFrom));
    return handler != nullptr ? (*handler)(header) : 0;
}

void MainWindow::onTabChanged() {
    showPage(currentPage());
    // Switching to the instance page rescans, as showing the window does.
    onShown();
}

}  // namespace vuv::win
