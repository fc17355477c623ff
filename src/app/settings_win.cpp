#include "app/settings_win.h"

#include "common/control_ids.h"
#include "common/encoding_win.h"
#include "common/files_win.h"
#include "common/path_dialog_win.h"
#include "common/settings_file_win.h"
#include "common/tell_operator_win.h"
#include "common/texts.h"
#include "common/ui_win.h"
#include "launch/launch_policy.h"
#include "launch/launch_settings_dialog_win.h"

#include <utility>

namespace vuv::win {

PanelSettings::PanelSettings(HWND main, EventSink& events) : main_(main), events_(events) {
    setSettingsWriteFailureHandler([this](const std::wstring& path) { writeFailed(path); });
}

PanelSettings::~PanelSettings() { setSettingsWriteFailureHandler(nullptr); }

void PanelSettings::writeFailed(const std::wstring& path) {
    // Once a run is enough: the exit writes two keys, and a file that
    // cannot be written now will not be written at the next switch either.
    if (toldWriteFailure_) {
        logFailure(events_, L"设置保存失败", path);
        return;
    }
    toldWriteFailure_ = true;
    tellOperator(events_, L"设置保存失败", path);
}

void PanelSettings::registerIds(Routes& routes) {
    constexpr char kOwner[] = "settings";
    routes.commands.claim(id::kSetDefaultConfig, kOwner, [this](int) { chooseDefaultConfig(); });
    routes.commands.claim(id::kSetBrowserPath, kOwner, [this](int) { chooseBrowserPath(); });
    routes.commands.claim(id::kBrowserPathButton, kOwner, [this](int) { chooseBrowserPath(); });
    routes.commands.claim(id::kSetDesignatedPath, kOwner, [this](int) { chooseDesignatedBrowser(); });
    routes.commands.claim(id::kLaunchSettings, kOwner, [this](int) { openLaunchSettings(main_, settings_); });
    for (const int option : {id::kAutoReturnBookmarks, id::kAutoSaveWorkspace, id::kAutoRestart}) {
        routes.commands.claim(option, kOwner, [this, option](int) { toggleOption(option); });
    }
}

void PanelSettings::load() {
    settings_.browserPath = readSetting(text::kKeyBrowserPath);
    settings_.designatedPath = readSetting(text::kKeyDesignated);
    settings_.autoReturnBookmarks = readFlagSetting(text::kKeyAutoReturn);
    settings_.autoSaveWorkspace = readFlagSetting(text::kKeyAutoSave);
    settings_.autoRestart = readFlagSetting(text::kKeyAutoRestart);
    settings_.maxRunning = settingNumber(storedSetting(text::kKeyMaxRunning));
    settings_.jitterMs = settingNumber(storedSetting(text::kKeyJitter));
    showOptionChecks();
}

bool* PanelSettings::optionOf(int command) noexcept {
    switch (command) {
        case id::kAutoReturnBookmarks: return &settings_.autoReturnBookmarks;
        case id::kAutoSaveWorkspace: return &settings_.autoSaveWorkspace;
        case id::kAutoRestart: return &settings_.autoRestart;
        default: return nullptr;
    }
}

void PanelSettings::showOptionChecks() const {
    const HMENU menu = GetMenu(main_);
    const std::pair<int, bool> options[] = {{id::kAutoReturnBookmarks, settings_.autoReturnBookmarks},
                                            {id::kAutoSaveWorkspace, settings_.autoSaveWorkspace},
                                            {id::kAutoRestart, settings_.autoRestart}};
    for (const auto& [command, on] : options) {
        CheckMenuItem(menu, static_cast<UINT>(command), MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
    }
}

bool PanelSettings::toggleOption(int command) {
    bool* option = optionOf(command);
    if (option == nullptr) return false;
    setOption(command, !*option);
    if (onOption_) onOption_(command);
    return true;
}

void PanelSettings::setOption(int command, bool on) {
    bool* option = optionOf(command);
    if (option == nullptr) return;
    *option = on;
    std::string_view key = text::kKeyAutoRestart;
    if (command == id::kAutoReturnBookmarks) key = text::kKeyAutoReturn;
    if (command == id::kAutoSaveWorkspace) key = text::kKeyAutoSave;
    writeFlagSetting(key, *option);
    showOptionChecks();
}

void PanelSettings::save() const {
    auto checked = [this](int id) { return SendMessageW(GetDlgItem(main_, id), BM_GETCHECK, 0, 0) == BST_CHECKED; };
    writeFlagSetting(text::kKeyWapMode, checked(id::kWapBox));
    // The designated-browser check box is kept under a key of its own; the
    // key "指定浏览器" keeps the designated browser's path.
    writeFlagSetting(text::kKeyDesignatedMode, checked(id::kDesignatedBox));
}

void PanelSettings::checkBrowserPath() {
    if (pathExists(widen(settings_.browserPath))) return;
    messageBox(L"未设置正确鹭行路径请设置\r\n否则将无法使用批量启动功能", L"提醒", MB_OK);
    chooseBrowserPath();
}

// Each dialog starts from what the file holds now, or from the setting in use
// when the file has no such key.
void PanelSettings::chooseBrowserPath() {
    PathTask task;
    task.title = L"设置鹭行的路径";
    task.kind = PathKind::Browser;
    task.initialText = storedSetting(text::kKeyBrowserPath).value_or(settings_.browserPath);
    task.settingsKey = text::kKeyBrowserPath;
    task.onConfirm = [this](const std::string& path) { settings_.browserPath = path; };
    openPathDialog(main_, task);
}

void PanelSettings::chooseDesignatedBrowser() {
    PathTask task;
    task.title = L"设置批量启动指定浏览器的路径";
    task.kind = PathKind::Executable;
    task.initialText = storedSetting(text::kKeyDesignated).value_or(settings_.designatedPath);
    task.settingsKey = text::kKeyDesignated;
    task.onConfirm = [this](const std::string& path) { settings_.designatedPath = path; };
    openPathDialog(main_, task);
}

void PanelSettings::chooseDefaultConfig() {
    PathTask task;
    task.title = L"选择需要设置的默认配置";
    task.kind = PathKind::Configuration;
    task.initialText = readSetting(text::kKeyDefaultConfig);
    task.settingsKey = text::kKeyDefaultConfig;
    task.onConfirm = [this](const std::string& path) { settings_.defaultConfigPath = path; };
    openPathDialog(main_, task);
}

}  // namespace vuv::win
