// The page 书签管理: the bookmark table handed out to browsers that ask.
#pragma once

#include "bookmarks/bookmark_table.h"
#include "common/listview_win.h"
#include "common/page_win.h"

#include <string>
#include <string_view>
#include <vector>

namespace vuv::win {

// Test hook, off by default. Only when the environment variable
// VUV_TEST_HOOKS is "1" at start-up does the main window accept WM_COPYDATA
// with this dwData: the data is GBK addresses, each ended by "\n", appended
// as bookmarks exactly as appendBookmark would; the result is the number
// appended. Benchmarks and end-to-end tests fill big tables with it without
// the address list dialog. With the variable unset the message is ignored.
inline constexpr ULONG_PTR kHookAppendBookmarks = 0x76757642;  // "vuvB"
inline constexpr wchar_t kTestHooksVariable[] = L"VUV_TEST_HOOKS";

class BookmarkPage final : public Page {
public:
    explicit BookmarkPage(HWND main);

    bool onCommand(int id, int notifyCode) override;
    bool onNotify(const NMHDR& header, LRESULT& result) override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // Opens the first unused bookmark in the browser whose command window is
    // given; when none is left, starts again (loop opening) or posts the
    // exhaustion notice, which is shown after the current handler returns.
    void openNextBookmark(HWND commandWindow);
    void appendBookmark(std::string_view address);
    void appendBookmarks(std::vector<std::string> addresses);
    // "清空书签状态" and "清空".
    void resetBookmarkStates();
    void clearBookmarks();

    [[nodiscard]] const BookmarkTable& table() const noexcept { return table_; }

private:
    [[nodiscard]] bool loopOpening() const;
    LRESULT onTestHook(const COPYDATASTRUCT& data);

    HWND main_;
    VirtualListView view_;
    BookmarkTable table_;
    bool testHooks_ = false;
};

}  // namespace vuv::win
