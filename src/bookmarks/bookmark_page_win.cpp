#include "bookmarks/bookmark_page_win.h"

#include "bookmarks/bookmark_export.h"
#include "common/control_ids.h"
#include "common/event_log.h"
#include "common/file_dialog_win.h"
#include "common/files_win.h"
#include "common/tell_operator_win.h"
#include "common/trace_win.h"
#include "common/ui_win.h"

#include <utility>

namespace vuv::win {

namespace {

enum BookmarkColumn : int { kName, kAddress, kState, kHolder, kTime };

constexpr wchar_t kExportFilter[] = L"文本文件(txt)|*.txt|所有文件(*.*)|*.*";

}  // namespace

const std::vector<MenuRow>& BookmarkPage::menu() {
    static const std::vector<MenuRow> rows{
        {L"退回选中的书签", id::kReturnSelected},
        {L"退回已退出浏览器的书签", id::kReturnExited},
        {L"删除选中的书签", id::kDeleteBookmarks},
        {L"导出书签…", id::kExportBookmarks},
    };
    return rows;
}

BookmarkPage::BookmarkPage(HWND main, EventSink& events, std::function<bool(std::uint32_t)> copyExited)
    : main_(main), events_(events), copyExited_(std::move(copyExited)) {
    view_.attach(GetDlgItem(main, id::kBookmarkList),
                 {{L"书签名", 80}, {L"地址", 400}, {L"书签状态", 75}, {L"浏览器", 60}, {L"时间", 65}},
                 [this](std::size_t row, int column) { return cellText(row, column); });
}

std::string_view BookmarkPage::cellText(std::size_t row, int column) {
    if (row >= table_.size()) return {};
    switch (column) {
        case kAddress: return table_.at(row).address;
        case kState: return table_.stateText(row);
        case kHolder: {
            const std::uint32_t holder = table_.holder(row);
            if (holder == BookmarkTable::kNoHolder) return {};
            cell_ = std::to_string(holder);
            return cell_;
        }
        case kTime: {
            const std::int32_t at = table_.handedAt(row);
            if (at == BookmarkTable::kNoTime) return {};
            cell_ = clockText(at);
            return cell_;
        }
        default: return {};
    }
}

bool BookmarkPage::loopOpening() const {
    return SendMessageW(GetDlgItem(main_, id::kLoopBox), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void BookmarkPage::setLoopOpening(bool on) {
    SendMessageW(GetDlgItem(main_, id::kLoopBox), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

BookmarkTable::Handout BookmarkPage::takeNextBookmark(HWND commandWindow) {
    // The row is marked opened here, before the caller sends it: while the
    // send waits, the same browser may ask again (a nested notification),
    // and that request must get the next bookmark, not this one a second
    // time. The send's result does not matter either way.
    DWORD processId = 0;
    if (commandWindow != nullptr) GetWindowThreadProcessId(commandWindow, &processId);
    const BookmarkHolder holder = processId != 0 ? holders_.identify(processId) : BookmarkHolder{};
    const BookmarkTable::Handout handout = source_.next(BookmarkRequest{holder, localSecondsOfDay(), loopOpening()});
    switch (handout.kind) {
        case BookmarkTable::Handout::Kind::Open: {
            const int row = static_cast<int>(handout.row);
            ListView_RedrawItems(view_.hwnd(), row, row);
            break;
        }
        case BookmarkTable::Handout::Kind::Reset:
            syncHolders();
            view_.refresh();
            break;
        case BookmarkTable::Handout::Kind::Exhausted:
            syncHolders();
            // Never a modal box inside a notification's handling: the notice
            // is shown when the posted message comes round. Requests while
            // it is on its way or open add no other: the log has each.
            if (notice_ == Notice::None) {
                notice_ = Notice::Posted;
                PostMessageW(main_, id::kMsgBookmarksExhausted, 0, 0);
            }
            break;
    }
    return handout;
}

void BookmarkPage::appendBookmarks(std::vector<std::string> addresses) {
    table_.appendAll(std::move(addresses));
    view_.setRowCount(table_.size());
}

void BookmarkPage::resetBookmarkStates() {
    table_.resetStates();
    syncHolders();
    view_.refresh();
}

void BookmarkPage::clearBookmarks() {
    table_.clear();
    syncHolders();
    view_.setRowCount(0);
}

void BookmarkPage::syncHolders() { holders_.keepOnly(source_.holders()); }

std::size_t BookmarkPage::returnSelected() { return returnRows(view_.selectedRows()); }

std::size_t BookmarkPage::returnRows(const std::vector<std::size_t>& rows) {
    const std::size_t changed = source_.giveBack(rows);
    if (changed == 0) return 0;
    syncHolders();
    view_.refresh();
    return changed;
}

void BookmarkPage::pollHolders() { holders_.poll(); }

std::size_t BookmarkPage::returnExited() {
    holders_.poll();
    // The instance table's word counts only for a holder the watch cannot
    // tell about: one whose process could not be opened.
    const std::vector<std::size_t> rows = source_.ended([&](const BookmarkHolder& holder) {
        if (holders_.watching(holder)) return holders_.ended(holder);
        return copyExited_ && copyExited_(holder.processId);
    });
    if (rows.empty()) return 0;
    // Their holders are named no more: they are forgotten, and a new copy
    // with the same id starts afresh.
    syncHolders();
    for (std::size_t row : rows) ListView_RedrawItems(view_.hwnd(), static_cast<int>(row), static_cast<int>(row));
    return rows.size();
}

std::size_t BookmarkPage::deleteSelected() {
    const std::size_t removed = table_.removeRows(view_.selectedRows());
    if (removed == 0) return 0;
    syncHolders();
    view_.clearSelection();
    view_.setRowCount(table_.size());
    return removed;
}

void BookmarkPage::exportToFile() {
    const std::optional<std::wstring> path = askSaveFile(main_, kExportFilter, L"txt");
    if (!path) return;
    // Through a temporary file: a failed export leaves the previous file whole.
    if (!replaceFileBytes(*path, exportBookmarks(table_))) tellOperator(events_, L"书签导出失败", *path);
}

void BookmarkPage::replaceTable(BookmarkTable table) {
    table_ = std::move(table);
    // Restored holders are looked at now: those gone, and those whose id
    // now belongs to another process, count as ended.
    syncHolders();
    view_.clearSelection();
    view_.setRowCount(table_.size());  // redraws every row
}

bool BookmarkPage::onCommand(int id, int) {
    switch (id) {
        case id::kBookmarkClear: clearBookmarks(); return true;
        case id::kResetStates: resetBookmarkStates(); return true;
        case id::kReturnSelected: returnSelected(); return true;
        case id::kReturnExited: returnExited(); return true;
        case id::kDeleteBookmarks: deleteSelected(); return true;
        case id::kExportBookmarks: exportToFile(); return true;
        default: return false;
    }
}

bool BookmarkPage::onNotify(const NMHDR& header, LRESULT&) {
    if (header.hwndFrom == view_.hwnd() && header.code == NM_RCLICK) {
        popUpMenu(main_, menu());
        return true;
    }
    return view_.onNotify(header);
}

bool BookmarkPage::onMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
    if (message != id::kMsgBookmarksExhausted) return false;
    result = 0;
    if (notice_ == Notice::Open) return true;
    // The box pumps messages: requests handled meanwhile see it open and
    // open no other.
    notice_ = Notice::Open;
    messageBox(L"书签管理书签已全部使用。", L"提醒", MB_OK);
    notice_ = Notice::None;
    return true;
}

}  // namespace vuv::win
