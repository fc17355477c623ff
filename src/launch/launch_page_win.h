// The page 批量启动: the launch list, its pop-up menu 批量启动菜单, export and
// the designated-browser check box. The launch walks are the scheduler's.
#pragma once

#include "common/event_sink.h"
#include "common/listview_win.h"
#include "common/menu_win.h"
#include "common/routes_win.h"
#include "common/ui_win.h"
#include "common/settings.h"
#include "launch/launch_entry.h"
#include "launch/launch_list.h"

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

namespace vuv::win {

class LaunchPage final {
public:
    // chooseDesignatedBrowser opens the path dialog for the designated
    // browser (the check box asks for one when there is none). A failed
    // export is written to events.
    LaunchPage(HWND main, const Settings& settings, EventSink& events, std::function<void()> chooseDesignatedBrowser);

    // "清空", "导出", the check box "批量启动指定浏览器", the edit items of
    // 批量启动菜单 and the list's notifications.
    void registerIds(Routes& routes);

    // The main window the page's controls belong to.
    [[nodiscard]] HWND window() const noexcept { return main_; }

    // Appends entries at the end of the list (the importers use these).
    void append(LaunchEntry entry);
    void appendEntries(std::vector<LaunchEntry> entries);

    // Edits of the selected rows, first to last; nothing when none is selected.
    void setConfigOfSelected(std::string_view config);
    void setAddressOfSelected(std::string_view address);
    void renameSelected(std::string_view name);
    void deleteSelected();
    void clear();
    // Replaces every entry (a workspace opened).
    void replaceEntries(std::vector<LaunchEntry> entries);

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
    // The interval box's text as typed, and the two check boxes, as a
    // workspace keeps them; setting them changes no other control.
    [[nodiscard]] std::string intervalText() const;
    void setIntervalText(std::string_view gbk);
    void setDesignatedMode(bool on);
    void setWapMode(bool on);

    // Writes every entry as "|#|" lines to a text file chosen by the operator.
    void exportEntries();

    // The pop-up menu 批量启动菜单, in its order.
    [[nodiscard]] static const std::vector<MenuRow>& menu();

    // The controls of the tab 批量启动, in tab order.
    [[nodiscard]] static const std::vector<ControlRow>& controls();

private:
    void onDesignatedBoxClicked();
    void editSelected(int command);
    void rowsChanged();
    void rowsChangedWithoutSelection();

    HWND main_;
    const Settings& settings_;
    EventSink& events_;
    std::function<void()> chooseDesignatedBrowser_;
    VirtualListView view_;
    LaunchList list_;
};

}  // namespace vuv::win
