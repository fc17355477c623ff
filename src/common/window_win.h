// The base of every window the panel makes itself: the main window and the
// small dialogs. It keeps the object in the window (stored when the window is
// created), hands every message to one member, and holds the exception
// barrier: nothing may unwind through the system's message dispatch, and an
// exception caught there is traced, never swallowed silently.
#pragma once

#include <windows.h>

#include <string>

namespace vuv::win {

class Window {
public:
    Window() = default;
    virtual ~Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    [[nodiscard]] HWND hwnd() const noexcept { return hwnd_; }

protected:
    // Registers the class once per name; the procedure routes to handle().
    [[nodiscard]] static bool registerClass(const wchar_t* className, HICON icon = nullptr, HICON smallIcon = nullptr);
    // CreateWindowExW with this object as the creation parameter.
    HWND createWindow(DWORD exStyle, const wchar_t* className, const wchar_t* caption, DWORD style, int x, int y,
                      int width, int height, HWND parent, HMENU menu);

    // Every message of the window. Unhandled ones go to DefWindowProcW.
    virtual LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // The result of a message whose handling threw.
    virtual LRESULT onException(UINT message, WPARAM wParam, LPARAM lParam);
    // A name for the trace line of a caught exception.
    [[nodiscard]] virtual std::wstring traceName() const { return L"window"; }
    // The window is going: called from WM_NCDESTROY, after which the object
    // no longer hears from it.
    virtual void onDestroyed() {}

    HWND hwnd_ = nullptr;

private:
    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

}  // namespace vuv::win
