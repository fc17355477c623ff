#include "link/transfer_quarantine.h"

#include <algorithm>

namespace vuv {

bool TransferQuarantine::admits(std::uint32_t processId) const noexcept {
    const std::size_t mine = heldFor(processId);
    if (mine == 0) return true;
    return mine < kMostPerProcess && held_.size() < kMostInAll;
}

void TransferQuarantine::hold(std::uintptr_t buffer, std::uint32_t processId) { held_.push_back({buffer, processId}); }

std::size_t TransferQuarantine::heldFor(std::uint32_t processId) const noexcept {
    return static_cast<std::size_t>(
        std::count_if(held_.begin(), held_.end(), [processId](const Held& h) { return h.processId == processId; }));
}

std::vector<std::uint32_t> TransferQuarantine::processes() const {
    std::vector<std::uint32_t> ids;
    for (const Held& h : held_) {
        if (std::find(ids.begin(), ids.end(), h.processId) == ids.end()) ids.push_back(h.processId);
    }
    return ids;
}

std::vector<std::uintptr_t> TransferQuarantine::releaseEnded(const std::function<bool(std::uint32_t)>& ended) {
    std::vector<std::uint32_t> gone;
    for (std::uint32_t id : processes()) {
        if (ended(id)) gone.push_back(id);
    }
    std::vector<std::uintptr_t> freed;
    if (gone.empty()) return freed;
    std::vector<Held> kept;
    kept.reserve(held_.size());
    for (const Held& h : held_) {
        if (std::find(gone.begin(), gone.end(), h.processId) != gone.end()) {
            freed.push_back(h.buffer);
        } else {
            kept.push_back(h);
        }
    }
    held_ = std::move(kept);
    return freed;
}

}  // namespace vuv
