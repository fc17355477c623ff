// The boss key in one process, tick by tick: the test delivers the poll
// timer's ticks itself and sets the key's state with SendInput, waiting until
// GetAsyncKeyState (what a tick reads) shows it, so every tick sees a known
// state and no tick comes unseen.
#include "extras/boss_key_win.h"

#include "common/control_ids.h"
#include "e2e/harness.h"
#include "link/instance_page_win.h"
#include "win/event_recorder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vuv::win {
namespace {

constexpr WORD kKey = VK_F8;


class BossKeyTicks : public ::testing::Test {
protected:
    void SetUp() override {
        const HINSTANCE module = GetModuleHandleW(nullptr);
        main_ = CreateWindowExW(0, L"STATIC", L"main", WS_POPUP | WS_VISIBLE, 0, 0, 80, 40, nullptr, nullptr, module,
                                nullptr);
        // Wine keeps the desktop's key state only for input a window takes;
        // this one keeps the keyboard while the main window hides.
        keyTaker_ = CreateWindowExW(0, L"STATIC", L"keys", WS_POPUP | WS_VISIBLE, 100, 0, 40, 40, nullptr, nullptr,
                                    module, nullptr);
        ASSERT_NE(main_, nullptr);
        ASSERT_NE(keyTaker_, nullptr);
        SetForegroundWindow(keyTaker_);
        ASSERT_TRUE(e2e::waitUntil([&] { return GetForegroundWindow() == keyTaker_; }));
        fleet_ = std::make_unique<Fleet>(events_);  // no scan: no browser is listed
        bossKey_ = std::make_unique<BossKey>(main_, *fleet_);
        bossKey_->registerIds(routes_);
        setKey(false);
    }
    void TearDown() override {
        setKey(false);
        bossKey_.reset();
        fleet_.reset();
        DestroyWindow(keyTaker_);
        DestroyWindow(main_);
    }

    // When a window of this process gets the X focus, Wine lines its key
    // state up with the X server's, where an injected key is not down; that
    // happens while messages are handled. So the state counts once it holds
    // after the pending messages, and the key is sent again until it does.
    void setKey(bool down) {
        const auto shown = [&] { return ((GetAsyncKeyState(kKey) & 0x8000) != 0) == down; };
        const auto settled = [&] {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            return shown();
        };
        bool ok = settled();
        for (int attempt = 0; attempt < 20 && !ok; ++attempt) {
            if (GetForegroundWindow() != keyTaker_) SetForegroundWindow(keyTaker_);
            e2e::sendKey(kKey, down);
            static_cast<void>(e2e::waitUntil(shown, e2e::Ms{500}));
            ok = settled();
        }
        ASSERT_TRUE(ok) << "the desktop never showed the key " << (down ? "down" : "up");
    }

    // One tick of the poll timer, as the main window would hand it on.
    void tick() {
        const auto* poll = routes_.timers.find(id::kBossKeyTimer);
        ASSERT_NE(poll, nullptr);
        (*poll)();
    }

    // Arms kKey as if typed into the dialog's box and confirmed.
    void arm() {
        ASSERT_EQ(bossKey_->capture(kKey), std::optional<std::string>("F8"));
        bossKey_->apply(false);
    }

    // The timer's state without changing it for long: KillTimer says whether it ran.
    bool timerRunning() {
        const bool running = KillTimer(main_, static_cast<UINT_PTR>(id::kBossKeyTimer)) != FALSE;
        if (running) SetTimer(main_, static_cast<UINT_PTR>(id::kBossKeyTimer), 50, nullptr);
        return running;
    }

    bool visible() const { return IsWindowVisible(main_) != FALSE; }

    HWND main_ = nullptr;
    HWND keyTaker_ = nullptr;
    EventRecorder events_;
    std::unique_ptr<Fleet> fleet_;
    std::unique_ptr<BossKey> bossKey_;
    Routes routes_;  // what the boss key claimed
};

// Key state at each tick, and whether the main window shows after it.
struct Step {
    bool down;
    bool visibleAfter;
};

TEST_F(BossKeyTicks, EachPressTogglesOnceHoldingDoesNotAndTheFirstTickOnlyLooks) {
    setKey(true);
    arm();  // armed while held: no press
    ASSERT_TRUE(timerRunning());
    const std::vector<Step> steps{
        {true, true},  {true, true},   {false, true},  {true, false}, {true, false}, {true, false},
        {false, false}, {false, false}, {true, true},  {true, true},  {false, true},
    };
    for (std::size_t i = 0; i < steps.size(); ++i) {
        setKey(steps[i].down);
        tick();
        EXPECT_EQ(visible(), steps[i].visibleAfter) << "tick " << i;
    }
    // Armed again while held, after a tick saw the key up: still no press.
    setKey(false);
    tick();
    setKey(true);
    arm();
    tick();
    EXPECT_TRUE(visible());
}

TEST_F(BossKeyTicks, AnEmptyBoxStopsThePollAndAKeyTypedButNotConfirmedIsNotPolled) {
    arm();
    ASSERT_TRUE(timerRunning());
    // Confirmed empty: the poll stops, whatever key was captured before.
    bossKey_->apply(true);
    EXPECT_FALSE(timerRunning());

    // Typed but not confirmed: the active key stays the confirmed one.
    arm();
    tick();  // the first tick after arming only looks
    ASSERT_EQ(bossKey_->capture('Q'), std::optional<std::string>("Q"));
    setKey(true);
    tick();
    EXPECT_FALSE(visible()) << "F8 is still the boss key until the box is confirmed";
}

}  // namespace
}  // namespace vuv::win
