// The page 书签管理: the bookmark table handed out to browsers that ask.
#pragma once

#include "app/app_win.h"
#include "bookmarks/bookmark_table.h"
#include "common/listview_win.h"

#include <string_view>

namespace vuv::win {

class BookmarkPage final : public Page {
public:
    void attach(HWND main) override;
    bool onCommand(int id, int notifyCode) override;
    bool onNotify(const NMHDR& header, LRESULT& result) override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // Opens the first unused bookmark in the browser whose command window is
    // given; when none is left, starts again (loop opening) or posts the
    // exhaustion notice, which is shown after the current handler returns.
    void openNextBookmark(HWND commandWindow);
    void appendBookmark(std::string_view address);
    void appendBookmarks(const std::vector<std::string>& addresses);

    [[nodiscard]] const BookmarkTable& table() const noexcept { return table_; }

private:
    HWND main_ = nullptr;
    VirtualListView view_;
    BookmarkTable table_;
};

}  // namespace vuv::win
