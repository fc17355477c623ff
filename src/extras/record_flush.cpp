#include "extras/record_flush.h"

#include <algorithm>

namespace vuv {

std::chrono::milliseconds flushWait(FlushClock::duration lastWriteCost) noexcept {
    if (lastWriteCost <= FlushClock::duration::zero()) return kShortestFlushWait;
    // Compared before doubling, so that no cost can overflow.
    if (lastWriteCost >= kLongestFlushWait / 2) return kLongestFlushWait;
    return std::max(kShortestFlushWait, std::chrono::ceil<std::chrono::milliseconds>(2 * lastWriteCost));
}

bool waitedTooLong(FlushClock::time_point queuedSince, FlushClock::time_point now) noexcept {
    // No queue time lies that far before the earliest time point; checked
    // first, so that now - kLongestFlushWait cannot underflow.
    if (now <= FlushClock::time_point::min() + kLongestFlushWait) return false;
    return queuedSince < now - kLongestFlushWait;
}

FlushStep afterQueue(std::optional<FlushClock::time_point> oldestQueued, bool timerRunning,
                     FlushClock::duration lastWriteCost, FlushClock::time_point now) noexcept {
    if (!oldestQueued) return {};
    if (waitedTooLong(*oldestQueued, now)) return {FlushAction::writeNow, {}};
    if (timerRunning) return {};
    return {FlushAction::startTimer, flushWait(lastWriteCost)};
}

}  // namespace vuv
