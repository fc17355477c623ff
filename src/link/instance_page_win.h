// The page 独立控制: the instance table of running browsers and the commands
// of its pop-up menu 独立右键.
#pragma once

#include "app/app_win.h"
#include "common/listview_win.h"
#include "link/instances.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace vuv::win {

class InstancePage final : public Page {
public:
    void attach(HWND main) override;
    bool onCommand(int id, int notifyCode) override;
    bool onNotify(const NMHDR& header, LRESULT& result) override;

    // Rebuilds the instance records and the table from the running browsers.
    void scanInstances();

    [[nodiscard]] HWND commandWindowOf(std::uint32_t processId) const;
    [[nodiscard]] HWND frameWindowOf(std::uint32_t processId) const;
    [[nodiscard]] HWND frameWindowOfCommandWindow(HWND commandWindow) const;

    // Process ids of the table's rows, all or the selected ones, in row order.
    [[nodiscard]] std::vector<std::uint32_t> rowProcessIds() const;
    [[nodiscard]] std::vector<std::uint32_t> selectedProcessIds() const;

    // Commands whose dialogs are owned elsewhere call these when confirmed.
    void readConfigInSelected(std::string_view path);
    void openLinkInSelected(std::string_view address);

private:
    void closeSelected();

    HWND main_ = nullptr;
    VirtualListView view_;
    InstanceRecords records_;
    std::vector<InstanceRow> rows_;
    std::string numberText_;
};

}  // namespace vuv::win
