#include "link/liveness_win.h"

#include <algorithm>

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
            next.emplace(id, Watched{OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id), false});
        }
    }
    for (auto& [id, w] : watched_) {
        if (w.process != nullptr) CloseHandle(w.process);
    }
    watched_ = std::move(next);
}

void Liveness::add(std::uint32_t processId) {
    if (watched_.count(processId) != 0) return;
    const HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    // No process of that id at all: it has ended already.
    const bool gone = process == nullptr && GetLastError() == ERROR_INVALID_PARAMETER;
    watched_.emplace(processId, Watched{process, gone});
}

void Liveness::forget(std::uint32_t processId) {
    const auto it = watched_.find(processId);
    if (it == watched_.end()) return;
    if (it->second.process != nullptr) CloseHandle(it->second.process);
    watched_.erase(it);
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
    // One wait answers for up to 64 handles: the lowest one signalled. Ask
    // again past it until the batch has none left.
    std::size_t at = 0;
    while (at < handles.size()) {
        const auto count = static_cast<DWORD>(std::min<std::size_t>(handles.size() - at, MAXIMUM_WAIT_OBJECTS));
        const DWORD woke = WaitForMultipleObjects(count, &handles[at], FALSE, 0);
        if (woke >= WAIT_OBJECT_0 && woke < WAIT_OBJECT_0 + count) {
            const std::size_t index = at + (woke - WAIT_OBJECT_0);
            endedNow.push_back(ids[index]);
            watched_[ids[index]].ended = true;
            at = index + 1;
            continue;
        }
        if (woke == WAIT_FAILED) {
            // A handle gone bad: ask each of the batch on its own.
            for (std::size_t i = at; i < at + count; ++i) {
                if (WaitForSingleObject(handles[i], 0) == WAIT_OBJECT_0) {
                    endedNow.push_back(ids[i]);
                    watched_[ids[i]].ended = true;
                }
            }
        }
        at += count;
    }
    return endedNow;
}

}  // namespace vuv::win
