#include "common/process_watcher_win.h"

#include "common/message_loop_win.h"

#include <algorithm>
#include <utility>

namespace vuv::win {

namespace {

// 0 when the times cannot be read.
std::uint64_t createdAt(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (process == nullptr || !GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return (static_cast<std::uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

}  // namespace

ProcessWatcher::Watched ProcessWatcher::open(std::uint32_t processId) {
    KernelHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    DWORD error = process ? ERROR_SUCCESS : GetLastError();
    // Waiting is what matters; the creation time is a bonus.
    if (error == ERROR_ACCESS_DENIED) {
        process = KernelHandle(OpenProcess(SYNCHRONIZE, FALSE, processId));
        error = process ? ERROR_SUCCESS : GetLastError();
    }
    Watched w;
    w.created = createdAt(process.get());
    w.process = std::move(process);
    // No process of that id at all: it has ended already (its windows may
    // outlive it for a moment), and the next poll tells so.
    w.ended = error == ERROR_INVALID_PARAMETER;
    return w;
}

void ProcessWatcher::add(std::uint32_t processId) {
    if (contains(processId)) return;
    watched_.emplace(processId, open(processId));
}

void ProcessWatcher::add(std::uint32_t processId, KernelHandle process) {
    if (!process) return;
    Watched w;
    w.created = createdAt(process.get());
    w.process = std::move(process);
    watched_[processId] = std::move(w);
}

void ProcessWatcher::remove(std::uint32_t processId) { watched_.erase(processId); }

void ProcessWatcher::watchExactly(const std::vector<std::uint32_t>& processIds) {
    std::unordered_map<std::uint32_t, Watched> next;
    next.reserve(processIds.size());
    for (const std::uint32_t id : processIds) {
        if (next.count(id) != 0) continue;
        const auto it = watched_.find(id);
        next.emplace(id, it != watched_.end() ? std::move(it->second) : open(id));
    }
    watched_ = std::move(next);  // the handles of the others close here
}

std::vector<std::uint32_t> ProcessWatcher::poll() {
    std::vector<std::uint32_t> endedNow;
    std::vector<std::uint32_t> ids;
    std::vector<Watched*> running;
    std::vector<HANDLE> handles;
    for (auto& [id, w] : watched_) {
        if (w.ended) {
            // Found gone when it was added.
            if (!w.told) endedNow.push_back(id);
            w.told = true;
        } else if (w.process) {
            ids.push_back(id);
            running.push_back(&w);
            handles.push_back(w.process.get());
        }
    }
    for (const std::size_t index : signalledNow(handles, unwaitable_ == Unwaitable::MeansEnded)) {
        running[index]->ended = running[index]->told = true;
        endedNow.push_back(ids[index]);
    }
    return endedNow;
}

bool ProcessWatcher::ended(std::uint32_t processId) const {
    const auto it = watched_.find(processId);
    return it != watched_.end() && it->second.ended;
}

bool ProcessWatcher::watching(std::uint32_t processId) const {
    const auto it = watched_.find(processId);
    return it != watched_.end() && (it->second.process || it->second.ended);
}

std::uint64_t ProcessWatcher::creationTime(std::uint32_t processId) const {
    const auto it = watched_.find(processId);
    return it == watched_.end() ? 0 : it->second.created;
}

HANDLE ProcessWatcher::handle(std::uint32_t processId) const {
    const auto it = watched_.find(processId);
    return it == watched_.end() ? nullptr : it->second.process.get();
}

std::vector<HANDLE> ProcessWatcher::handles(std::size_t most) const {
    std::vector<HANDLE> out;
    out.reserve(std::min(most, watched_.size()));
    for (const auto& [id, w] : watched_) {
        if (out.size() >= most) break;
        if (w.process && !w.ended) out.push_back(w.process.get());
    }
    return out;
}

}  // namespace vuv::win
