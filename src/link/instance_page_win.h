// The page 独立控制: the instance table of running browsers, what the panel
// knows of each copy (state, when last heard from and how often, the
// bookmark and proxy last given to it), the walk from its selected rows to
// their browsers' windows, and the commands of its pop-up menu 独立右键.
#pragma once

#include "common/event_sink.h"
#include "common/listview_win.h"
#include "common/menu_win.h"
#include "common/page_win.h"
#include "common/process_watcher_win.h"
#include "link/channel_win.h"
#include "link/fleet.h"
#include "link/instances.h"
#include "link/window_source_win.h"

#include <cstdint>
#include <functional>
#include <string_view>
#include <utility>
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

// The copies' states are looked at in ticks of kFleetTickMs: whether one
// copy in kFleetHungTurns hangs (and every copy taken for hung), so that each
// copy is looked at every kFleetTickMs * kFleetHungTurns = 2 s, and every
// kFleetEndedEvery ticks (1 s) whether any has ended. No tick costs the
// interface more than a system call per sixteen copies and a few waits.
// Every scan looks at every copy.
inline constexpr UINT kFleetTickMs = 125;
inline constexpr std::size_t kFleetHungTurns = 16;
inline constexpr std::size_t kFleetEndedEvery = 8;

class InstancePage final : public Page {
public:
    InstancePage(HWND main, EventSink& events);

    bool onCommand(int id, int notifyCode) override;
    bool onNotify(const NMHDR& header, LRESULT& result) override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void onPageShown(int page) override;

    // Rebuilds the instance records and the table from the running browsers.
    void scanInstances();
    // Looks at the listed copies' states (ended, hung, running) without
    // waiting on any; the rows show what changed. One tick (see above), or
    // every copy for both when everyCopy.
    void refreshStates(bool everyCopy = false);
    // Runs after every look at which copies have ended (once a second, and
    // at every scan), whether or not any had.
    void setEndedCheckHandler(std::function<void()> handler) { onEndedCheck_ = std::move(handler); }

    [[nodiscard]] HWND commandWindowOf(std::uint32_t processId) const;
    [[nodiscard]] HWND frameWindowOf(std::uint32_t processId) const;
    [[nodiscard]] HWND frameWindowOfCommandWindow(HWND commandWindow) const;
    [[nodiscard]] std::uint32_t processOfCommandWindow(HWND commandWindow) const;

    // The browsers of the selected rows, or of every row, first to last.
    [[nodiscard]] std::vector<BrowserWindows> selectedBrowsers() const;
    [[nodiscard]] std::vector<BrowserWindows> listedBrowsers() const;
    [[nodiscard]] bool anySelected() const { return view_.anySelected(); }

    // What the other parts tell of a copy; shown in its row.
    void heardFrom(std::uint32_t processId);
    void handedBookmark(std::uint32_t processId, std::string_view address);
    void postedProxy(std::uint32_t processId, std::string_view proxy);
    // The panel posted the copy a close (关闭鹭行, or its own "#关闭"): noted
    // for its row and told to the closed-copy handler, which outlives the
    // scans.
    void closedByPanel(std::uint32_t processId);
    void setClosedHandler(std::function<void(std::uint32_t processId)> handler) { onClosed_ = std::move(handler); }
    [[nodiscard]] const Fleet& fleet() const noexcept { return fleet_; }

    // A command sent to a copy, for the run log.
    void logCommand(std::uint32_t processId, std::string_view payload, Delivery delivery);

    // The pop-up menu 独立右键, in its order.
    [[nodiscard]] static const std::vector<MenuRow>& menu();

private:
    [[nodiscard]] BrowserWindows windowsOf(std::uint32_t processId) const;
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
    // Marks and logs the watched copies found ended since the last look.
    void noteEnded();
    void removeRows(const std::vector<std::size_t>& sortedRows);

    HWND main_;
    EventSink& events_;
    ItemListView view_;  // its rows carry the process id as item data
    InstanceTable table_;
    Fleet fleet_;
    ProcessWatcher liveness_;  // the listed copies; a handle that cannot be waited on tells nothing
    DesktopWindows windows_;  // keeps what it learnt of each window between scans
    std::function<void()> onEndedCheck_;
    std::size_t tick_ = 0;
    // Copies heard from since the last tick: their rows are redrawn at the
    // next tick, so that a burst of notifications costs one repaint of them
    // instead of one per notification.
    std::vector<std::uint32_t> heardDue_;  // which sixteenth of the copies is asked whether it hangs
    std::function<void(std::uint32_t)> onClosed_;
};

}  // namespace vuv::win
