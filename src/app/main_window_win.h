// The main window: tab control with six pages, status bar, menu bar and the
// two pop-up menus. It owns every control for the whole run and hands
// commands and notifications to the pages.
#pragma once

#include "app/app_win.h"
#include "app/layout_win.h"

#include <windows.h>

#include <array>
#include <memory>
#include <vector>

namespace vuv::win {

class MainWindow {
public:
    // Creates the window hidden, with every control in its initial state.
    bool create(HINSTANCE instance);
    [[nodiscard]] HWND hwnd() const noexcept { return hwnd_; }

    void addPage(std::unique_ptr<Page> page);
    void attachPages();

    [[nodiscard]] int currentPage() const;
    void showPage(int index);
    // Makes another page current as a click on its tab does (the page-changed
    // event included) and gives the tab control the focus.
    void selectPage(int index);

    // Keyboard use of the window, from the message loop: Ctrl+Tab and
    // Ctrl+Shift+Tab switch pages; Tab and Shift+Tab move the focus through
    // the tab control and the current page's controls in layout order, unless
    // the focused control wants the key itself (a multi-line edit box keeps
    // it). True when the message was used.
    bool translateKey(const MSG& msg);

    // Shows a pop-up menu of the given table at the cursor.
    void popUp(const layout::MenuRow* rows, std::size_t count) const;

    // Runs once the window has become active for the first time.
    void setFirstActivationHandler(void (*handler)()) { onFirstActivation_ = handler; }

private:
    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void onShown();
    void onSize();
    void onDpiChanged(int dpi, const RECT& suggested);
    void moveFocus(bool backwards);
    void onCommand(int id, int notifyCode);
    LRESULT onNotify(const NMHDR& header);
    void toggleAlwaysOnTop();

    HWND hwnd_ = nullptr;
    HWND tab_ = nullptr;
    HWND status_ = nullptr;
    HMENU menuBar_ = nullptr;
    HMENU settingsMenu_ = nullptr;
    int dpi_ = 96;  // of the window; the layout tables are at 96 DPI
    std::array<std::vector<HWND>, layout::kPageCount> pageControls_{};
    std::vector<std::unique_ptr<Page>> pages_;
    bool activatedOnce_ = false;
    void (*onFirstActivation_)() = nullptr;
};

[[nodiscard]] MainWindow& mainWindow();

}  // namespace vuv::win
