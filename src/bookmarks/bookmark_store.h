// The local bookmarks as the workspace and the importers change them in
// bulk: the whole table read or replaced, addresses appended, and the
// loop-opening choice that goes with them. The bookmark page implements it,
// its view following every change; hand-outs and returns go through a
// BookmarkSource instead.
#pragma once

#include "bookmarks/bookmark_table.h"

#include <string>
#include <vector>

namespace vuv {

class BookmarkStore {
public:
    virtual ~BookmarkStore() = default;

    [[nodiscard]] virtual const BookmarkTable& table() const = 0;
    // Replaces the whole table (a workspace opened).
    virtual void replaceTable(BookmarkTable table) = 0;
    // Appends unused rows at the end (an import).
    virtual void appendBookmarks(std::vector<std::string> addresses) = 0;
    // With none left, a request starts again from the first row.
    [[nodiscard]] virtual bool loopOpening() const = 0;
    virtual void setLoopOpening(bool on) = 0;
};

}  // namespace vuv
