#include "common/listview_win.h"

#include "common/dpi_win.h"
#include "common/encoding_win.h"

#include <algorithm>
#include <cwchar>

namespace vuv::win {

void ReportListView::attachColumns(HWND listView, std::initializer_list<Column> columns) {
    hwnd_ = listView;
    ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    const int dpi = windowDpi(hwnd_);
    int index = 0;
    for (const Column& column : columns) {
        LVCOLUMNW lvc{};
        lvc.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        lvc.pszText = const_cast<wchar_t*>(column.title);
        lvc.cx = dpi::scale(column.width, dpi);
        lvc.iSubItem = index;
        SendMessageW(hwnd_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&lvc));
        ++index;
    }
}

std::vector<std::size_t> ReportListView::selectedRows() const {
    std::vector<std::size_t> rows;
    const int selected = static_cast<int>(SendMessageW(hwnd_, LVM_GETSELECTEDCOUNT, 0, 0));
    if (selected <= 0) return rows;
    rows.reserve(static_cast<std::size_t>(selected));
    for (int i = ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(hwnd_, i, LVNI_SELECTED)) {
        rows.push_back(static_cast<std::size_t>(i));
    }
    return rows;
}

std::optional<std::size_t> ReportListView::firstSelected() const {
    const int i = ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED);
    if (i < 0) return std::nullopt;
    return static_cast<std::size_t>(i);
}

void ReportListView::clearSelection() { ListView_SetItemState(hwnd_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED); }

void ReportListView::select(const std::vector<std::size_t>& rows) {
    clearSelection();
    bool first = true;
    for (std::size_t row : rows) {
        const UINT state = first ? LVIS_SELECTED | LVIS_FOCUSED : LVIS_SELECTED;
        ListView_SetItemState(hwnd_, static_cast<int>(row), state, state);
        first = false;
    }
}

void ReportListView::refresh() { InvalidateRect(hwnd_, nullptr, FALSE); }

void VirtualListView::attach(HWND listView, std::initializer_list<Column> columns, CellText cellText) {
    attachColumns(listView, columns);
    cellText_ = std::move(cellText);
}

void VirtualListView::setRowCount(std::size_t rows) {
    const int count = static_cast<int>(std::min<std::size_t>(rows, 0x7FFFFFFF));
    SendMessageW(hwnd_, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), LVSICF_NOSCROLL);
    refresh();
}

bool VirtualListView::onNotify(const NMHDR& header) {
    if (header.hwndFrom != hwnd_ || header.code != LVN_GETDISPINFOW) return false;
    auto& info = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header));
    if ((info.item.mask & LVIF_TEXT) == 0 || info.item.pszText == nullptr || info.item.cchTextMax <= 0) return true;
    if (info.item.iItem < 0 || !cellText_) {
        info.item.pszText[0] = L'\0';
        return true;
    }
    buffer_ = widen(cellText_(static_cast<std::size_t>(info.item.iItem), info.item.iSubItem));
    const std::size_t room = static_cast<std::size_t>(info.item.cchTextMax) - 1;
    const std::size_t n = std::min(buffer_.size(), room);
    std::wmemcpy(info.item.pszText, buffer_.data(), n);
    info.item.pszText[n] = L'\0';
    return true;
}

LRESULT VirtualListView::onNotify(const NMHDR& header, HWND owner, const std::vector<MenuRow>& menu) {
    if (header.hwndFrom == hwnd_ && header.code == NM_RCLICK) {
        popUpMenu(owner, menu);
    } else {
        onNotify(header);
    }
    return 0;
}

void ItemListView::attach(HWND listView, std::initializer_list<Column> columns) { attachColumns(listView, columns); }

void ItemListView::setRows(const std::vector<std::vector<std::string>>& cells, const std::vector<LPARAM>& data) {
    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(hwnd_, LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t row = 0; row < cells.size(); ++row) {
        std::wstring first = cells[row].empty() ? std::wstring() : widen(cells[row][0]);
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(row);
        item.pszText = first.data();
        item.lParam = row < data.size() ? data[row] : 0;
        const int at = static_cast<int>(SendMessageW(hwnd_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        for (std::size_t column = 1; column < cells[row].size(); ++column) {
            std::wstring text = widen(cells[row][column]);
            LVITEMW sub{};
            sub.iSubItem = static_cast<int>(column);
            sub.pszText = text.data();
            SendMessageW(hwnd_, LVM_SETITEMTEXTW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&sub));
        }
    }
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    refresh();
}

void ItemListView::setCell(std::size_t row, int column, std::string_view gbk) {
    std::wstring text = widen(gbk);
    wchar_t shown[512] = {};
    LVITEMW get{};
    get.iSubItem = column;
    get.pszText = shown;
    get.cchTextMax = 512;
    const auto length = static_cast<std::size_t>(
        SendMessageW(hwnd_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&get)));
    if (std::wstring_view(shown, length) == text) return;
    LVITEMW set{};
    set.iSubItem = column;
    set.pszText = text.data();
    SendMessageW(hwnd_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&set));
}

void ItemListView::setCallbackCell(std::size_t row, int column) {
    LVITEMW set{};
    set.iSubItem = column;
    set.pszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(hwnd_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&set));
}

void ItemListView::redrawRow(std::size_t row) {
    SendMessageW(hwnd_, LVM_REDRAWITEMS, static_cast<WPARAM>(row), static_cast<LPARAM>(row));
}

void ItemListView::removeRow(std::size_t row) { SendMessageW(hwnd_, LVM_DELETEITEM, static_cast<WPARAM>(row), 0); }

}  // namespace vuv::win
