#include "link/proxy_list_dialog_win.h"

#include "common/control_ids.h"
#include "common/modal_win.h"
#include "common/ui_win.h"
#include "link/instance_page_win.h"
#include "link/proxy_list.h"

#include <string>
#include <vector>

namespace vuv::win {

namespace {

using namespace id::dialog;

// "第 3、7 行IP输入错误，请根据提示格式输入。": every invalid line by number.
std::wstring invalidLinesMessage(const std::vector<std::size_t>& lines) {
    std::wstring numbers;
    for (const std::size_t line : lines) {
        if (!numbers.empty()) numbers += L"、";
        numbers += std::to_wstring(line);
    }
    return L"第 " + numbers + L" 行IP输入错误，请根据提示格式输入。";
}

class ProxyListDialog final : public ModalWindow {
public:
    // The proxies confirmed, in line order; empty when cancelled.
    std::vector<ProxyAddress> ask(HWND owner) {
        // The box neither wraps nor scrolls sideways by itself, so each line
        // it shows is one line of the text and its number is the one named.
        run(owner, L"按列表设置代理IP", 460, 345,
            {
                {kProxyListLabel, Kind::Label,
                 L"每行一个代理，格式为： IP地址:端口，如： 127.0.0.1:80\r\n"
                 L"选中的行从上到下依次取用各行，行不够时从第一行再来；空行跳过。",
                 0, 10, 8, 430, 36},
                {kProxyListText, Kind::MultiLineEdit, L"", ES_AUTOHSCROLL | WS_HSCROLL, 10, 48, 430, 220},
                {IDOK, Kind::Button, L"确定", 0, 286, 276, 74, 24},
                {IDCANCEL, Kind::Button, L"取消", 0, 366, 276, 74, 24},
            });
        return std::move(proxies_);
    }

protected:
    void onCreate() override { liftTextLimit(control(kProxyListText)); }

    bool onCommand(int id, int) override {
        if (id != IDOK) return false;  // IDCANCEL closes as cancelled
        ProxyListReading reading = parseProxyList(controlText(control(kProxyListText)));
        switch (reading.status) {
            case ProxyListStatus::ok:
                proxies_ = std::move(reading.proxies);
                close(IDOK);
                return true;
            case ProxyListStatus::invalidLines:
                messageBox(invalidLinesMessage(reading.invalidLines).c_str(), L"输入错误", MB_OK);
                break;
            case ProxyListStatus::noProxy:
                messageBox(L"没有输入代理IP，请每行输入一个 IP地址:端口。", L"输入错误", MB_OK);
                break;
        }
        if (hwnd_ != nullptr) SetFocus(control(kProxyListText));
        return true;
    }

private:
    std::vector<ProxyAddress> proxies_;
};

}  // namespace

void setProxyListForSelected(HWND owner, InstancePage& instances) {
    ProxyListDialog dialog;
    const std::vector<ProxyAddress> proxies = dialog.ask(owner);
    if (proxies.empty()) return;
    // The selection as it is at confirmation; row i of it takes line i.
    const std::vector<std::uint32_t> copies = instances.selectedCopies();
    for (std::size_t row = 0; row < copies.size(); ++row) {
        if (const std::optional<ProxyAddress> proxy = proxyForRow(row, proxies)) {
            instances.fleet().send(copies[row], Command::proxyOf(*proxy));
        }
    }
}

}  // namespace vuv::win
