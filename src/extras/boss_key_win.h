// The boss key: one key, polled every 50 ms on the main window's timer, that
// hides the panel and every listed browser and on the next press shows them
// again. Set in the dialog "设置老板键" (menu item "超级老板键").
#pragma once

#include "common/routes_win.h"
#include "extras/boss_key.h"

#include <optional>
#include <string>
#include <string_view>

namespace vuv::win {

class Fleet;

class BossKey final {
public:
    BossKey(HWND main, Fleet& fleet) : main_(main), fleet_(fleet) {}
    // The item "超级老板键" and the key's poll timer.
    void registerIds(Routes& routes);

    // A key-down in the dialog's capture box; returns what the box shows now,
    // or nothing when the box is left as it is (Shift, Ctrl, Alt).
    [[nodiscard]] std::optional<std::string> capture(int keyCode);
    // The dialog's 确定: the captured key becomes the active one; a non-empty
    // box arms the timer, an empty one switches the boss key off.
    void apply(bool boxEmpty);

private:
    void openDialog();
    void onTick();

    HWND main_;
    Fleet& fleet_;
    int capturedKey_ = 0;  // kept between openings, as the box is not
    int activeKey_ = 0;
    BossKeyPoller poller_;
};

}  // namespace vuv::win
