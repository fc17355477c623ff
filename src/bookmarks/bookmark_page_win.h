// The page 书签管理: the bookmark table handed out to browsers that ask.
#pragma once

#include "bookmarks/bookmark_table.h"
#include "common/listview_win.h"
#include "common/page_win.h"
#include "link/channel_win.h"

#include <string>
#include <string_view>
#include <vector>

namespace vuv::win {

class BookmarkPage final : public Page {
public:
    explicit BookmarkPage(HWND main);

    bool onCommand(int id, int notifyCode) override;
    bool onNotify(const NMHDR& header, LRESULT& result) override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // Opens the first unused bookmark in the browser whose command window is
    // given; when none is left, starts again (loop opening) or posts the
    // exhaustion notice, which is shown after the current handler returns.
    // Returns what was done; the holder is the process of the command window.
    BookmarkTable::Handout openNextBookmark(HWND commandWindow, NameVariant variant = NameVariant::Unicode);
    void appendBookmark(std::string_view address);
    void appendBookmarks(std::vector<std::string> addresses);
    // "清空书签状态" and "清空".
    void resetBookmarkStates();
    void clearBookmarks();

    [[nodiscard]] const BookmarkTable& table() const noexcept { return table_; }

private:
    [[nodiscard]] bool loopOpening() const;

    HWND main_;
    VirtualListView view_;
    BookmarkTable table_;
};

}  // namespace vuv::win
