#include "bookmarks/shared_queue_dialog_win.h"

#include "common/control_ids.h"
#include "common/encoding_win.h"
#include "common/modal_win.h"
#include "common/settings_file_win.h"
#include "common/texts.h"
#include "common/ui_win.h"

#include <string>

namespace vuv::win {

namespace {

using namespace id::dialog;

std::string trimmed(std::string text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

// A number in the leading digits of text; fallback when there are none.
long long numberOr(const std::string& text, long long fallback) {
    const std::string t = trimmed(text);
    long long n = 0;
    std::size_t digits = 0;
    while (digits < t.size() && digits < 12 && t[digits] >= '0' && t[digits] <= '9') n = n * 10 + (t[digits++] - '0');
    return digits == 0 ? fallback : n;
}

std::string computerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size)) return {};
    return narrow(std::wstring_view(name, size));
}

class SharedQueueDialog final : public ModalWindow {
public:
    explicit SharedQueueDialog(SharedQueueSettings& settings) : settings_(settings) {}

    bool open(HWND owner) {
        return run(owner, L"共享队列", 420, 290,
                   {
                       {kQueueOn, Kind::CheckBox, L"启用", 0, 10, 10, 120, 20},
                       {kQueueServerLabel, Kind::Label, L"服务器：", 0, 10, 42, 90, 20},
                       {kQueueServer, Kind::Edit, L"", 0, 104, 38, 290, 22},
                       {kQueueNameLabel, Kind::Label, L"队列：", 0, 10, 72, 90, 20},
                       {kQueueName, Kind::Edit, L"", 0, 104, 68, 290, 22},
                       {kQueueGroupLabel, Kind::Label, L"组：", 0, 10, 102, 90, 20},
                       {kQueueGroup, Kind::Edit, L"", 0, 104, 98, 290, 22},
                       {kQueueMemberLabel, Kind::Label, L"成员：", 0, 10, 132, 90, 20},
                       {kQueueMember, Kind::Edit, L"", 0, 104, 128, 290, 22},
                       {kQueueLeaseLabel, Kind::Label, L"租期(秒)：", 0, 10, 162, 90, 20},
                       {kQueueLease, Kind::Edit, L"", ES_NUMBER, 104, 158, 80, 22},
                       {kQueueMaxLabel, Kind::Label, L"最多投递：", 0, 200, 162, 90, 20},
                       {kQueueMax, Kind::Edit, L"", ES_NUMBER, 294, 158, 60, 22},
                       {IDOK, Kind::Button, L"确定", 0, 236, 220, 74, 24},
                       {IDCANCEL, Kind::Button, L"取消", 0, 320, 220, 74, 24},
                   }) == IDOK;
    }

protected:
    void onCreate() override {
        SendMessageW(control(kQueueOn), BM_SETCHECK, settings_.on ? BST_CHECKED : BST_UNCHECKED, 0);
        setControlText(control(kQueueServer), settings_.server);
        setControlText(control(kQueueName), settings_.queue);
        setControlText(control(kQueueGroup), settings_.group);
        setControlText(control(kQueueMember), settings_.member.empty() ? computerName() : settings_.member);
        setControlText(control(kQueueLease), std::to_string(settings_.leaseSeconds));
        setControlText(control(kQueueMax), std::to_string(settings_.maxDeliveries));
    }

    bool onCommand(int id, int) override {
        if (id != IDOK) return false;  // IDCANCEL closes as cancelled
        SharedQueueSettings s = settings_;
        s.on = SendMessageW(control(kQueueOn), BM_GETCHECK, 0, 0) == BST_CHECKED;
        s.server = trimmed(controlText(control(kQueueServer)));
        if (!parseServerAddress(s.server)) {
            messageBox(L"服务器地址应为 redis://[:密码@]主机[:端口][/库号]。", L"共享队列", MB_OK);
            return true;
        }
        const std::string queue = trimmed(controlText(control(kQueueName)));
        const std::string group = trimmed(controlText(control(kQueueGroup)));
        s.queue = queue.empty() ? SharedQueueSettings{}.queue : queue;
        s.group = group.empty() ? SharedQueueSettings{}.group : group;
        s.member = trimmed(controlText(control(kQueueMember)));
        s.leaseSeconds = clampLeaseSeconds(numberOr(controlText(control(kQueueLease)), 300));
        s.maxDeliveries = clampMaxDeliveries(numberOr(controlText(control(kQueueMax)), 5));
        settings_ = s;
        saveSharedQueueSettings(settings_);
        close(IDOK);
        return true;
    }

private:
    SharedQueueSettings& settings_;
};

}  // namespace

SharedQueueSettings loadSharedQueueSettings() {
    SharedQueueSettings s;
    s.on = readFlagSetting(text::kKeyQueueOn);
    const auto textOr = [](std::string_view key, const std::string& fallback) {
        const std::string value = trimmed(readSetting(key));
        return value.empty() ? fallback : value;
    };
    s.server = textOr(text::kKeyQueueServer, s.server);
    s.queue = textOr(text::kKeyQueueName, s.queue);
    s.group = textOr(text::kKeyQueueGroup, s.group);
    s.member = textOr(text::kKeyQueueMember, s.member);
    s.leaseSeconds = clampLeaseSeconds(numberOr(readSetting(text::kKeyQueueLease), s.leaseSeconds));
    s.maxDeliveries = clampMaxDeliveries(numberOr(readSetting(text::kKeyQueueMaxDeliveries), s.maxDeliveries));
    return s;
}

void saveSharedQueueSettings(const SharedQueueSettings& s) {
    writeFlagSetting(text::kKeyQueueOn, s.on);
    writeSetting(text::kKeyQueueServer, s.server);
    writeSetting(text::kKeyQueueName, s.queue);
    writeSetting(text::kKeyQueueGroup, s.group);
    writeSetting(text::kKeyQueueMember, s.member);
    writeSetting(text::kKeyQueueLease, std::to_string(s.leaseSeconds));
    writeSetting(text::kKeyQueueMaxDeliveries, std::to_string(s.maxDeliveries));
}

bool openSharedQueueSettings(HWND owner, SharedQueueSettings& settings) {
    SharedQueueDialog dialog(settings);
    return dialog.open(owner);
}

}  // namespace vuv::win
