// The automatic workspace's rules, apart from the files and windows: what a
// start finds beside the program decides whether this run may write the
// file, and a write that keeps failing is tried less and less often.
//
// The automatic workspace only ever replaces a file this run read itself,
// or one that did not exist: anything else (a file it could not read, a
// damaged file it could not keep a copy of, a file another panel holds)
// pauses the saving for the run, so nothing the operator saved is lost to
// an empty workspace written over it.
#pragma once

#include <chrono>
#include <cstdint>

namespace vuv {

// What the start-up found.
enum class AutoSaveStart {
    Fresh,               // no file yet: the first save creates it
    Loaded,              // read and opened
    Unreadable,          // there, but could not be read (held, denied, read error)
    DamagedSetAside,     // not a workspace; a copy of it was kept aside
    DamagedNotSetAside,  // not a workspace, and no copy could be kept
    LockedByOtherPanel,  // another panel from the same folder saves it
};

enum class WorkspaceLock { Held, HeldByOther, Unavailable };

struct AutoSaveFacts {
    WorkspaceLock lock = WorkspaceLock::Held;
    bool fileExists = false;
    bool readOk = false;    // meaningful when fileExists
    bool parsedOk = false;  // meaningful when readOk
    bool asideOk = false;   // meaningful when the file did not parse
};

[[nodiscard]] AutoSaveStart decideAutoSaveStart(const AutoSaveFacts& facts) noexcept;
// Whether the run may write the automatic workspace after that start.
[[nodiscard]] bool autoSaveMayWrite(AutoSaveStart start) noexcept;
// Whether the start opens the file's workspace in the panel.
[[nodiscard]] bool autoSaveOpens(AutoSaveStart start) noexcept;

// Tries of a save that fails: after each failure the next try waits twice as
// long as the last (from the first delay up to the cap), so a disk that
// stays full is not asked every second; one notice per streak of failures,
// and the first success ends the streak.
class SaveRetry {
public:
    using Ms = std::chrono::milliseconds;
    static constexpr Ms kFirstDelay{1000};
    static constexpr Ms kMaxDelay{60000};

    // A try may run at time now (any steady clock, as a duration).
    [[nodiscard]] bool due(Ms now) const noexcept { return failures_ == 0 || now >= nextTry_; }
    // A try failed at time now. True when it begins a streak: tell the operator.
    bool failed(Ms now) noexcept;
    // A try succeeded. True when it ended a streak.
    bool succeeded() noexcept;

    [[nodiscard]] std::uint32_t failures() const noexcept { return failures_; }
    // The wait after the latest failure (zero while there is none).
    [[nodiscard]] Ms delay() const noexcept { return delay_; }

private:
    std::uint32_t failures_ = 0;
    Ms delay_{0};
    Ms nextTry_{0};
};

}  // namespace vuv
