// A report-mode list view that shows rows held elsewhere (LVS_OWNERDATA): the
// model is the store, the control keeps only the selection and asks for the
// text of the rows it paints. Hundreds of thousands of rows stay cheap.
#pragma once

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

class VirtualListView {
public:
    // GBK text of one cell; the view must stay valid until the next call.
    using CellText = std::function<std::string_view(std::size_t row, int column)>;

    void attach(HWND listView, std::initializer_list<Column> columns, CellText cellText);
    [[nodiscard]] HWND hwnd() const noexcept { return hwnd_; }

    // Tells the control how many rows the model has now and repaints.
    void setRowCount(std::size_t rows);
    void refresh();

    // Fills the text the control asks for (LVN_GETDISPINFOW). True when the
    // notification was for this view.
    bool onNotify(const NMHDR& header);

    [[nodiscard]] std::vector<std::size_t> selectedRows() const;
    [[nodiscard]] std::optional<std::size_t> firstSelected() const;
    [[nodiscard]] bool anySelected() const { return firstSelected().has_value(); }
    void clearSelection();

private:
    HWND hwnd_ = nullptr;
    CellText cellText_;
    std::wstring buffer_;
};

}  // namespace vuv::win
