#include "common/listview_win.h"

#include "common/dpi_win.h"
#include "common/encoding_win.h"

#include <algorithm>
#include <cwchar>

namespace vuv::win {

void VirtualListView::attach(HWND listView, std::initializer_list<Column> columns, CellText cellText) {
    hwnd_ = listView;
    cellText_ = std::move(cellText);
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

void VirtualListView::setRowCount(std::size_t rows) {
    const int count = static_cast<int>(std::min<std::size_t>(rows, 0x7FFFFFFF));
    SendMessageW(hwnd_, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), LVSICF_NOSCROLL);
    refresh();
}

void VirtualListView::refresh() { InvalidateRect(hwnd_, nullptr, FALSE); }

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

std::vector<std::size_t> VirtualListView::selectedRows() const {
    std::vector<std::size_t> rows;
    const int selected = static_cast<int>(SendMessageW(hwnd_, LVM_GETSELECTEDCOUNT, 0, 0));
    if (selected <= 0) return rows;
    rows.reserve(static_cast<std::size_t>(selected));
    for (int i = ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(hwnd_, i, LVNI_SELECTED)) {
        rows.push_back(static_cast<std::size_t>(i));
    }
    return rows;
}

std::optional<std::size_t> VirtualListView::firstSelected() const {
    const int i = ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED);
    if (i < 0) return std::nullopt;
    return static_cast<std::size_t>(i);
}

void VirtualListView::clearSelection() { ListView_SetItemState(hwnd_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED); }

}  // namespace vuv::win
