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

const std::vector<ControlRow>& BookmarkPage::controls() {
    // Positions relative to the tab control's top-left corner, in tab order.
    static const std::vector<ControlRow> rows{
        {id::kBookmarkClear, Kind::Button, L"清空", 0, 8, 32, 64, 32},
        {id::kBookmarkTextImport, Kind::Button, L"文本导入", 0, 84, 32, 64, 32},
        {id::kBookmarkFileImport, Kind::Button, L"导入", 0, 160, 32, 64, 32},
        {id::kLoopBox, Kind::CheckBox, L"是否循环打开书签", 0, 322, 36, 120, 24},
        {id::kResetStates, Kind::Button, L"清空书签状态", 0, 474, 30, 94, 32},
        {id::kBookmarkList, Kind::ListView, L"", 0, 8, 66, 562, 286, Anchor::Grow},
    };
    return rows;
}

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

void BookmarkPage::registerIds(Routes& routes) {
    constexpr char kOwner[] = "bookmark page";
    routes.commands.claim(id::kBookmarkClear, kOwner, [this](int) { clearBookmarks(); });
    routes.commands.claim(id::kResetStates, kOwner, [this](int) { resetBookmarkStates(); });
    routes.commands.claim(id::kReturnSelected, kOwner, [this](int) { returnSelected(); });
    routes.commands.claim(id::kReturnExited, kOwner, [this](int) { returnExited(); });
    routes.commands.claim(id::kDeleteBookmarks, kOwner, [this](int) { deleteSelected(); });
    routes.commands.claim(id::kExportBookmarks, kOwner, [this](int) { exportToFile(); });
    routes.notifications.claim(id::kBookmarkList, kOwner,
                               [this](const NMHDR& header) { return view_.onNotify(header, main_, menu()); });
    routes.messages.claim(static_cast<int>(id::kMsgBookmarksExhausted), kOwner, [this] { showExhaustedNotice(); });
}

void BookmarkPage::showExhaustedNotice() {
    if (notice_ == Notice::Open) return;
    // The box pumps messages: requests handled meanwhile see it open and
    // open no other.
    notice_ = Notice::Open;
    messageBox(L"书签管理书签已全部使用。", L"提醒", MB_OK);
    notice_ = Notice::None;
}

}  // namespace vuv::win
