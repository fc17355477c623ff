#include "launch/started_copies.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace vuv {

void StartedCopies::started(std::uint32_t processId, std::string command) {
    copies_[processId] = Copy{std::move(command), false};
}

bool StartedCopies::closedByPanel(std::uint32_t processId) {
    const auto it = copies_.find(processId);
    if (it == copies_.end()) return false;
    it->second.closedByPanel = true;
    return true;
}

EndedCopy StartedCopies::ended(std::uint32_t processId, bool autoRestart, int restartDelayMs, std::int64_t nowMs) {
    const auto it = copies_.find(processId);
    if (it == copies_.end()) return {};
    Copy copy = std::move(it->second);
    copies_.erase(it);

    EndedCopy result{CopyEnd::Left, std::move(copy.command)};
    if (copy.closedByPanel) {
        result.end = CopyEnd::Closed;
    } else if (autoRestart) {
        if (budget_.tryTake(result.command, nowMs)) {
            result.end = CopyEnd::Restarting;
            // Saturates instead of overflowing near the end of the clock.
            const std::int64_t delay = std::max(restartDelayMs, 0);
            const std::int64_t due =
                nowMs > std::numeric_limits<std::int64_t>::max() - delay ? std::numeric_limits<std::int64_t>::max()
                                                                          : nowMs + delay;
            const auto at = std::upper_bound(queue_.begin(), queue_.end(), due,
                                             [](std::int64_t t, const Queued& q) { return t < q.dueMs; });
            queue_.insert(at, Queued{due, result.command});
        } else {
            result.end = CopyEnd::Refused;
        }
    }
    return result;
}

std::optional<std::string> StartedCopies::nextRestart(std::int64_t nowMs, int limit, bool autoRestart) {
    if (!autoRestart) {
        queue_.clear();
        return std::nullopt;
    }
    if (queue_.empty() || queue_.front().dueMs > nowMs || mustWaitForSlot(running(), limit)) return std::nullopt;
    std::string command = std::move(queue_.front().command);
    queue_.pop_front();
    return command;
}

}  // namespace vuv
