// The main window: tab control with its pages (one per row of
// layout::pages()), status bar and the menu bar (设置 and 工具).
// It owns every control for the whole run and hands each command,
// notification, timer and private message to the one part of the panel that
// claimed its number in routes(); it also translates the keyboard for every
// message loop of the panel (Tab and Ctrl+Tab).
#pragma once

#include "app/layout_win.h"
#include "common/message_loop_win.h"
#include "common/owned_win.h"
#include "common/routes_win.h"
#include "common/window_win.h"

#include <windows.h>

#include <array>
#include <functional>
#include <vector>

namespace vuv::win {

class MainWindow final : public Window, public MessageFilter {
public:
    // Creates the window hidden, with every control in its initial state,
    // and claims the numbers the window answers itself (窗口总最前, 退出,
    // the tab control's page change, the first activation).
    bool create(HINSTANCE instance);

    // Who answers what; the parts claim their numbers once the window is
    // made, and live as long as the window.
    [[nodiscard]] Routes& routes() noexcept { return routes_; }
    // Runs when the window is shown and when another page is made current,
    // with the current page's index.
    void setPageShownHandler(std::function<void(int page)> handler) { onPageShown_ = std::move(handler); }

    [[nodiscard]] int currentPage() const;
    void showPage(int index);
    // Makes another page current as a click on its tab does (the page-changed
    // event included) and gives the tab control the focus.
    void selectPage(int index);

    // Keyboard use of the window, for every message loop: Ctrl+Tab and
    // Ctrl+Shift+Tab switch pages; Tab and Shift+Tab move the focus through
    // the tab control and the current page's controls in layout order, unless
    // the focused control wants the key itself (a multi-line edit box keeps
    // it). True when the message was used.
    bool preTranslate(MSG& msg) override;

    // Runs once, the first time the window has become active.
    void setFirstActivationHandler(std::function<void()> handler) { onFirstActivation_ = std::move(handler); }
    // The exit sequence, for the close box and the item 退出.
    void setExitHandler(std::function<void()> handler) { onExit_ = std::move(handler); }
    // Runs after every command the window received has been handled,
    // whatever its owner made of it (modal dialogs included; no owner at all
    // too), with the command's id and notification code; not after the
    // window's own items (窗口总最前, 退出), which change nothing the parts hold.
    void setAfterInputHandler(std::function<void(int id, int notifyCode)> handler) {
        afterInput_ = std::move(handler);
    }

private:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT onException(UINT message, WPARAM wParam, LPARAM lParam) override;
    [[nodiscard]] std::wstring traceName() const override { return L"main window"; }

    void onShown();
    void onSize();
    // Every control where the layout puts it, grown or moved with the window.
    void placeControls();
    void onDpiChanged(int dpi, const RECT& suggested);
    void moveFocus(bool backwards);
    void onCommand(int id, int notifyCode);
    LRESULT onNotify(const NMHDR& header);
    void onTabChanged();
    void toggleAlwaysOnTop();
    void exit();
    // What labels and check boxes have behind them: the tab's body where the
    // tab stands, the window's face elsewhere.
    [[nodiscard]] HBRUSH pageBrush();
    void dropPageBrush();
    LRESULT onControlColor(HDC dc, HWND control);

    HWND tab_ = nullptr;
    HWND status_ = nullptr;
    HMENU menuBar_ = nullptr;
    HMENU settingsMenu_ = nullptr;
    HMENU toolsMenu_ = nullptr;
    int dpi_ = 96;  // of the window; the layout tables are at 96 DPI
    std::array<std::vector<HWND>, id::kPageCount> pageControls_{};
    Routes routes_;
    GdiObject<HBRUSH> pageBrush_;
    bool activatedOnce_ = false;
    std::function<void()> onFirstActivation_;
    std::function<void(int)> onPageShown_;
    std::function<void()> onExit_;
    std::function<void(int, int)> afterInput_;
};

}  // namespace vuv::win
