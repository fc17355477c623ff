#include "bookmarks/holder_watch_win.h"

#include "common/message_loop_win.h"

#include <utility>

namespace vuv::win {

namespace {

constexpr DWORD kWatchRights = SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION;

// 0 when the times cannot be read.
std::uint64_t creationTime(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return (static_cast<std::uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// OpenProcess fails with this when no process has the id.
bool noSuchProcess() { return GetLastError() == ERROR_INVALID_PARAMETER; }

bool signalled(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

}  // namespace

BookmarkHolder HolderWatch::identify(std::uint32_t processId) {
    KernelHandle process(OpenProcess(kWatchRights, FALSE, processId));
    if (!process) {
        const BookmarkHolder holder{processId, 0};
        watched_.try_emplace(holder, Watched{KernelHandle(), noSuchProcess()});
        return holder;
    }
    const BookmarkHolder holder{processId, creationTime(process.get())};
    Watched& w = watched_[holder];
    // Watched already: the handle just opened goes again.
    if (!w.process && !w.ended) w.process = std::move(process);
    return holder;
}

HolderWatch::Watched HolderWatch::look(const BookmarkHolder& holder) {
    KernelHandle process(OpenProcess(kWatchRights, FALSE, holder.processId));
    if (!process) return Watched{KernelHandle(), noSuchProcess()};
    if (signalled(process.get())) return Watched{KernelHandle(), true};
    // The id now belongs to another process.
    if (holder.started != 0 && creationTime(process.get()) != holder.started) return Watched{KernelHandle(), true};
    return Watched{std::move(process), false};
}

void HolderWatch::keepOnly(const std::vector<BookmarkHolder>& holders) {
    std::unordered_map<BookmarkHolder, Watched, BookmarkHolderHash> next;
    next.reserve(holders.size());
    for (const BookmarkHolder& holder : holders) {
        const auto it = watched_.find(holder);
        if (it != watched_.end()) {
            next.emplace(holder, std::move(it->second));
        } else {
            next.emplace(holder, look(holder));
        }
    }
    watched_ = std::move(next);  // the handles of the others close here
}

void HolderWatch::poll() {
    std::vector<Watched*> running;
    std::vector<HANDLE> handles;
    for (auto& [holder, w] : watched_) {
        if (!w.process) continue;
        running.push_back(&w);
        handles.push_back(w.process.get());
    }
    // A handle that cannot be waited on tells nothing: not taken for ended.
    for (const std::size_t index : signalledNow(handles, false)) {
        running[index]->ended = true;
        running[index]->process.reset();
    }
}

bool HolderWatch::ended(const BookmarkHolder& holder) const {
    const auto it = watched_.find(holder);
    return it != watched_.end() && it->second.ended;
}

bool HolderWatch::watching(const BookmarkHolder& holder) const {
    const auto it = watched_.find(holder);
    return it != watched_.end() && (it->second.process || it->second.ended);
}

}  // namespace vuv::win
