// The processes bookmarks were handed to, watched for their end. A holder is
// known by its process id and creation time, so a process that later gets
// the same id is never taken for it. A handle is kept only while the holder
// runs and the bookmark table still names it: at most one per process, none
// for a holder that has ended (its end is remembered instead) or that no
// bookmark names any more.
#pragma once

#include "bookmarks/bookmark_table.h"
#include "common/process_watcher_win.h"

#include <cstddef>
#include <cstdint>
#include <unordered_set>
#include <vector>

namespace vuv::win {

class HolderWatch {
public:
    // The identity of a running process, watched from now on. When the
    // process cannot be opened its creation time stays 0; one that no
    // longer exists counts as ended at once.
    BookmarkHolder identify(std::uint32_t processId);
    // Watches exactly these holders: the others are forgotten (their handles
    // closed), new ones are looked at now. A new holder has ended when no
    // process has its id, or when the process with its id was created at
    // another time; one without a creation time whose id runs is watched
    // as that process, which cannot be told apart from it.
    void keepOnly(const std::vector<BookmarkHolder>& holders);
    // Looks at every running holder without waiting; the handles of those
    // found ended are closed.
    void poll();
    // Whether a watched holder has been found ended.
    [[nodiscard]] bool ended(const BookmarkHolder& holder) const;
    // Whether the watch can tell about the holder by itself: it holds its
    // handle or has seen it end.
    [[nodiscard]] bool watching(const BookmarkHolder& holder) const;

private:
    // Whether the holder is the process watched under its id: the creation
    // times agree, or one of them is not known.
    [[nodiscard]] bool isWatchedProcess(const BookmarkHolder& holder) const;

    ProcessWatcher running_;  // the processes of the holders not known to have ended
    std::unordered_set<BookmarkHolder, BookmarkHolderHash> holders_;  // those of running_
    std::unordered_set<BookmarkHolder, BookmarkHolderHash> ended_;
};

}  // namespace vuv::win
