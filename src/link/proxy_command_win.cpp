#include "link/proxy_command_win.h"

#include "common/control_ids.h"
#include "common/modal_win.h"
#include "link/instance_page_win.h"
#include "link/proxy.h"

namespace vuv::win {

namespace {

using namespace id::dialog;

class TextPrompt final : public ModalWindow {
public:
    std::optional<std::string> ask(HWND owner, const std::wstring& caption, const std::wstring& prompt) {
        const int result = run(owner, caption, 372, 156,
                               {
                                   {kPromptText, Kind::Label, prompt.c_str(), 0, 10, 10, 260, 64},
                                   {kPromptField, Kind::Edit, L"", 0, 10, 92, 346, 22},
                                   {IDOK, Kind::Button, L"确定", 0, 282, 8, 74, 24},
                                   {IDCANCEL, Kind::Button, L"取消", 0, 282, 38, 74, 24},
                               });
        if (result != IDOK) return std::nullopt;
        return typed_;
    }

protected:
    void onCreate() override { SetFocus(control(kPromptField)); }

    bool onCommand(int id, int) override {
        if (id != IDOK) return false;  // IDCANCEL closes as cancelled
        typed_ = controlText(control(kPromptField));
        close(IDOK);
        return true;
    }

private:
    std::string typed_;
};

}  // namespace

std::optional<std::string> askText(HWND owner, const std::wstring& caption, const std::wstring& prompt) {
    TextPrompt box;
    return box.ask(owner, caption, prompt);
}

void setProxyForSelected(HWND owner, InstancePage& instances) {
    // The prompt's line break is a lone carriage return.
    static const std::wstring prompt = L"格式为： IP地址:端口\r如： 127.0.0.1:80";
    for (;;) {
        const std::optional<std::string> typed = askText(owner, L"批量设置WAP模式代理IP", prompt);
        if (!typed) return;
        const std::optional<ProxyAddress> proxy = parseProxyInput(*typed);
        if (!proxy) {
            messageBox(L"IP输入错误，请根据提示格式输入。", L"输入错误", MB_OK);
            continue;
        }
        // The setting is two posts to each copy's frame window; the copy's
        // proxy is noted only when both went out.
        instances.fleet().sendToEach(instances.selectedCopies(), Command::proxyOf(*proxy));
        return;
    }
}

}  // namespace vuv::win
