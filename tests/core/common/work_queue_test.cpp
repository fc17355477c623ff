#include "common/work_queue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using namespace vuv;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Runs step on this thread until done() holds or 10 s have passed.
bool spinUntil(const std::function<bool()>& done,
               const std::function<void()>& step = [] { std::this_thread::yield(); }) {
    const auto deadline = Clock::now() + 10s;
    while (!done()) {
        if (Clock::now() > deadline) return false;
        step();
    }
    return true;
}

TEST(WorkQueue, OnlyTheOwnerDrainsInPostingOrderWithinTheCapacity) {
    WorkQueue queue(3, {});
    std::vector<int> order;
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(queue.post([&order, i] { order.push_back(i); }));
    EXPECT_FALSE(queue.post([&] { order.push_back(99); })) << "beyond the capacity";
    CallResult<int> refused;
    std::thread other([&] {
        refused = queue.call([] { return 1; }, 10s, 10s);
        EXPECT_EQ(queue.drain(10), 0U) << "a thread other than the owner runs nothing";
    });
    other.join();
    EXPECT_EQ(refused.outcome, CallOutcome::Refused);

    EXPECT_EQ(queue.drain(2), 2U);
    EXPECT_EQ(order, (std::vector<int>{0, 1}));
    EXPECT_TRUE(queue.post([&] { order.push_back(3); })) << "a slot freed by a drain is usable again";
    EXPECT_EQ(queue.drain(10), 2U);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));

    queue.post([&] { order.push_back(4); });
    queue.close();
    EXPECT_EQ(queue.size(), 0U);
    EXPECT_FALSE(queue.post([&] { order.push_back(5); }));
    EXPECT_EQ(queue.drain(10), 0U);
    EXPECT_EQ(order.size(), 4U) << "tasks queued at close never run";
}

TEST(WorkQueue, RunsEverythingThroughAtMostOneWakeOutstanding) {
    // The owner answers each wake with one drain, as the window does.
    int wakes = 0;
    int outstanding = 0;
    int most = 0;
    bool wakeWorks = true;
    WorkQueue queue(100, [&] {
        ++wakes;
        if (!wakeWorks) return false;
        most = std::max(most, ++outstanding);
        return true;
    });
    std::size_t ran = 0;
    const auto answerWakes = [&](std::size_t limit) {
        while (outstanding > 0) {
            --outstanding;
            ran += queue.drain(limit);
        }
    };

    // A task that runs a message loop of its own (a dialog) finds a wake
    // outstanding for the tasks behind it, or they would wait until it ends.
    int outstandingInFirst = -1;
    queue.post([&] { outstandingInFirst = outstanding; });
    for (int i = 1; i < 10; ++i) queue.post([] {});
    EXPECT_EQ(wakes, 1) << "posts before a drain share one wake";
    answerWakes(3);
    EXPECT_EQ(ran, 10U) << "drains stopped by their limit leave a wake for the rest";
    EXPECT_EQ(most, 1);
    EXPECT_EQ(outstandingInFirst, 1);

    const int afterEmptied = wakes;
    queue.post([] {});
    EXPECT_EQ(wakes, afterEmptied + 1) << "the first post after the queue emptied wakes again";
    answerWakes(3);
    EXPECT_EQ(ran, 11U);

    // A wake that could not be delivered is tried again by the next post.
    wakeWorks = false;
    queue.post([] {});
    EXPECT_EQ(outstanding, 0);
    wakeWorks = true;
    queue.post([] {});
    EXPECT_EQ(outstanding, 1);
    answerWakes(3);
    EXPECT_EQ(ran, 13U);

    queue.close();
    const int atClose = wakes;
    queue.post([] {});
    EXPECT_EQ(wakes, atClose) << "no wake after close";
}

TEST(WorkQueue, CallsFromManyThreadsEachGetTheirOwnAnswerFromTheOwnerThread) {
    WorkQueue queue(64, {});
    const auto owner = std::this_thread::get_id();
    constexpr int kThreads = 8;
    constexpr int kCalls = 200;
    std::atomic<int> finished{0};
    std::atomic<int> wrong{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < kCalls; ++i) {
                const int input = t * kCalls + i;
                // One call per thread at a time: never more than the capacity.
                const CallResult<int> result = queue.call(
                    [input, owner] { return std::this_thread::get_id() == owner ? input * 2 : -1; }, 10s, 10s);
                if (result.outcome != CallOutcome::Done || result.value != input * 2) ++wrong;
            }
            ++finished;
        });
    }
    const bool allFinished = spinUntil([&] { return finished == kThreads; }, [&] { queue.drain(16); });
    queue.close();  // releases any caller still waiting, so the joins cannot hang
    for (std::thread& worker : workers) worker.join();
    EXPECT_TRUE(allFinished);
    EXPECT_EQ(wrong, 0);
}

TEST(WorkQueue, ACallNotTakenInTimeNeverRunsLater) {
    WorkQueue queue(10, {});
    int ran = 0;
    CallResult<int> result;
    const auto start = Clock::now();
    std::thread worker([&] { result = queue.call([&] { return ++ran; }, 50ms, 10s); });
    worker.join();
    const auto waited = Clock::now() - start;
    EXPECT_EQ(result.outcome, CallOutcome::TimedOut);
    EXPECT_FALSE(result.value.has_value());
    EXPECT_GE(waited, 50ms);

    bool later = false;
    queue.post([&] { later = true; });
    queue.drain(10);
    EXPECT_TRUE(later) << "the drain reached past the cancelled call";
    EXPECT_EQ(ran, 0);
}

TEST(WorkQueue, ACallTakenButTooSlowIsUnfinishedAndStillCompletes) {
    WorkQueue queue(10, {});
    std::atomic<bool> callerLeft{false};
    bool completed = false;
    CallResult<int> result;
    std::thread worker([&] {
        result = queue.call(
            [&] {
                // Runs on the owner until the caller has given up waiting.
                spinUntil([&] { return callerLeft.load(); });
                completed = true;
                return 1;
            },
            10s, 50ms);
        callerLeft = true;
    });
    ASSERT_TRUE(spinUntil([&] { return queue.size() == 1; }));
    queue.drain(1);
    worker.join();
    EXPECT_EQ(result.outcome, CallOutcome::Unfinished);
    EXPECT_FALSE(result.value.has_value());
    EXPECT_TRUE(completed);
}

TEST(WorkQueue, CloseReleasesAWaitingCallerAndTheTaskNeverRuns) {
    WorkQueue queue(10, {});
    int ran = 0;
    CallResult<void> result;
    std::thread worker([&] { result = queue.call([&] { ++ran; }, 10s, 10s); });
    ASSERT_TRUE(spinUntil([&] { return queue.size() == 1; }));
    const auto start = Clock::now();
    queue.close();
    worker.join();
    EXPECT_LT(Clock::now() - start, 5s) << "released by close, not by its time limit";
    EXPECT_EQ(result.outcome, CallOutcome::Closed);
    EXPECT_EQ(queue.drain(10), 0U);
    EXPECT_EQ(ran, 0);

    std::thread late([&] { result = queue.call([&] { ++ran; }, 10s, 10s); });
    late.join();
    EXPECT_EQ(result.outcome, CallOutcome::Closed);
}

TEST(WorkQueue, AnExceptionReachesTheCallerAndTheOwnerCallsDirectly) {
    WorkQueue queue(10, {});
    std::atomic<bool> threw{false};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        try {
            queue.call([]() -> int { throw std::runtime_error("refused"); }, 10s, 10s);
        } catch (const std::runtime_error&) {
            threw = true;
        }
        done = true;
    });
    const bool finished = spinUntil([&] { return done.load(); }, [&] { queue.drain(1); });
    queue.close();
    worker.join();
    EXPECT_TRUE(finished);
    EXPECT_TRUE(threw);

    // Waiting on the owner thread for its own drain could only time out.
    WorkQueue own(10, {});
    const CallResult<int> result = own.call([] { return 7; }, 0ms, 0ms);
    EXPECT_EQ(result.outcome, CallOutcome::Done);
    EXPECT_EQ(result.value, 7);
}

}  // namespace
