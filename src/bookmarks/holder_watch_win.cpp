#include "bookmarks/holder_watch_win.h"

namespace vuv::win {

bool HolderWatch::isWatchedProcess(const BookmarkHolder& holder) const {
    if (!running_.contains(holder.processId)) return false;
    const std::uint64_t created = running_.creationTime(holder.processId);
    return holder.started == 0 || created == 0 || holder.started == created;
}

BookmarkHolder HolderWatch::identify(std::uint32_t processId) {
    // One that could not be opened before is tried again.
    if (!running_.watching(processId)) running_.remove(processId);
    const bool known = running_.contains(processId);
    // The asker runs: a process watched under its id is the asker (the
    // handle held keeps the id from going to another process).
    running_.add(processId);
    const BookmarkHolder holder{processId, running_.creationTime(processId)};
    if (ended_.count(holder) != 0) {
        if (!known) running_.remove(processId);
        return holder;
    }
    holders_.insert(holder);
    // One that cannot be opened because it is gone is told ended at once.
    if (running_.ended(processId)) poll();
    return holder;
}

void HolderWatch::keepOnly(const std::vector<BookmarkHolder>& holders) {
    std::unordered_set<BookmarkHolder, BookmarkHolderHash> running;
    std::unordered_set<BookmarkHolder, BookmarkHolderHash> ended;
    std::unordered_set<std::uint32_t> kept;
    for (const BookmarkHolder& holder : holders) {
        if (ended_.count(holder) != 0) {
            ended.insert(holder);
            continue;
        }
        if (holders_.count(holder) == 0) running_.add(holder.processId);
        if (isWatchedProcess(holder)) {
            running.insert(holder);
            kept.insert(holder.processId);
        } else {
            // The id now belongs to another process.
            ended.insert(holder);
        }
    }
    // The processes no holder names any more are forgotten, their handles
    // closed: those of the holders until now and those just opened.
    for (const auto* some : {&holders_, &ended}) {
        for (const BookmarkHolder& holder : *some) {
            if (kept.count(holder.processId) == 0) running_.remove(holder.processId);
        }
    }
    holders_ = std::move(running);
    ended_ = std::move(ended);
    // The new ones that have ended already are told now.
    poll();
}

void HolderWatch::poll() {
    for (const std::uint32_t id : running_.poll()) {
        for (auto it = holders_.begin(); it != holders_.end();) {
            if (it->processId == id) {
                ended_.insert(*it);
                it = holders_.erase(it);
            } else {
                ++it;
            }
        }
        // An ended holder keeps no handle.
        running_.remove(id);
    }
}

bool HolderWatch::ended(const BookmarkHolder& holder) const { return ended_.count(holder) != 0; }

bool HolderWatch::watching(const BookmarkHolder& holder) const {
    return ended_.count(holder) != 0 || (holders_.count(holder) != 0 && running_.watching(holder.processId));
}

}  // namespace vuv::win
