#include "link/fleet.h"

#include "common/texts.h"

namespace vuv {

std::string_view stateText(CopyState state) noexcept {
    switch (state) {
        case CopyState::Running: return text::kStateRunning;
        case CopyState::Hung: return text::kStateHung;
        case CopyState::Exited: return text::kStateExited;
    }
    return text::kStateRunning;
}

void FleetFacts::listed(const std::vector<std::uint32_t>& processIds) {
    std::unordered_map<std::uint32_t, CopyFacts> kept;
    kept.reserve(processIds.size());
    for (std::uint32_t id : processIds) {
        const auto it = facts_.find(id);
        kept.emplace(id, it != facts_.end() ? std::move(it->second) : CopyFacts{});
    }
    facts_ = std::move(kept);
}

const CopyFacts* FleetFacts::facts(std::uint32_t processId) const noexcept {
    const auto it = facts_.find(processId);
    return it == facts_.end() ? nullptr : &it->second;
}

bool FleetFacts::heardFrom(std::uint32_t processId, std::int32_t secondsOfDay) {
    const auto it = facts_.find(processId);
    if (it == facts_.end()) return false;
    it->second.lastHeard = secondsOfDay;
    ++it->second.heard;
    return true;
}

bool FleetFacts::handedBookmark(std::uint32_t processId, std::string_view address) {
    const auto it = facts_.find(processId);
    if (it == facts_.end()) return false;
    it->second.bookmark.assign(address);
    return true;
}

bool FleetFacts::postedProxy(std::uint32_t processId, std::string_view proxy) {
    const auto it = facts_.find(processId);
    if (it == facts_.end()) return false;
    it->second.proxy.assign(proxy);
    return true;
}

bool FleetFacts::closedByPanel(std::uint32_t processId) {
    const auto it = facts_.find(processId);
    if (it == facts_.end()) return false;
    it->second.closedByPanel = true;
    return true;
}

bool FleetFacts::setState(std::uint32_t processId, CopyState state) {
    const auto it = facts_.find(processId);
    if (it == facts_.end() || it->second.state == state) return false;
    it->second.state = state;
    return true;
}

std::vector<std::uint32_t> FleetFacts::inState(CopyState state) const {
    std::vector<std::uint32_t> ids;
    for (const auto& [id, f] : facts_) {
        if (f.state == state) ids.push_back(id);
    }
    return ids;
}

std::string proxyText(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d, std::int32_t port) {
    return std::to_string(a) + "." + std::to_string(b) + "." + std::to_string(c) + "." + std::to_string(d) + ":" +
           std::to_string(port);
}

}  // namespace vuv
