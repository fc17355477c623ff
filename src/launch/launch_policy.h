// Decisions of the launch walk: the pause between two starts, the budget of
// restarts of a browser that went away, the wait for a free slot when the
// number of running copies is limited, and the reading of the numbers in the
// settings that steer them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

namespace vuv {

// The pause before the next start: intervalMs plus an offset drawn uniformly
// from the whole numbers -jitterMs..+jitterMs, where unit is a uniform draw
// from [0, 1) (values outside are taken as the nearest end, NaN as 0). A
// negative interval counts as 0, jitterMs <= 0 means no offset, and the
// result is never below 0. Computed in 64 bits, so no pair of ints overflows.
[[nodiscard]] int jitteredPause(int intervalMs, int jitterMs, double unit) noexcept;

// True when the walk must wait before starting another copy: limit copies
// are running already. A limit of 0 or below means no limit.
[[nodiscard]] constexpr bool mustWaitForSlot(std::size_t running, int limit) noexcept {
    return limit > 0 && running >= static_cast<std::size_t>(limit);
}

// The spacing of the starts a walk and the restarts make together. A walk
// waits for each copy to be ready and then pauses itself; a restart starts
// from the watch timer, never waits, and follows these rules instead: the
// next restart comes only once the last copy started (by a walk or a
// restart) is ready, or kReadyWaitMs after its start, and the pause drawn
// for that start has passed since. A walk about to start waits as long
// after a restart. Times are milliseconds of a monotonic clock.
class StartPacing {
public:
    // The longest a start waits for its copy to be ready.
    static constexpr std::int64_t kReadyWaitMs = 1000;

    // A walk started a copy, which was ready (or given up on) at nowMs, and
    // pauses pauseMs from there.
    void walkStarted(std::int64_t nowMs, int pauseMs) noexcept;
    // A restart started a copy at nowMs; pauseMs follow once it is ready.
    void restarted(std::int64_t nowMs, int pauseMs) noexcept;
    // The copy of the last restart is ready (or has ended) at nowMs.
    void ready(std::int64_t nowMs) noexcept;

    // The copy of the last restart has been neither seen ready nor waited
    // for the longest.
    [[nodiscard]] bool awaitingReady(std::int64_t nowMs) const noexcept;
    // A restart may start at nowMs.
    [[nodiscard]] bool restartMayStart(std::int64_t nowMs) const noexcept;
    // How long a walk must still wait at nowMs before its next start: 0
    // unless the last start was a restart whose pause has not yet passed.
    [[nodiscard]] std::int64_t walkWaitMs(std::int64_t nowMs) const noexcept;

private:
    // When the next start may come; nullopt before any start.
    [[nodiscard]] std::optional<std::int64_t> nextStartMs() const noexcept;

    std::optional<std::int64_t> startedMs_;  // the last start
    std::optional<std::int64_t> readyMs_;    // its copy seen ready; nullopt while awaited
    std::int64_t pauseMs_ = 0;               // drawn for the last start
    bool lastWasRestart_ = false;
};

// Largest value settingNumber() gives: one day in milliseconds, longer than
// any sensible pause and far more than any number of copies.
inline constexpr int kSettingNumberMax = 86'400'000;

// A number of the settings file as ini::get() reads it: its leading decimal
// digits, at most kSettingNumberMax. A missing value and one that does not
// begin with a digit (a sign or a blank is no digit) give 0, which means off.
[[nodiscard]] int settingNumber(const std::optional<std::string>& value) noexcept;

// Restarts allowed per origin of the copies (their launch row, or one bare
// start; see StartedCopies): at most
// kRestartsPerHour within any sliding window of kRestartWindowMs. Times are
// milliseconds of a monotonic clock; a restart taken at t counts until
// t + kRestartWindowMs, excluded. A time earlier than one recorded (a clock
// that went back) keeps the recorded restart counting.
//
// Memory: a key is forgotten once its restarts have all expired; expired
// keys are swept when the number of keys doubles and at least once per
// window, so the budget holds about the keys restarted within the last
// window, whatever the length of the session.
class RestartBudget {
public:
    static constexpr std::size_t kRestartsPerHour = 3;
    static constexpr std::int64_t kRestartWindowMs = 3'600'000;

    // Records a restart of key at nowMs and returns true, or returns false
    // and records nothing when kRestartsPerHour restarts of key were taken
    // within the window before nowMs.
    [[nodiscard]] bool tryTake(const std::string& key, std::int64_t nowMs);

    // Number of keys with restarts still counting (or not yet swept).
    [[nodiscard]] std::size_t trackedKeys() const noexcept { return keys_.size(); }

private:
    struct Taken {
        std::array<std::int64_t, kRestartsPerHour> at{};
        std::size_t count = 0;
    };
    // Drops the restarts of taken that expired by nowMs.
    static void expire(Taken& taken, std::int64_t nowMs) noexcept;
    void sweep(std::int64_t nowMs);

    std::unordered_map<std::string, Taken> keys_;
    std::size_t sweepAtSize_ = 64;
    std::optional<std::int64_t> lastSweepMs_;
};

}  // namespace vuv
