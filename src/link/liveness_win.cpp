#include "link/liveness_win.h"

#include "common/message_loop_win.h"


namespace vuv::win {

Liveness::~Liveness() {
    for (auto& [id, w] : watched_) {
        if (w.process != nullptr) CloseHandle(w.process);
    }
}

void Liveness::watch(const std::vector<std::uint32_t>& processIds) {
    std::unordered_map<std::uint32_t, Watched> next;
    next.reserve(processIds.size());
    for (std::uint32_t id : processIds) {
        if (next.count(id) != 0) continue;
        const auto it = watched_.find(id);
        if (it != watched_.end()) {
            next.emplace(id, it->second);
            watched_.erase(it);
        } else {
            next.emplace(id, open(id));
        }
    }
    for (auto& [id, w] : watched_) {
        if (w.process != nullptr) CloseHandle(w.process);
    }
    watched_ = std::move(next);
}

Liveness::Watched Liveness::open(std::uint32_t processId) {
    const HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    // No process of that id at all: it has ended already (its windows may
    // outlive it for a moment), and the next poll tells so.
    const bool gone = process == nullptr && GetLastError() == ERROR_INVALID_PARAMETER;
    return Watched{process, gone, false};
}

bool Liveness::ended(std::uint32_t processId) const {
    const auto it = watched_.find(processId);
    return it != watched_.end() && it->second.ended;
}

std::vector<std::uint32_t> Liveness::poll() {
    std::vector<std::uint32_t> ids;
    std::vector<HANDLE> handles;
    for (const auto& [id, w] : watched_) {
        if (w.process == nullptr || w.ended) continue;
        ids.push_back(id);
        handles.push_back(w.process);
    }
    std::vector<std::uint32_t> endedNow;
    // Those found gone when they were opened.
    for (auto& [id, w] : watched_) {
        if (w.ended && !w.told) {
            w.told = true;
            endedNow.push_back(id);
        }
    }
    // A handle that cannot be waited on tells nothing: the copy is not taken
    // for ended.
    for (const std::size_t index : signalledNow(handles, false)) {
        endedNow.push_back(ids[index]);
        Watched& w = watched_[ids[index]];
        w.ended = w.told = true;
    }
    return endedNow;
}

}  // namespace vuv::win
