// The panel's settings in "设置.ini": loaded at start-up, the path dialogs of
// the menu 设置 and the button "鹭行路径", the check at the first activation,
// and the save at exit; the check items of the menu 工具, each stored as
// soon as it is switched, and its dialog "启动设置…", stored when confirmed.
// A write of the file that fails is told once a run and logged every time.
#pragma once

#include "common/event_sink.h"
#include "common/routes_win.h"
#include "common/settings.h"

#include <functional>

namespace vuv::win {

class PanelSettings final {
public:
    // A write of "设置.ini" that fails, from here or from a dialog, is told
    // to the operator the first time in a run and written to events every
    // time.
    PanelSettings(HWND main, EventSink& events);
    ~PanelSettings();
    PanelSettings(const PanelSettings&) = delete;
    PanelSettings& operator=(const PanelSettings&) = delete;

    // The path items of the menu 设置, the button "鹭行路径", and the
    // options and "启动设置…" of the menu 工具.
    void registerIds(Routes& routes);

    [[nodiscard]] Settings& settings() noexcept { return settings_; }
    [[nodiscard]] const Settings& settings() const noexcept { return settings_; }

    // Start-up: the browser path, the designated browser path and the
    // options of the menu 工具 (their check marks set to match).
    void load();
    // Exit: the states of the WAP-mode and designated-browser check boxes.
    void save() const;
    // First activation: asks for the browser path when it names no file.
    void checkBrowserPath();

    // The path dialogs that change a setting; each stores its key on close.
    void chooseBrowserPath();
    void chooseDesignatedBrowser();
    void chooseDefaultConfig();

    // Switches a check item of the menu 工具 (kAutoReturnBookmarks,
    // kAutoSaveWorkspace, kAutoRestart): the setting, its key and its check
    // mark, then the handler. False for any other command.
    bool toggleOption(int command);
    // Sets a check item of the menu 工具 without calling the handler: an
    // option whose switching was refused goes back, its key with it.
    void setOption(int command, bool on);
    // Called after an option was switched, with its command.
    void setOptionHandler(std::function<void(int command)> handler) { onOption_ = std::move(handler); }

private:
    [[nodiscard]] bool* optionOf(int command) noexcept;
    void showOptionChecks() const;

    void writeFailed(const std::wstring& path);

    HWND main_;
    EventSink& events_;
    bool toldWriteFailure_ = false;
    Settings settings_;
    std::function<void(int)> onOption_;
};

}  // namespace vuv::win
