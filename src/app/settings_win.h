// The panel's settings in "设置.ini": loaded at start-up, the path dialogs of
// the menu 设置 and the button "鹭行路径", the check at the first activation,
// and the save at exit.
#pragma once

#include "common/page_win.h"
#include "common/settings.h"

namespace vuv::win {

class SettingsPage final : public Page {
public:
    explicit SettingsPage(HWND main) : main_(main) {}

    bool onCommand(int id, int notifyCode) override;

    [[nodiscard]] Settings& settings() noexcept { return settings_; }
    [[nodiscard]] const Settings& settings() const noexcept { return settings_; }

    // Start-up: the browser path and the designated browser path.
    void load();
    // Exit: the states of the WAP-mode and designated-browser check boxes.
    void save() const;
    // First activation: asks for the browser path when it names no file.
    void checkBrowserPath();

    // The path dialogs that change a setting; each stores its key on close.
    void chooseBrowserPath();
    void chooseDesignatedBrowser();
    void chooseDefaultConfig();

private:
    HWND main_;
    Settings settings_;
};

}  // namespace vuv::win
