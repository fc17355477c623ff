#include "app/auto_save.h"

#include <algorithm>

namespace vuv {

AutoSaveStart decideAutoSaveStart(const AutoSaveFacts& facts) noexcept {
    // Another panel's file is neither read nor written: its panel keeps it.
    if (facts.lock == WorkspaceLock::HeldByOther) return AutoSaveStart::LockedByOtherPanel;
    if (!facts.fileExists) return AutoSaveStart::Fresh;
    if (!facts.readOk) return AutoSaveStart::Unreadable;
    if (facts.parsedOk) return AutoSaveStart::Loaded;
    return facts.asideOk ? AutoSaveStart::DamagedSetAside : AutoSaveStart::DamagedNotSetAside;
}

bool autoSaveMayWrite(AutoSaveStart start) noexcept {
    switch (start) {
        case AutoSaveStart::Fresh:
        case AutoSaveStart::Loaded:
        case AutoSaveStart::DamagedSetAside: return true;
        case AutoSaveStart::Unreadable:
        case AutoSaveStart::DamagedNotSetAside:
        case AutoSaveStart::LockedByOtherPanel: return false;
    }
    return false;
}

bool autoSaveOpens(AutoSaveStart start) noexcept { return start == AutoSaveStart::Loaded; }

bool SaveRetry::failed(Ms now) noexcept {
    delay_ = failures_ == 0 ? kFirstDelay : std::min(delay_ * 2, kMaxDelay);
    nextTry_ = now + delay_;
    return failures_++ == 0;
}

bool SaveRetry::succeeded() noexcept {
    const bool ended = failures_ != 0;
    failures_ = 0;
    delay_ = Ms{0};
    nextTry_ = Ms{0};
    return ended;
}

}  // namespace vuv
