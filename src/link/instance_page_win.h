// The page 独立控制: the instance table of running browsers, the walk from its
// selected rows to their browsers' windows, and the commands of its pop-up
// menu 独立右键.
#pragma once

#include "common/listview_win.h"
#include "common/menu_win.h"
#include "common/page_win.h"
#include "link/channel_win.h"
#include "link/instances.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace vuv::win {

// A listed browser's windows. A window counts only while it exists and still
// belongs to the row's process; otherwise it is null, and commands give that
// browser nothing while the other rows are still served.
struct BrowserWindows {
    std::uint32_t processId = 0;
    HWND frame = nullptr;    // "鹭行x": closes and proxy posts
    HWND command = nullptr;  // "鹭行a": transfers
    NameVariant variant = NameVariant::Unicode;  // the names its transfers go under
};

class InstancePage final : public Page {
public:
    explicit InstancePage(HWND main);

    bool onCommand(int id, int notifyCode) override;
    bool onNotify(const NMHDR& header, LRESULT& result) override;
    void onPageShown(int page) override;

    // Rebuilds the instance records and the table from the running browsers.
    void scanInstances();

    [[nodiscard]] HWND commandWindowOf(std::uint32_t processId) const;
    [[nodiscard]] HWND frameWindowOf(std::uint32_t processId) const;
    [[nodiscard]] HWND frameWindowOfCommandWindow(HWND commandWindow) const;

    // The browsers of the selected rows, or of every row, first to last.
    [[nodiscard]] std::vector<BrowserWindows> selectedBrowsers() const;
    [[nodiscard]] std::vector<BrowserWindows> listedBrowsers() const;
    [[nodiscard]] bool anySelected() const { return view_.anySelected(); }

    // The pop-up menu 独立右键, in its order.
    [[nodiscard]] static const std::vector<MenuRow>& menu();

private:
    [[nodiscard]] BrowserWindows windowsOf(std::uint32_t processId) const;
    void closeSelected();
    void readConfigInSelected();
    void openLinkInSelected();

    void showRows();

    HWND main_;
    ItemListView view_;  // its rows carry the process id as item data
    InstanceTable table_;
};

}  // namespace vuv::win
