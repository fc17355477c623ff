#include "launch/started_copies.h"

#include <algorithm>
#include <limits>
#include <string>
#include <utility>

namespace vuv {

std::string rowOrigin(std::uint64_t rowId) { return "row " + std::to_string(rowId); }

std::string bareStartOrigin(std::uint64_t serial) { return "bare start " + std::to_string(serial); }

void StartedCopies::started(std::uint32_t processId, std::string command, std::string origin) {
    copies_[processId] = Copy{std::move(command), std::move(origin), false};
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
        if (budget_.tryTake(copy.origin, nowMs)) {
            result.end = CopyEnd::Restarting;
            // Saturates instead of overflowing near the end of the clock.
            const std::int64_t delay = std::max(restartDelayMs, 0);
            const std::int64_t due =
                nowMs > std::numeric_limits<std::int64_t>::max() - delay ? std::numeric_limits<std::int64_t>::max()
                                                                          : nowMs + delay;
            const auto at = std::upper_bound(queue_.begin(), queue_.end(), due,
                                             [](std::int64_t t, const Queued& q) { return t < q.dueMs; });
            queue_.insert(at, Queued{due, Restart{result.command, std::move(copy.origin)}});
        } else {
            result.end = CopyEnd::Refused;
        }
    }
    return result;
}

std::optional<Restart> StartedCopies::nextRestart(std::int64_t nowMs, int limit, bool autoRestart) {
    if (!autoRestart) {
        queue_.clear();
        return std::nullopt;
    }
    if (queue_.empty() || queue_.front().dueMs > nowMs || mustWaitForSlot(running(), limit)) return std::nullopt;
    Restart restart = std::move(queue_.front().restart);
    queue_.pop_front();
    return restart;
}

}  // namespace vuv
