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
    while (auto restart = copies.nextRestart(now, limit, kOn)) out.push_back(restart->command);
    return out;
}

std::optional<std::string> commandOf(const std::optional<Restart>& restart) {
    if (!restart) return std::nullopt;
    return restart->command;
}

TEST(StartedCopies, OnlyTheCopiesThePanelStartedCountAndEachEndIsSeenOnce) {
    StartedCopies copies;
    copies.started(10, "a", "a");
    copies.started(11, "b", "b");
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
    copies.started(7, "closed", "closed");
    EXPECT_TRUE(copies.closedByPanel(7));
    const EndedCopy ended = copies.ended(7, kOn, 0, 0);
    EXPECT_EQ(ended.end, CopyEnd::Closed);
    EXPECT_EQ(ended.command, "closed");
    EXPECT_TRUE(drain(copies, 1'000'000).empty());

    // A later process with the same id is a new copy, not a closed one.
    copies.started(7, "closed", "closed");
    EXPECT_EQ(copies.ended(7, kOn, 0, 5).end, CopyEnd::Restarting);
}

TEST(StartedCopies, ARestartComesWithTheSameCommandLineOnceItsDelayHasPassed) {
    StartedCopies copies;
    copies.started(1, "\"lxbr.exe\" http://a/  0000 \xBC\xD9 ", rowOrigin(1));
    EXPECT_EQ(copies.ended(1, kOn, 800, 10'000).end, CopyEnd::Restarting);
    EXPECT_EQ(copies.queuedRestarts(), 1u);
    EXPECT_TRUE(drain(copies, 10'799).empty());
    EXPECT_EQ(drain(copies, 10'800), (std::vector<std::string>{"\"lxbr.exe\" http://a/  0000 \xBC\xD9 "}));
    EXPECT_EQ(copies.queuedRestarts(), 0u);

    // A negative delay (an interval typed as "-5") is no delay.
    copies.started(2, "b", "b");
    EXPECT_EQ(copies.ended(2, kOn, -5, 20'000).end, CopyEnd::Restarting);
    EXPECT_EQ(drain(copies, 20'000), (std::vector<std::string>{"b"}));
}

TEST(StartedCopies, RestartsComeInDueOrderAndEqualTimesInTheOrderQueued) {
    StartedCopies copies;
    for (std::uint32_t id = 1; id <= 4; ++id) copies.started(id, "c" + std::to_string(id), rowOrigin(id));
    ASSERT_EQ(copies.ended(1, kOn, 1000, 0).end, CopyEnd::Restarting);   // due 1000
    ASSERT_EQ(copies.ended(2, kOn, 500, 100).end, CopyEnd::Restarting);  // due 600
    ASSERT_EQ(copies.ended(3, kOn, 400, 600).end, CopyEnd::Restarting);  // due 1000, after c1
    ASSERT_EQ(copies.ended(4, kOn, 0, 600).end, CopyEnd::Restarting);    // due 600, after c2
    EXPECT_EQ(drain(copies, 999), (std::vector<std::string>{"c2", "c4"}));
    EXPECT_EQ(drain(copies, 1000), (std::vector<std::string>{"c1", "c3"}));
}

TEST(StartedCopies, EachOriginRestartsAtMostThreeTimesAnHour) {
    constexpr std::int64_t kHour = RestartBudget::kRestartWindowMs;
    StartedCopies copies;
    std::uint32_t id = 100;
    // Crashes of one launch row, each restart crashing again; another row
    // keeps its own budget.
    const auto crash = [&](const std::string& command, std::int64_t at) {
        copies.started(++id, command, command);
        return copies.ended(id, kOn, 0, at).end;
    };
    EXPECT_EQ(crash("row", 0), CopyEnd::Restarting);
    EXPECT_EQ(crash("row", 1000), CopyEnd::Restarting);
    EXPECT_EQ(crash("row", 2000), CopyEnd::Restarting);
    const EndedCopy fourth = [&] {
        copies.started(++id, "row", "row");
        return copies.ended(id, kOn, 0, 3000);
    }();
    EXPECT_EQ(fourth.end, CopyEnd::Refused);
    EXPECT_EQ(fourth.command, "row");
    EXPECT_EQ(crash("other row", 3000), CopyEnd::Restarting);
    EXPECT_EQ(drain(copies, 3000).size(), 4u) << "three of row, one of other row; the refusal queues nothing";
    EXPECT_EQ(crash("row", kHour), CopyEnd::Restarting) << "the first restart left the window";
    // Ends with restarting off take nothing from the budget.
    copies.started(++id, "quiet", "quiet");
    EXPECT_EQ(copies.ended(id, kOff, 0, 0).end, CopyEnd::Left);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(crash("quiet", 1 + i), CopyEnd::Restarting);
}

TEST(StartedCopies, ADueRestartWaitsForASlotUnderTheLimit) {
    StartedCopies copies;
    copies.started(1, "x", "x");
    copies.started(2, "y", "y");
    copies.started(3, "z", "z");
    ASSERT_EQ(copies.ended(1, kOn, 0, 0).end, CopyEnd::Restarting);
    EXPECT_TRUE(drain(copies, 10, 2).empty()) << "two copies run: the limit of 2 is reached";
    EXPECT_EQ(copies.queuedRestarts(), 1u);
    ASSERT_EQ(copies.ended(2, kOn, 0, 20).end, CopyEnd::Restarting);
    // One slot free: the older restart takes it, the newer waits.
    ASSERT_EQ(commandOf(copies.nextRestart(20, 2, kOn)), std::optional<std::string>("x"));
    copies.started(4, "x", "x");
    EXPECT_FALSE(copies.nextRestart(20, 2, kOn));
    EXPECT_EQ(drain(copies, 20, kNoLimit), (std::vector<std::string>{"y"})) << "no limit: everything due";
}

TEST(StartedCopies, SwitchingRestartsOffDropsTheQueue) {
    StartedCopies copies;
    copies.started(1, "x", "x");
    ASSERT_EQ(copies.ended(1, kOn, 800, 0).end, CopyEnd::Restarting);
    EXPECT_FALSE(copies.nextRestart(10'000, kNoLimit, kOff));
    EXPECT_EQ(copies.queuedRestarts(), 0u);
    EXPECT_FALSE(copies.nextRestart(10'000, kNoLimit, kOn));
}

TEST(StartedCopies, DueTimesSaturateAtTheEndOfTheClock) {
    StartedCopies copies;
    copies.started(1, "x", "x");
    constexpr std::int64_t kLate = INT64_MAX - 10;
    ASSERT_EQ(copies.ended(1, kOn, 1000, kLate).end, CopyEnd::Restarting);
    EXPECT_FALSE(copies.nextRestart(kLate, kNoLimit, kOn));
    EXPECT_EQ(commandOf(copies.nextRestart(INT64_MAX, kNoLimit, kOn)), std::optional<std::string>("x"));
}

}  // namespace

namespace {

using namespace vuv;

// Crashes copy id started for origin at `at` and gives what follows.
CopyEnd crashOf(StartedCopies& copies, std::uint32_t id, const std::string& command, const std::string& origin,
                std::int64_t at) {
    copies.started(id, command, origin);
    return copies.ended(id, true, 0, at).end;
}

TEST(StartedCopies, TheBudgetBelongsToTheOriginNotToTheCommandLine) {
    const std::string page = "\"lxbr.exe\" http://same/  0000 \xBC\xD9 ";
    StartedCopies copies;
    // Two rows with one command line: each has three restarts of its own.
    std::uint32_t id = 0;
    int restarts = 0;
    for (int crash = 0; crash < 3; ++crash) {
        for (const std::uint64_t row : {1u, 2u}) {
            ++id;
            restarts += crashOf(copies, id, page, rowOrigin(row), 10 * id) == CopyEnd::Restarting ? 1 : 0;
        }
    }
    EXPECT_EQ(restarts, 6);
    EXPECT_EQ(crashOf(copies, ++id, page, rowOrigin(1), 100), CopyEnd::Refused);
    EXPECT_EQ(crashOf(copies, ++id, page, rowOrigin(2), 100), CopyEnd::Refused);

    // Two copies of one row (started by two walks) crashing twice each
    // share the row's budget: three restarts, then a refusal.
    std::vector<CopyEnd> shared;
    for (int crash = 0; crash < 2; ++crash) {
        for (int copy = 0; copy < 2; ++copy) {
            ++id;
            shared.push_back(crashOf(copies, id, page, rowOrigin(7), 200 + id));
        }
    }
    EXPECT_EQ(shared, (std::vector<CopyEnd>{CopyEnd::Restarting, CopyEnd::Restarting, CopyEnd::Restarting,
                                            CopyEnd::Refused}));

    // Every press of the bare start is an origin of its own, apart from the rows.
    EXPECT_NE(bareStartOrigin(1), bareStartOrigin(2));
    EXPECT_NE(bareStartOrigin(1), rowOrigin(1));
    for (int crash = 0; crash < 3; ++crash) {
        EXPECT_EQ(crashOf(copies, ++id, "\"lxbr.exe\"", bareStartOrigin(1), 300), CopyEnd::Restarting);
    }
    EXPECT_EQ(crashOf(copies, ++id, "\"lxbr.exe\"", bareStartOrigin(2), 300), CopyEnd::Restarting);
    EXPECT_EQ(crashOf(copies, ++id, "\"lxbr.exe\"", bareStartOrigin(1), 300), CopyEnd::Refused);
}

TEST(StartedCopies, ARestartCarriesTheOriginOfTheCopyItReplaces) {
    StartedCopies copies;
    copies.started(1, "cmd", rowOrigin(4));
    ASSERT_EQ(copies.ended(1, true, 0, 0).end, CopyEnd::Restarting);
    std::optional<Restart> restart = copies.nextRestart(0, 0, true);
    ASSERT_TRUE(restart);
    EXPECT_EQ(restart->command, "cmd");
    EXPECT_EQ(restart->origin, rowOrigin(4));
    // The restarted copy crashing again draws on the same budget.
    for (std::uint32_t id = 2; id <= 3; ++id) {
        copies.started(id, restart->command, restart->origin);
        ASSERT_EQ(copies.ended(id, true, 0, id).end, CopyEnd::Restarting);
        restart = copies.nextRestart(id, 0, true);
        ASSERT_TRUE(restart);
    }
    copies.started(4, restart->command, restart->origin);
    EXPECT_EQ(copies.ended(4, true, 0, 4).end, CopyEnd::Refused);
}

}  // namespace
