// The page 独立控制: the instance table showing the copies of the fleet
// (link/fleet_win.h) and the commands of its pop-up menu 独立右键, which it
// hands to the fleet with the selected copies' process ids.
#pragma once

#include "common/listview_win.h"
#include "common/menu_win.h"
#include "common/routes_win.h"
#include "common/ui_win.h"
#include "link/fleet_win.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vuv::win {

class InstancePage final {
public:
    InstancePage(HWND main, Fleet& fleet);

    // The buttons "检测鹭行", the items of 独立右键, the table's
    // notifications and the fleet's timer.
    void registerIds(Routes& routes);
    // The window was shown or another page made current: showing this page
    // scans for copies.
    void onPageShown(int page);

    // The copies of the selected rows, first to last.
    [[nodiscard]] std::vector<std::uint32_t> selectedCopies() const;
    [[nodiscard]] bool anySelected() const { return view_.anySelected(); }
    [[nodiscard]] Fleet& fleet() noexcept { return fleet_; }

    // The pop-up menu 独立右键, in its order.
    [[nodiscard]] static const std::vector<MenuRow>& menu();

    // The controls of the tab 独立控制, in tab order.
    [[nodiscard]] static const std::vector<ControlRow>& controls();

    // The rows of these copies go, as after 关闭鹭行 (the automation
    // interface's close); the records stay until the next scan.
    void removeRowsOf(const std::vector<std::uint32_t>& processIds);

private:
    void showRows();
    void showFacts(std::size_t row);
    void showFactsOf(std::uint32_t processId);
    void redrawRowsOf(std::uint32_t processId);
    [[nodiscard]] std::string heardText(std::size_t row, int column) const;
    void closeSelected();
    void readConfigInSelected();
    void openLinkInSelected();
    void selectInState(std::optional<CopyState> state);
    void removeExitedRows();
    void removeRows(const std::vector<std::size_t>& sortedRows);
    LRESULT onNotify(const NMHDR& header);
    void onTimer();

    HWND main_;
    Fleet& fleet_;
    ItemListView view_;  // its rows carry the process id as item data
};

}  // namespace vuv::win
