#include "extras/record_flush.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using namespace vuv;
using namespace std::chrono_literals;
using Duration = FlushClock::duration;
using TimePoint = FlushClock::time_point;

TEST(RecordFlush, WaitsTwiceTheLastWriteWithinBounds) {
    const std::pair<Duration, std::chrono::milliseconds> cases[] = {
        {0ns, 10ms},   {-5ms, 10ms},   {4ms, 10ms},      {5ms, 10ms},      {5ms + 1ns, 11ms},
        {7300us, 15ms}, {499ms, 998ms}, {500ms, 1000ms}, {1h, 1000ms},     {Duration::max(), 1000ms},
        {Duration::min(), 10ms},
    };
    for (const auto& [cost, wait] : cases) EXPECT_EQ(flushWait(cost), wait) << cost.count() << "ns";
}

TEST(RecordFlush, WritesAtOnceOnlyAfterALineWaitedLongerThanTheLongestWait) {
    const TimePoint now = TimePoint{} + 1h;
    const struct {
        TimePoint since, now;
        bool tooLong;
    } cases[] = {
        {now, now, false},
        {now - 1000ms, now, false},
        {now - 1000ms - 1ns, now, true},
        {now + 5s, now, false},
        {TimePoint::min(), TimePoint::max(), true},
        {TimePoint::max(), TimePoint::min(), false},
        {TimePoint::min(), TimePoint::min() + 1000ms, false},
        {TimePoint::min(), TimePoint::min() + 1000ms + 1ns, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(waitedTooLong(c.since, c.now), c.tooLong) << c.since.time_since_epoch().count() << " "
                                                              << c.now.time_since_epoch().count();
    }
}

TEST(RecordFlush, AfterQueueWritesStartsTheTimerOrLeavesItRunning) {
    const TimePoint now = TimePoint{} + 1h;
    const struct {
        std::optional<TimePoint> oldest;
        bool timerRunning;
        Duration cost;
        FlushAction action;
        std::chrono::milliseconds wait;
    } cases[] = {
        {std::nullopt, false, 0ms, FlushAction::none, 0ms},
        {now, false, 30ms, FlushAction::startTimer, 60ms},
        {now, true, 30ms, FlushAction::none, 0ms},
        {now - 1500ms, true, 30ms, FlushAction::writeNow, 0ms},  // the timer is late
        {now - 1500ms, false, 30ms, FlushAction::writeNow, 0ms},
        {now - 999ms, false, 0ms, FlushAction::startTimer, 10ms},
    };
    for (const auto& c : cases) {
        const FlushStep step = afterQueue(c.oldest, c.timerRunning, c.cost, now);
        EXPECT_EQ(step.action, c.action);
        EXPECT_EQ(step.wait, c.wait);
    }
}

}  // namespace
