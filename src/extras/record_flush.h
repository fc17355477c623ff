// When the text records (链接记录, 网页记录) write their queued lines.
//
// Lines queue in arrival order and a timer writes all of them with one
// insertion. The timer waits twice as long as the last write took, so that
// writing into a big record keeps to about a third of the panel's time, and
// at least kShortestFlushWait, so that a burst shares one write; it waits at
// most kLongestFlushWait. Timers come after every other message, so under a
// flood of messages a timer may be late: a line that has waited longer than
// kLongestFlushWait when the next one arrives makes the write happen at once.
#pragma once

#include <chrono>
#include <optional>

namespace vuv {

using FlushClock = std::chrono::steady_clock;

inline constexpr std::chrono::milliseconds kShortestFlushWait{10};
inline constexpr std::chrono::milliseconds kLongestFlushWait{1000};

// The timer's wait: twice lastWriteCost rounded up to whole milliseconds,
// clamped to [kShortestFlushWait, kLongestFlushWait]. A negative cost counts
// as none.
[[nodiscard]] std::chrono::milliseconds flushWait(FlushClock::duration lastWriteCost) noexcept;

// True when a line queued at queuedSince has waited longer than
// kLongestFlushWait at now. A queue time after now has not waited at all.
[[nodiscard]] bool waitedTooLong(FlushClock::time_point queuedSince, FlushClock::time_point now) noexcept;

enum class FlushAction {
    none,        // nothing queued, or the running timer will write
    writeNow,    // write every queued line now (and stop a running timer)
    startTimer,  // start the timer with FlushStep::wait
};

struct FlushStep {
    FlushAction action = FlushAction::none;
    std::chrono::milliseconds wait{0};  // for startTimer only
};

// What to do once a line was queued. oldestQueued is the queue time of the
// oldest line still waiting in any record (nullopt when none waits);
// timerRunning tells whether a write is already scheduled.
[[nodiscard]] FlushStep afterQueue(std::optional<FlushClock::time_point> oldestQueued, bool timerRunning,
                                   FlushClock::duration lastWriteCost, FlushClock::time_point now) noexcept;

}  // namespace vuv
