// The page 批量启动: the launch list, its pop-up menu 批量启动菜单, export,
// the designated-browser check box and the launch walks.
#pragma once

#include "app/app_win.h"
#include "common/listview_win.h"
#include "launch/launch_entry.h"
#include "launch/launch_list.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace vuv::win {

class LaunchPage final : public Page {
public:
    void attach(HWND main) override;
    bool onCommand(int id, int notifyCode) override;
    bool onNotify(const NMHDR& header, LRESULT& result) override;

    // Appends entries at the end of the list (the importers use these).
    void append(LaunchEntry entry);
    void appendEntries(std::vector<LaunchEntry> entries);

    // Edits of the selected rows, first to last; nothing when none is selected.
    void setConfigOfSelected(std::string_view config);
    void setAddressOfSelected(std::string_view address);
    void renameSelected(std::string_view name);
    void deleteSelected();
    void clear();

    // Entry access for the launch walks.
    [[nodiscard]] const LaunchList& list() const noexcept { return list_; }
    [[nodiscard]] std::size_t size() const noexcept { return list_.size(); }
    [[nodiscard]] bool isSelected(std::size_t row) const;
    [[nodiscard]] bool anySelected() const { return view_.anySelected(); }
    [[nodiscard]] std::vector<std::size_t> selectedRows() const { return view_.selectedRows(); }

    // States of the page's controls, read afresh at every step of a walk.
    [[nodiscard]] bool designatedMode() const;
    [[nodiscard]] bool wapMode() const;
    [[nodiscard]] int launchInterval() const;

    // Writes every entry as "|#|" lines to a text file chosen by the operator.
    void exportEntries();

private:
    void onDesignatedBoxClicked();
    void editSelected(int command);
    void rowsChanged();
    void rowsChangedWithoutSelection();

    HWND main_ = nullptr;
    VirtualListView view_;
    LaunchList list_;
};

}  // namespace vuv::win
