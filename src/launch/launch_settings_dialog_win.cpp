#include "launch/launch_settings_dialog_win.h"

#include "common/control_ids.h"
#include "common/modal_win.h"
#include "common/settings_file_win.h"
#include "common/texts.h"
#include "common/ui_win.h"
#include "launch/launch_policy.h"

#include <string>

namespace vuv::win {

namespace {

using namespace id::dialog;

// A field's number: blanks around it are forgiven, the rest is read as the
// settings file's value is.
int fieldNumber(std::string text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return 0;
    return settingNumber(text.substr(first));
}

class LaunchSettingsDialog final : public ModalWindow {
public:
    explicit LaunchSettingsDialog(Settings& settings) : settings_(settings) {}

    bool open(HWND owner) {
        return run(owner, L"启动设置", 330, 170,
                   {
                       {kMaxRunningLabel, Kind::Label, L"最多同时运行：", 0, 10, 14, 110, 20},
                       {kMaxRunningField, Kind::Edit, L"", ES_NUMBER, 124, 10, 70, 22},
                       {kJitterLabel, Kind::Label, L"随机间隔(毫秒)：", 0, 10, 46, 110, 20},
                       {kJitterField, Kind::Edit, L"", ES_NUMBER, 124, 42, 70, 22},
                       {kLaunchSettingsNote, Kind::Label,
                        L"0 为不限制；每次启动后暂停 启动间隔 ± 随机间隔 毫秒。", 0, 10, 76, 300, 36},
                       {IDOK, Kind::Button, L"确定", 0, 156, 106, 74, 24},
                       {IDCANCEL, Kind::Button, L"取消", 0, 236, 106, 74, 24},
                   }) == IDOK;
    }

protected:
    void onCreate() override {
        setControlText(control(kMaxRunningField), std::to_string(settings_.maxRunning));
        setControlText(control(kJitterField), std::to_string(settings_.jitterMs));
    }

    bool onCommand(int id, int) override {
        if (id != IDOK) return false;  // IDCANCEL closes as cancelled
        settings_.maxRunning = fieldNumber(controlText(control(kMaxRunningField)));
        settings_.jitterMs = fieldNumber(controlText(control(kJitterField)));
        writeSetting(text::kKeyMaxRunning, std::to_string(settings_.maxRunning));
        writeSetting(text::kKeyJitter, std::to_string(settings_.jitterMs));
        close(IDOK);
        return true;
    }

private:
    Settings& settings_;
};

}  // namespace

bool openLaunchSettings(HWND owner, Settings& settings) {
    LaunchSettingsDialog dialog(settings);
    return dialog.open(owner);
}

}  // namespace vuv::win
