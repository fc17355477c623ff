#include "app/settings_win.h"

#include "common/control_ids.h"
#include "common/encoding_win.h"
#include "common/files_win.h"
#include "common/path_dialog_win.h"
#include "common/settings_file_win.h"
#include "common/texts.h"
#include "common/ui_win.h"

namespace vuv::win {

bool SettingsPage::onCommand(int id, int) {
    switch (id) {
        case id::kSetDefaultConfig: chooseDefaultConfig(); return true;
        case id::kSetBrowserPath:
        case id::kBrowserPathButton: chooseBrowserPath(); return true;
        case id::kSetDesignatedPath: chooseDesignatedBrowser(); return true;
        default: return false;
    }
}

void SettingsPage::load() {
    settings_.browserPath = readSetting(text::kKeyBrowserPath);
    settings_.designatedPath = readSetting(text::kKeyDesignated);
}

void SettingsPage::save() const {
    auto checked = [this](int id) { return SendMessageW(GetDlgItem(main_, id), BM_GETCHECK, 0, 0) == BST_CHECKED; };
    writeFlagSetting(text::kKeyWapMode, checked(id::kWapBox));
    // The designated-browser check box is kept under a key of its own; the
    // key "指定浏览器" keeps the designated browser's path.
    writeFlagSetting(text::kKeyDesignatedMode, checked(id::kDesignatedBox));
}

void SettingsPage::checkBrowserPath() {
    if (pathExists(widen(settings_.browserPath))) return;
    messageBox(L"未设置正确鹭行路径请设置\r\n否则将无法使用批量启动功能", L"提醒", MB_OK);
    chooseBrowserPath();
}

// Each dialog starts from what the file holds now, or from the setting in use
// when the file has no such key.
void SettingsPage::chooseBrowserPath() {
    PathTask task;
    task.title = L"设置鹭行的路径";
    task.kind = PathKind::Browser;
    task.initialText = storedSetting(text::kKeyBrowserPath).value_or(settings_.browserPath);
    task.settingsKey = text::kKeyBrowserPath;
    task.onConfirm = [this](const std::string& path) { settings_.browserPath = path; };
    openPathDialog(main_, task);
}

void SettingsPage::chooseDesignatedBrowser() {
    PathTask task;
    task.title = L"设置批量启动指定浏览器的路径";
    task.kind = PathKind::Executable;
    task.initialText = storedSetting(text::kKeyDesignated).value_or(settings_.designatedPath);
    task.settingsKey = text::kKeyDesignated;
    task.onConfirm = [this](const std::string& path) { settings_.designatedPath = path; };
    openPathDialog(main_, task);
}

void SettingsPage::chooseDefaultConfig() {
    PathTask task;
    task.title = L"选择需要设置的默认配置";
    task.kind = PathKind::Configuration;
    task.initialText = readSetting(text::kKeyDefaultConfig);
    task.settingsKey = text::kKeyDefaultConfig;
    task.onConfirm = [this](const std::string& path) { settings_.defaultConfigPath = path; };
    openPathDialog(main_, task);
}

}  // namespace vuv::win
