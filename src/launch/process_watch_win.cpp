#include "launch/process_watch_win.h"

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
    // One wait answers for up to 64 handles: the lowest one signalled. Ask
    // again past it until the batch has none left.
    std::size_t at = 0;
    while (at < handles.size()) {
        const auto count = static_cast<DWORD>(std::min<std::size_t>(handles.size() - at, MAXIMUM_WAIT_OBJECTS));
        const DWORD woke = WaitForMultipleObjects(count, &handles[at], FALSE, 0);
        if (woke < WAIT_OBJECT_0 + count) {
            const std::size_t index = at + (woke - WAIT_OBJECT_0);
            ended.push_back(ids[index]);
            at = index + 1;
            continue;
        }
        if (woke == WAIT_FAILED) {
            // A handle gone bad: ask each of the batch on its own. One that
            // cannot be waited on any more counts as ended.
            for (std::size_t i = at; i < at + count; ++i) {
                if (WaitForSingleObject(handles[i], 0) != WAIT_TIMEOUT) ended.push_back(ids[i]);
            }
        }
        at += count;
    }
    for (std::uint32_t id : ended) {
        const auto it = watched_.find(id);
        CloseHandle(it->second);
        watched_.erase(it);
    }
    return ended;
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
