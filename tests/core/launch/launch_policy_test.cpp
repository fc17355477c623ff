#include "launch/launch_policy.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <map>
#include <string>

namespace {

using namespace vuv;

TEST(LaunchPolicy, JitteredPauseStaysWithinTheIntervalPlusOrMinusJitter) {
    const double belowOne = std::nextafter(1.0, 0.0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        int interval, jitter;
        double unit;
        int expected;
    } cases[] = {
        {1000, 0, 0.7, 1000},         {1000, -5, 0.7, 1000},       {1000, 100, 0.0, 900},
        {1000, 100, 0.5, 1000},       {1000, 100, belowOne, 1100}, {50, 100, 0.0, 0},
        {-5, 0, 0.3, 0},              {-5, 10, belowOne, 10},      {1000, 100, 1.5, 1100},
        {1000, 100, -0.5, 900},       {1000, 100, nan, 900},       {INT_MAX, INT_MAX, belowOne, INT_MAX},
        {INT_MAX, INT_MAX, 0.0, 0},   {0, INT_MAX, belowOne, INT_MAX},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(jitteredPause(c.interval, c.jitter, c.unit), c.expected) << c.interval << " " << c.jitter << " " << c.unit;
    }
}

TEST(LaunchPolicy, JitteredPauseTakesEveryOffsetEquallyOften) {
    std::map<int, int> seen;
    for (int i = 0; i < 7000; ++i) ++seen[jitteredPause(1000, 3, (i + 0.5) / 7000)];
    EXPECT_EQ(seen, (std::map<int, int>{{997, 1000}, {998, 1000}, {999, 1000}, {1000, 1000},
                                        {1001, 1000}, {1002, 1000}, {1003, 1000}}));
}

TEST(LaunchPolicy, WaitsForASlotOnlyUnderAPositiveLimit) {
    const struct {
        std::size_t running;
        int limit;
        bool wait;
    } cases[] = {{0, 0, false}, {100, 0, false}, {100, -1, false}, {0, 1, false},
                 {1, 1, true},  {4, 5, false},   {5, 5, true},     {6, 5, true}};
    for (const auto& c : cases) EXPECT_EQ(mustWaitForSlot(c.running, c.limit), c.wait) << c.running << " " << c.limit;
}

TEST(LaunchPolicy, SettingNumberReadsLeadingDigitsWithinBounds) {
    const std::pair<std::optional<std::string>, int> cases[] = {
        {std::nullopt, 0},  {"", 0},         {"abc", 0},         {"-5", 0},
        {" 5", 0},          {"250", 250},    {"250ms", 250},     {"007", 7},
        {"86399999", 86399999},              {"86400000", kSettingNumberMax},
        {"86400001", kSettingNumberMax},     {"99999999999999999999999", kSettingNumberMax},
    };
    for (const auto& [value, expected] : cases) EXPECT_EQ(settingNumber(value), expected) << value.value_or("(none)");
}

TEST(LaunchPolicy, RestartBudgetAllowsThreePerSlidingHourAndKey) {
    constexpr std::int64_t kHour = RestartBudget::kRestartWindowMs;
    const struct {
        const char* key;
        std::int64_t now;
        bool allowed;
    } steps[] = {
        {"a", 0, true},           {"a", 1000, true},         {"a", 2000, true},
        {"a", 3000, false},       // refused: not recorded
        {"b", 3000, true},        // keys are independent
        {"a", kHour - 1, false},  {"a", kHour, true},        // the restart at 0 expired
        {"a", kHour + 500, false}, {"a", kHour + 1000, true},
        {"a", kHour + 2000, true},   // would be refused had the refusal at 3000 counted
        {"a", kHour + 2001, false},
        {"a", 0, false},             // a clock that went back keeps recorded restarts counting
    };
    RestartBudget budget;
    for (const auto& s : steps) EXPECT_EQ(budget.tryTake(s.key, s.now), s.allowed) << s.key << " at " << s.now;
}

TEST(LaunchPolicy, RestartBudgetForgetsExpiredKeys) {
    constexpr std::int64_t kHour = RestartBudget::kRestartWindowMs;
    RestartBudget budget;
    for (int i = 0; i < 1000; ++i) EXPECT_TRUE(budget.tryTake("copy " + std::to_string(i), i));
    EXPECT_EQ(budget.trackedKeys(), 1000u);
    EXPECT_TRUE(budget.tryTake("late", kHour + 999));
    EXPECT_EQ(budget.trackedKeys(), 1u);
    // Keys far apart in time never pile up.
    for (std::int64_t hour = 2; hour < 500; ++hour) EXPECT_TRUE(budget.tryTake("k" + std::to_string(hour), hour * kHour));
    EXPECT_LE(budget.trackedKeys(), 2u);
    EXPECT_TRUE(budget.tryTake("x", INT64_MAX));
    EXPECT_TRUE(budget.tryTake("x", INT64_MIN));
}

}  // namespace

namespace {

using namespace vuv;

TEST(StartPacing, RestartsComeOneAtATimeThePauseAfterTheCopyBeforeIsReady) {
    StartPacing pacing;
    EXPECT_TRUE(pacing.restartMayStart(0)) << "nothing started yet";
    EXPECT_EQ(pacing.walkWaitMs(0), 0);

    // A restart at 1000, its copy ready at 1150, pause 300: the next at 1450.
    pacing.restarted(1000, 300);
    EXPECT_TRUE(pacing.awaitingReady(1000));
    EXPECT_FALSE(pacing.restartMayStart(1000));
    EXPECT_FALSE(pacing.restartMayStart(1400)) << "not yet ready: the pause has not begun";
    pacing.ready(1150);
    EXPECT_FALSE(pacing.awaitingReady(1150));
    EXPECT_FALSE(pacing.restartMayStart(1449));
    EXPECT_TRUE(pacing.restartMayStart(1450));
    pacing.ready(1400);  // seen again later: the first sighting stands
    EXPECT_TRUE(pacing.restartMayStart(1450));

    // A copy never seen ready is waited for 1000 ms at most.
    pacing.restarted(2000, 300);
    EXPECT_TRUE(pacing.awaitingReady(2999));
    EXPECT_FALSE(pacing.awaitingReady(3000));
    EXPECT_FALSE(pacing.restartMayStart(3299));
    EXPECT_TRUE(pacing.restartMayStart(3300));
    pacing.restarted(4000, 0);
    pacing.ready(9000);  // late sighting: counts as the longest wait
    EXPECT_TRUE(pacing.restartMayStart(5000));

    // A negative pause (an interval typed as "-5") is none.
    pacing.restarted(6000, -5);
    pacing.ready(6010);
    EXPECT_TRUE(pacing.restartMayStart(6010));
}

TEST(StartPacing, AWalkAndTheRestartsKeepThePauseBetweenThemWhileAWalkKeepsItsOwn) {
    StartPacing pacing;
    // A walk's start (its copy ready at 100) with its pause of 800: no
    // restart before 900, and the walk itself is never held by its own start.
    pacing.walkStarted(100, 800);
    EXPECT_FALSE(pacing.awaitingReady(100));
    EXPECT_FALSE(pacing.restartMayStart(899));
    EXPECT_TRUE(pacing.restartMayStart(900));
    EXPECT_EQ(pacing.walkWaitMs(100), 0);
    EXPECT_EQ(pacing.walkWaitMs(900), 0);

    // A restart taken at 900 in the walk's pause: the walk waits for that
    // copy and the pause after it.
    pacing.restarted(900, 800);
    EXPECT_EQ(pacing.walkWaitMs(900), 1800) << "at most the longest wait for the copy, then the pause";
    pacing.ready(1000);
    EXPECT_EQ(pacing.walkWaitMs(1000), 800);
    EXPECT_EQ(pacing.walkWaitMs(1750), 50);
    EXPECT_EQ(pacing.walkWaitMs(1800), 0);
    EXPECT_EQ(pacing.walkWaitMs(5000), 0);
    // The walk's next start is again its own.
    pacing.walkStarted(1900, 800);
    EXPECT_EQ(pacing.walkWaitMs(1900), 0);
    EXPECT_FALSE(pacing.restartMayStart(2699));
}

}  // namespace
