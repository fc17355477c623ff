// The page 书签管理: the bookmark table handed out to browsers that ask,
// which copy got each one and when, and the pop-up menu that gives
// bookmarks back, deletes and exports them.
#pragma once

#include "bookmarks/bookmark_source.h"
#include "bookmarks/bookmark_store.h"
#include "bookmarks/bookmark_table.h"
#include "bookmarks/holder_watch_win.h"
#include "common/event_sink.h"
#include "common/listview_win.h"
#include "common/menu_win.h"
#include "common/routes_win.h"
#include "common/ui_win.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vuv::win {

class BookmarkPage final : public BookmarkStore {
public:
    // The page watches the processes it handed bookmarks to itself, so a
    // copy that was never listed counts too; copyExited (whether the
    // instance table has seen a copy exit) answers for a holder whose
    // process the page could not open. A failed export goes to events too.
    BookmarkPage(HWND main, EventSink& events, std::function<bool(std::uint32_t processId)> copyExited);

    // "清空", "清空书签状态", the items of the list's pop-up menu, the list's
    // notifications and the exhaustion notice's message.
    void registerIds(Routes& routes);

    // Takes the first unused bookmark for the browser whose command window
    // is given (the caller sends it the address); when none is left, starts
    // again (loop opening) or posts the exhaustion notice, which is shown
    // after the current handler returns. One notice is open at a time:
    // requests while it is posted or open add none (each is still in the
    // log). Returns what was done; the holder is the process of the command
    // window.
    BookmarkTable::Handout takeNextBookmark(HWND commandWindow);
    void appendBookmarks(std::vector<std::string> addresses) override;
    // "清空书签状态" and "清空".
    void resetBookmarkStates();
    void clearBookmarks();

    // "退回选中的书签": the selected rows back to unused.
    std::size_t returnSelected();
    // The same for the rows given (the automation interface).
    std::size_t returnRows(const std::vector<std::size_t>& rows);
    // "退回已退出浏览器的书签", and the automatic return: the last bookmark
    // handed to each copy that has exited goes back to unused, unless it was
    // given back or handed on since. Returns how many rows changed.
    std::size_t returnExited();
    // "删除选中的书签".
    std::size_t deleteSelected();
    // Looks, without waiting, whether copies holding bookmarks have ended,
    // so that none of them keeps a handle (returnExited gives their
    // bookmarks back, now or later).
    void pollHolders();
    // "导出书签…": a file that 导入 reads back as the same addresses.
    void exportToFile();

    // BookmarkStore: the table behind the view, and the check box
    // "是否循环打开书签".
    void replaceTable(BookmarkTable table) override;
    [[nodiscard]] bool loopOpening() const override;
    void setLoopOpening(bool on) override;
    [[nodiscard]] const BookmarkTable& table() const noexcept override { return table_; }

    // The pop-up menu of the bookmark list, in its order.
    [[nodiscard]] static const std::vector<MenuRow>& menu();

    // The controls of the tab 书签管理, in tab order.
    [[nodiscard]] static const std::vector<ControlRow>& controls();

private:
    [[nodiscard]] std::string_view cellText(std::size_t row, int column);
    // The watch follows the table: only the holders it still names.
    void syncHolders();
    void showExhaustedNotice();

    HWND main_;
    EventSink& events_;
    VirtualListView view_;
    BookmarkTable table_;
    // Requests, returns and the holders to watch go through the source; the
    // view, deletion, export and the workspace use the table behind it.
    LocalBookmarkSource local_{table_};
    BookmarkSource& source_ = local_;
    std::function<bool(std::uint32_t)> copyExited_;
    HolderWatch holders_;  // the copies that hold their last hand-out
    enum class Notice { None, Posted, Open };
    Notice notice_ = Notice::None;  // the exhaustion notice
    std::string cell_;  // the text of the cell last asked for
};

}  // namespace vuv::win
