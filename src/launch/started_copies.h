// The browser copies this panel started itself: how many still run (for the
// limit a launch walk keeps to), which of them the panel closed, and what
// becomes of one that went away: nothing, or a restart with the very same
// command line once a delay has passed, within the restart budget of its
// origin.
//
// The origin of a copy is what started it: its launch row, or one press of
// "启动鹭行". A restarted copy keeps the origin of the copy it replaces, so
// rows with equal command lines keep budgets of their own while all copies
// that go back to one row share that row's.
//
// A copy is kept from its start until its end has been seen, so the mark
// "closed by the panel" lives exactly as long as the copy and cannot fall on
// a later process that happens to get the same id. Times are milliseconds of
// a monotonic clock.
#pragma once

#include "launch/launch_policy.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <unordered_map>

namespace vuv {

// What became of a copy whose end was seen.
enum class CopyEnd {
    Unknown,     // no copy this panel started, or its end was seen already
    Closed,      // the panel closed it: it stays gone
    Left,        // restarting is off: it stays gone
    Restarting,  // a restart is queued
    Refused,     // its origin used up its restarts within the hour
};

// Origin keys: a launch row by its id, a bare start by its serial number.
[[nodiscard]] std::string rowOrigin(std::uint64_t rowId);
[[nodiscard]] std::string bareStartOrigin(std::uint64_t serial);

// A restart to start: the command line and the origin it keeps.
struct Restart {
    std::string command;
    std::string origin;
};

struct EndedCopy {
    CopyEnd end = CopyEnd::Unknown;
    std::string command;  // the copy's command line; empty for Unknown
};

class StartedCopies {
public:
    // A copy started with command for origin. A copy already kept under the
    // same id is replaced (the id can only come back once the old process is
    // gone).
    void started(std::uint32_t processId, std::string command, std::string origin);

    // The panel closed the copy (关闭鹭行, or the copy's own "#关闭"); false,
    // and nothing kept, for a process this panel did not start.
    bool closedByPanel(std::uint32_t processId);

    // The copy's end was seen at nowMs: forgets it and tells what follows.
    // With autoRestart, a copy the panel did not close is queued to start
    // again restartDelayMs later (a negative delay counts as 0) when the
    // budget of its origin allows it.
    EndedCopy ended(std::uint32_t processId, bool autoRestart, int restartDelayMs, std::int64_t nowMs);

    // The next queued restart that may start at nowMs, taken from the
    // queue: the earliest due one, once it is due and fewer than limit
    // copies run (see mustWaitForSlot). With autoRestart off the queue is
    // dropped and nothing comes.
    std::optional<Restart> nextRestart(std::int64_t nowMs, int limit, bool autoRestart);

    // Copies started and not yet seen ended.
    [[nodiscard]] std::size_t running() const noexcept { return copies_.size(); }
    [[nodiscard]] std::size_t queuedRestarts() const noexcept { return queue_.size(); }

private:
    struct Copy {
        std::string command;
        std::string origin;
        bool closedByPanel = false;
    };
    struct Queued {
        std::int64_t dueMs;
        Restart restart;
    };

    std::unordered_map<std::uint32_t, Copy> copies_;
    std::deque<Queued> queue_;  // by due time; equal times in the order queued
    RestartBudget budget_;
};

}  // namespace vuv
