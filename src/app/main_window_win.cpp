#include "app/main_window_win.h"

#include "app/path_dialog_win.h"
#include "common/encoding_win.h"
#include "common/texts.h"
#include "link/instance_page_win.h"

#include <commctrl.h>

namespace vuv::win {

namespace {

constexpr wchar_t kClassName[] = L"VuvMainWindow";

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
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    if (RegisterClassExW(&wc) == 0) return false;

    menuBar_ = CreateMenu();
    settingsMenu_ = buildMenu(CreatePopupMenu(), layout::kSettingsMenu.data(), layout::kSettingsMenu.size());
    AppendMenuW(menuBar_, MF_POPUP, reinterpret_cast<UINT_PTR>(settingsMenu_), layout::kMenuBarTitle);

    hwnd_ = CreateWindowExW(0, kClassName, L"", WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX, CW_USEDEFAULT, CW_USEDEFAULT,
                            layout::kMainWidth, layout::kMainHeight, nullptr, menuBar_, instance, this);
    if (hwnd_ == nullptr) return false;

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
    SendMessageW(status_, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont()), FALSE);
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
    const int field1 = (outer.right - outer.left) - layout::kStatusField1Margin;
    int edges[3];
    edges[0] = layout::kStatusField0;
    edges[1] = edges[0] + (field1 > 0 ? field1 : 0);
    edges[2] = edges[1] + layout::kStatusField2;
    SendMessageW(status_, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
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
