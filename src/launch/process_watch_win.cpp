#include "launch/process_watch_win.h"

#include "common/message_loop_win.h"

#include <algorithm>

namespace vuv::win {

ProcessWatch::~ProcessWatch() {
    for (const auto& [id, process] : watched_) CloseHandle(process);
}

void ProcessWatch::add(std::uint32_t processId, HANDLE process) {
    if (process == nullptr) return;
    const auto [it, added] = watched_.emplace(processId, process);
    if (!added) {
        CloseHandle(it->second);
        it->second = process;
    }
}

std::vector<std::uint32_t> ProcessWatch::takeEnded() {
    std::vector<std::uint32_t> ids;
    std::vector<HANDLE> handles;
    ids.reserve(watched_.size());
    handles.reserve(watched_.size());
    for (const auto& [id, process] : watched_) {
        ids.push_back(id);
        handles.push_back(process);
    }
    std::vector<std::uint32_t> ended;
    // A handle that cannot be waited on any more counts as ended: it would
    // never tell otherwise.
    for (const std::size_t index : signalledNow(handles, true)) ended.push_back(ids[index]);
    for (std::uint32_t id : ended) {
        const auto it = watched_.find(id);
        CloseHandle(it->second);
        watched_.erase(it);
    }
    return ended;
}

HANDLE ProcessWatch::handle(std::uint32_t processId) const {
    const auto it = watched_.find(processId);
    return it == watched_.end() ? nullptr : it->second;
}

std::vector<HANDLE> ProcessWatch::handles(std::size_t most) const {
    std::vector<HANDLE> out;
    out.reserve(std::min(most, watched_.size()));
    for (const auto& [id, process] : watched_) {
        if (out.size() >= most) break;
        out.push_back(process);
    }
    return out;
}

}  // namespace vuv::win
