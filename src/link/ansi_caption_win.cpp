#include "link/ansi_caption_win.h"

#include "link/channel_win.h"

#include <string>

namespace vuv::win {

namespace {

constexpr wchar_t kClassName[] = L"VuvAnsiCaption";

class AnsiCaptionWindow final : public Window {
public:
    bool create(std::string_view gbkCaption) {
        if (!registerClass(kClassName)) return false;
        if (createWindow(WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr) == nullptr) {
            return false;
        }
        // As SetWindowTextA spells the bytes: the system's code page.
        const std::string caption(gbkCaption);
        SetWindowTextA(hwnd_, caption.c_str());
        return true;
    }

private:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (receiveRegistered(message, wParam, lParam)) return 0;
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
    [[nodiscard]] std::wstring traceName() const override { return L"caption window"; }
};

}  // namespace

std::unique_ptr<Window> createAnsiCaptionWindow(std::string_view gbkCaption) {
    auto window = std::make_unique<AnsiCaptionWindow>();
    if (!window->create(gbkCaption)) return nullptr;
    return window;
}

}  // namespace vuv::win
