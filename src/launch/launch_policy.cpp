#include "launch/launch_policy.h"

#include <algorithm>
#include <climits>

namespace vuv {

namespace {

// True while a restart taken at `taken` still counts at `now`.
bool counts(std::int64_t taken, std::int64_t now) noexcept {
    // Unsigned subtraction gives the exact distance when now >= taken,
    // where the signed one could overflow.
    return now < taken ||
           static_cast<std::uint64_t>(now) - static_cast<std::uint64_t>(taken) <
               static_cast<std::uint64_t>(RestartBudget::kRestartWindowMs);
}

}  // namespace

int jitteredPause(int intervalMs, int jitterMs, double unit) noexcept {
    const std::int64_t interval = std::max(intervalMs, 0);
    if (jitterMs <= 0) return static_cast<int>(interval);
    const std::int64_t jitter = jitterMs;
    const std::int64_t choices = 2 * jitter + 1;
    std::int64_t pick = 0;
    if (unit >= 1.0) {
        pick = choices - 1;
    } else if (unit > 0.0) {
        // unit * choices may round up to choices itself when unit is just
        // below 1.
        pick = std::min(static_cast<std::int64_t>(unit * static_cast<double>(choices)), choices - 1);
    }
    return static_cast<int>(std::clamp<std::int64_t>(interval + pick - jitter, 0, INT_MAX));
}

int settingNumber(const std::optional<std::string>& value) noexcept {
    if (!value) return 0;
    std::int64_t number = 0;
    for (const char ch : *value) {
        if (ch < '0' || ch > '9') break;
        number = number * 10 + (ch - '0');
        if (number >= kSettingNumberMax) return kSettingNumberMax;
    }
    return static_cast<int>(number);
}

void StartPacing::walkStarted(std::int64_t nowMs, int pauseMs) noexcept {
    startedMs_ = nowMs;
    readyMs_ = nowMs;
    pauseMs_ = std::max(pauseMs, 0);
    lastWasRestart_ = false;
}

void StartPacing::restarted(std::int64_t nowMs, int pauseMs) noexcept {
    startedMs_ = nowMs;
    readyMs_.reset();
    pauseMs_ = std::max(pauseMs, 0);
    lastWasRestart_ = true;
}

void StartPacing::ready(std::int64_t nowMs) noexcept {
    if (startedMs_ && !readyMs_) readyMs_ = std::min(nowMs, *startedMs_ + kReadyWaitMs);
}

bool StartPacing::awaitingReady(std::int64_t nowMs) const noexcept {
    return startedMs_ && !readyMs_ && nowMs - *startedMs_ < kReadyWaitMs;
}

std::optional<std::int64_t> StartPacing::nextStartMs() const noexcept {
    if (!startedMs_) return std::nullopt;
    // Not seen ready: the longest wait stands in for it.
    const std::int64_t ready = readyMs_ ? *readyMs_ : *startedMs_ + kReadyWaitMs;
    return ready + pauseMs_;
}

bool StartPacing::restartMayStart(std::int64_t nowMs) const noexcept {
    const std::optional<std::int64_t> next = nextStartMs();
    return !next || nowMs >= *next;
}

std::int64_t StartPacing::walkWaitMs(std::int64_t nowMs) const noexcept {
    // A walk keeps its own pause; after a restart whose copy is still
    // awaited this is the longest the wait can take (ready() shortens it).
    if (!lastWasRestart_) return 0;
    return std::max<std::int64_t>(*nextStartMs() - nowMs, 0);
}

void RestartBudget::expire(Taken& taken, std::int64_t nowMs) noexcept {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < taken.count; ++i) {
        if (counts(taken.at[i], nowMs)) taken.at[kept++] = taken.at[i];
    }
    taken.count = kept;
}

void RestartBudget::sweep(std::int64_t nowMs) {
    for (auto it = keys_.begin(); it != keys_.end();) {
        expire(it->second, nowMs);
        it = it->second.count == 0 ? keys_.erase(it) : std::next(it);
    }
    sweepAtSize_ = std::max<std::size_t>(64, 2 * keys_.size());
    lastSweepMs_ = nowMs;
}

bool RestartBudget::tryTake(const std::string& key, std::int64_t nowMs) {
    if (keys_.size() >= sweepAtSize_ || !lastSweepMs_ || !counts(*lastSweepMs_, nowMs)) sweep(nowMs);
    Taken& taken = keys_[key];
    expire(taken, nowMs);
    if (taken.count >= kRestartsPerHour) return false;
    taken.at[taken.count++] = nowMs;
    return true;
}

}  // namespace vuv
