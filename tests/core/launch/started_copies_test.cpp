#include "launch/started_copies.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace vuv;

constexpr bool kOn = true, kOff = false;
constexpr int kNoLimit = 0;

// Every restart that may start at now under limit, in order.
std::vector<std::string> drain(StartedCopies& copies, std::int64_t now, int limit = kNoLimit) {
    std::vector<std::string> out;
    while (auto command = copies.nextRestart(now, limit, kOn)) out.push_back(*command);
    return out;
}

TEST(StartedCopies, OnlyTheCopiesThePanelStartedCountAndEachEndIsSeenOnce) {
    StartedCopies copies;
    copies.started(10, "a");
    copies.started(11, "b");
    EXPECT_EQ(copies.running(), 2u);
    EXPECT_FALSE(copies.closedByPanel(99)) << "not started here: nothing kept";
    EXPECT_EQ(copies.ended(99, kOn, 0, 0).end, CopyEnd::Unknown);
    EXPECT_EQ(copies.running(), 2u);

    const EndedCopy first = copies.ended(10, kOff, 0, 0);
    EXPECT_EQ(first.end, CopyEnd::Left);
    EXPECT_EQ(first.command, "a");
    EXPECT_EQ(copies.ended(10, kOn, 0, 0).end, CopyEnd::Unknown) << "an end is taken once";
    EXPECT_EQ(copies.running(), 1u);
    EXPECT_EQ(copies.queuedRestarts(), 0u);
}

TEST(StartedCopies, ACopyThePanelClosedStaysGoneAndTheMarkDiesWithIt) {
    StartedCopies copies;
    copies.started(7, "closed");
    EXPECT_TRUE(copies.closedByPanel(7));
    const EndedCopy ended = copies.ended(7, kOn, 0, 0);
    EXPECT_EQ(ended.end, CopyEnd::Closed);
    EXPECT_EQ(ended.command, "closed");
    EXPECT_TRUE(drain(copies, 1'000'000).empty());

    // A later process with the same id is a new copy, not a closed one.
    copies.started(7, "closed");
    EXPECT_EQ(copies.ended(7, kOn, 0, 5).end, CopyEnd::Restarting);
}

TEST(StartedCopies, ARestartComesWithTheSameCommandLineOnceItsDelayHasPassed) {
    StartedCopies copies;
    copies.started(1, "\"lxbr.exe\" http://a/  0000 \xBC\xD9 ");
    EXPECT_EQ(copies.ended(1, kOn, 800, 10'000).end, CopyEnd::Restarting);
    EXPECT_EQ(copies.queuedRestarts(), 1u);
    EXPECT_TRUE(drain(copies, 10'799).empty());
    EXPECT_EQ(drain(copies, 10'800), (std::vector<std::string>{"\"lxbr.exe\" http://a/  0000 \xBC\xD9 "}));
    EXPECT_EQ(copies.queuedRestarts(), 0u);

    // A negative delay (an interval typed as "-5") is no delay.
    copies.started(2, "b");
    EXPECT_EQ(copies.ended(2, kOn, -5, 20'000).end, CopyEnd::Restarting);
    EXPECT_EQ(drain(copies, 20'000), (std::vector<std::string>{"b"}));
}

TEST(StartedCopies, RestartsComeInDueOrderAndEqualTimesInTheOrderQueued) {
    StartedCopies copies;
    for (std::uint32_t id = 1; id <= 4; ++id) copies.started(id, "c" + std::to_string(id));
    ASSERT_EQ(copies.ended(1, kOn, 1000, 0).end, CopyEnd::Restarting);   // due 1000
    ASSERT_EQ(copies.ended(2, kOn, 500, 100).end, CopyEnd::Restarting);  // due 600
    ASSERT_EQ(copies.ended(3, kOn, 400, 600).end, CopyEnd::Restarting);  // due 1000, after c1
    ASSERT_EQ(copies.ended(4, kOn, 0, 600).end, CopyEnd::Restarting);    // due 600, after c2
    EXPECT_EQ(drain(copies, 999), (std::vector<std::string>{"c2", "c4"}));
    EXPECT_EQ(drain(copies, 1000), (std::vector<std::string>{"c1", "c3"}));
}

TEST(StartedCopies, EachCommandLineRestartsAtMostThreeTimesAnHour) {
    constexpr std::int64_t kHour = RestartBudget::kRestartWindowMs;
    StartedCopies copies;
    std::uint32_t id = 100;
    // Crashes of one launch row, each restart crashing again; another row
    // keeps its own budget.
    const auto crash = [&](const std::string& command, std::int64_t at) {
        copies.started(++id, command);
        return copies.ended(id, kOn, 0, at).end;
    };
    EXPECT_EQ(crash("row", 0), CopyEnd::Restarting);
    EXPECT_EQ(crash("row", 1000), CopyEnd::Restarting);
    EXPECT_EQ(crash("row", 2000), CopyEnd::Restarting);
    const EndedCopy fourth = [&] {
        copies.started(++id, "row");
        return copies.ended(id, kOn, 0, 3000);
    }();
    EXPECT_EQ(fourth.end, CopyEnd::Refused);
    EXPECT_EQ(fourth.command, "row");
    EXPECT_EQ(crash("other row", 3000), CopyEnd::Restarting);
    EXPECT_EQ(drain(copies, 3000).size(), 4u) << "three of row, one of other row; the refusal queues nothing";
    EXPECT_EQ(crash("row", kHour), CopyEnd::Restarting) << "the first restart left the window";
    // Ends with restarting off take nothing from the budget.
    copies.started(++id, "quiet");
    EXPECT_EQ(copies.ended(id, kOff, 0, 0).end, CopyEnd::Left);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(crash("quiet", 1 + i), CopyEnd::Restarting);
}

TEST(StartedCopies, ADueRestartWaitsForASlotUnderTheLimit) {
    StartedCopies copies;
    copies.started(1, "x");
    copies.started(2, "y");
    copies.started(3, "z");
    ASSERT_EQ(copies.ended(1, kOn, 0, 0).end, CopyEnd::Restarting);
    EXPECT_TRUE(drain(copies, 10, 2).empty()) << "two copies run: the limit of 2 is reached";
    EXPECT_EQ(copies.queuedRestarts(), 1u);
    ASSERT_EQ(copies.ended(2, kOn, 0, 20).end, CopyEnd::Restarting);
    // One slot free: the older restart takes it, the newer waits.
    ASSERT_EQ(copies.nextRestart(20, 2, kOn), std::optional<std::string>("x"));
    copies.started(4, "x");
    EXPECT_EQ(copies.nextRestart(20, 2, kOn), std::nullopt);
    EXPECT_EQ(drain(copies, 20, kNoLimit), (std::vector<std::string>{"y"})) << "no limit: everything due";
}

TEST(StartedCopies, SwitchingRestartsOffDropsTheQueue) {
    StartedCopies copies;
    copies.started(1, "x");
    ASSERT_EQ(copies.ended(1, kOn, 800, 0).end, CopyEnd::Restarting);
    EXPECT_EQ(copies.nextRestart(10'000, kNoLimit, kOff), std::nullopt);
    EXPECT_EQ(copies.queuedRestarts(), 0u);
    EXPECT_EQ(copies.nextRestart(10'000, kNoLimit, kOn), std::nullopt);
}

TEST(StartedCopies, DueTimesSaturateAtTheEndOfTheClock) {
    StartedCopies copies;
    copies.started(1, "x");
    constexpr std::int64_t kLate = INT64_MAX - 10;
    ASSERT_EQ(copies.ended(1, kOn, 1000, kLate).end, CopyEnd::Restarting);
    EXPECT_EQ(copies.nextRestart(kLate, kNoLimit, kOn), std::nullopt);
    EXPECT_EQ(copies.nextRestart(INT64_MAX, kNoLimit, kOn), std::optional<std::string>("x"));
}

}  // namespace
