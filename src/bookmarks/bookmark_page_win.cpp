#include "bookmarks/bookmark_page_win.h"

#include "common/control_ids.h"
#include "common/gbk.h"
#include "common/ui_win.h"
#include "link/channel_win.h"

namespace vuv::win {


BookmarkPage::BookmarkPage(HWND main) : main_(main) {
    view_.attach(GetDlgItem(main, id::kBookmarkList), {{L"书签名", 80}, {L"地址", 400}, {L"书签状态", 75}},
                 [this](std::size_t row, int column) -> std::string_view {
                     if (row >= table_.size()) return {};
                     switch (column) {
                         case 1: return table_.at(row).address;
                         case 2: return table_.stateText(row);
                         default: return {};
                     }
                 });
}

bool BookmarkPage::loopOpening() const {
    return SendMessageW(GetDlgItem(main_, id::kLoopBox), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

BookmarkTable::Handout BookmarkPage::openNextBookmark(HWND commandWindow, NameVariant variant) {
    // The row is marked opened before the send, not after: while the send
    // waits, the same browser may ask again (a nested notification), and that
    // request must get the next bookmark, not this one a second time. The
    // send's result does not matter either way.
    DWORD holder = 0;
    if (commandWindow != nullptr) GetWindowThreadProcessId(commandWindow, &holder);
    const BookmarkTable::Handout handout = table_.next(loopOpening(), holder, localSecondsOfDay());
    switch (handout.kind) {
        case BookmarkTable::Handout::Kind::Open: {
            const int row = static_cast<int>(handout.row);
            ListView_RedrawItems(view_.hwnd(), row, row);
            sendOpenLink(commandWindow, handout.address, variant);
            break;
        }
        case BookmarkTable::Handout::Kind::Reset: view_.refresh(); break;
        case BookmarkTable::Handout::Kind::Exhausted:
            // Never a modal box inside a notification's handling: the notice
            // is shown when the posted message comes round, one per request.
            PostMessageW(main_, id::kMsgBookmarksExhausted, 0, 0);
            break;
    }
    return handout;
}

void BookmarkPage::appendBookmark(std::string_view address) {
    table_.append(std::string(address));
    view_.setRowCount(table_.size());
}

void BookmarkPage::appendBookmarks(std::vector<std::string> addresses) {
    table_.appendAll(std::move(addresses));
    view_.setRowCount(table_.size());
}

void BookmarkPage::resetBookmarkStates() {
    table_.resetStates();
    view_.refresh();
}

void BookmarkPage::clearBookmarks() {
    table_.clear();
    view_.setRowCount(0);
}

bool BookmarkPage::onCommand(int id, int) {
    switch (id) {
        case id::kBookmarkClear: clearBookmarks(); return true;
        case id::kResetStates: resetBookmarkStates(); return true;
        default: return false;
    }
}

bool BookmarkPage::onNotify(const NMHDR& header, LRESULT&) { return view_.onNotify(header); }

bool BookmarkPage::onMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
    if (message != id::kMsgBookmarksExhausted) return false;
    messageBox(L"书签管理书签已全部使用。", L"提醒", MB_OK);
    result = 0;
    return true;
}

}  // namespace vuv::win
