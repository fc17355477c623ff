// Report-mode list views. A virtual one (LVS_OWNERDATA) shows rows held
// elsewhere: the model is the store, the control keeps only the selection
// and asks for the text of the rows it paints, so hundreds of thousands of
// rows stay cheap. An item one holds its rows itself, each with item data
// that other programs can read (LVM_GETITEM with LVIF_PARAM).
#pragma once

#include "common/menu_win.h"

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vuv::win {

struct Column {
    const wchar_t* title;
    int width;  // pixels at 96 DPI, scaled to the list view's
};

// What both kinds share: columns and the selection.
class ReportListView {
public:
    [[nodiscard]] HWND hwnd() const noexcept { return hwnd_; }

    [[nodiscard]] std::vector<std::size_t> selectedRows() const;
    [[nodiscard]] std::optional<std::size_t> firstSelected() const;
    [[nodiscard]] bool anySelected() const { return firstSelected().has_value(); }
    void clearSelection();
    // Selects exactly these rows (ascending); the first gets the focus.
    void select(const std::vector<std::size_t>& rows);
    void refresh();

protected:
    void attachColumns(HWND listView, std::initializer_list<Column> columns);

    HWND hwnd_ = nullptr;
};

class VirtualListView : public ReportListView {
public:
    // GBK text of one cell; the view must stay valid until the next call.
    using CellText = std::function<std::string_view(std::size_t row, int column)>;

    void attach(HWND listView, std::initializer_list<Column> columns, CellText cellText);

    // Tells the control how many rows the model has now and repaints.
    void setRowCount(std::size_t rows);

    // Fills the text the control asks for (LVN_GETDISPINFOW). True when the
    // notification was for this view.
    bool onNotify(const NMHDR& header);
    // The same, and a right click on the view pops up menu for owner (whose
    // window gets the chosen item's command). The notification's result: 0.
    LRESULT onNotify(const NMHDR& header, HWND owner, const std::vector<MenuRow>& menu);

private:
    CellText cellText_;
    std::wstring buffer_;
};

class ItemListView : public ReportListView {
public:
    void attach(HWND listView, std::initializer_list<Column> columns);

    // Replaces every row: cells[i] are row i's texts (GBK) by column, data[i]
    // its item data.
    void setRows(const std::vector<std::vector<std::string>>& cells, const std::vector<LPARAM>& data);
    // One cell's text, only when it differs from what the row shows.
    void setCell(std::size_t row, int column, std::string_view gbk);
    // The cell asks its parent for its text (LVN_GETDISPINFOW) whenever it is
    // drawn or read, so it is never stale to a reader; redrawRow() shows a
    // change.
    void setCallbackCell(std::size_t row, int column);
    void redrawRow(std::size_t row);
    void removeRow(std::size_t row);
};

}  // namespace vuv::win
