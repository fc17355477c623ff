#include "bookmarks/bookmark_page_win.h"

#include "app/control_ids.h"
#include "common/ui_win.h"
#include "link/channel_win.h"

namespace vuv::win {

void BookmarkPage::attach(HWND main) {
    main_ = main;
    view_.attach(GetDlgItem(main, id::超级列表框2), {{L"书签名", 80}, {L"地址", 400}, {L"书签状态", 75}},
                 [this](std::size_t row, int column) -> std::string_view {
                     if (row >= table_.size()) return {};
                     switch (column) {
                         case 1: return table_.at(row).address;
                         case 2: return table_.stateText(row);
                         default: return {};
                     }
                 });
}

void BookmarkPage::openNextBookmark(HWND commandWindow) {
    const bool loop = SendMessageW(GetDlgItem(main_, id::选择框3), BM_GETCHECK, 0, 0) == BST_CHECKED;
    const BookmarkTable::Handout handout = table_.next(loop);
    switch (handout.kind) {
        case BookmarkTable::Handout::Kind::Open:
            sendOpenLink(commandWindow, handout.address);
            ListView_RedrawItems(view_.hwnd(), static_cast<int>(handout.row), static_cast<int>(handout.row));
            break;
        case BookmarkTable::Handout::Kind::Reset: view_.refresh(); break;
        case BookmarkTable::Handout::Kind::Exhausted:
            // Never a modal box inside a notification's handling.
            PostMessageW(main_, id::kMsgBookmarksExhausted, 0, 0);
            break;
    }
}

void BookmarkPage::appendBookmark(std::string_view address) {
    table_.append(std::string(address));
    view_.setRowCount(table_.size());
}

void BookmarkPage::appendBookmarks(const std::vector<std::string>& addresses) {
    for (const std::string& address : addresses) table_.append(address);
    view_.setRowCount(table_.size());
}

bool BookmarkPage::onCommand(int id, int) {
    switch (id) {
        case id::按钮6:
            table_.clear();
            view_.setRowCount(0);
            return true;
        case id::按钮12:
            table_.resetStates();
            view_.refresh();
            return true;
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
