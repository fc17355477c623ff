// The browser copies the panel knows of, owned apart from any window: the
// instance records and rows, the figures kept of each copy (state, when last
// heard from and how often, the bookmark and proxy last given to it), the
// desktop's windows, the watch on which copies have ended, and the one way a
// command reaches a copy. The instance page shows it; the boss key, the
// proxy and rename dialogs and the panel's answers to a browser ask it.
#pragma once

#include "common/event_sink.h"
#include "common/process_watcher_win.h"
#include "link/channel_win.h"
#include "link/command.h"
#include "link/fleet.h"
#include "link/instances.h"
#include "link/window_source_win.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vuv::win {

// The copies' states are looked at in ticks of kFleetTickMs: whether one
// copy in kFleetHungTurns hangs (and every copy taken for hung), so that each
// copy is looked at every kFleetTickMs * kFleetHungTurns = 2 s, and every
// kFleetEndedEvery ticks (1 s) whether any has ended. No tick costs the
// interface more than a system call per sixteen copies and a few waits.
// Every scan looks at every copy.
inline constexpr UINT kFleetTickMs = 125;
inline constexpr std::size_t kFleetHungTurns = 16;
inline constexpr std::size_t kFleetEndedEvery = 8;

// A listed copy's windows. A window counts only while it exists and still
// belongs to the copy's process; otherwise it is null, and commands give that
// copy nothing while the others are still served.
struct BrowserWindows {
    std::uint32_t processId = 0;
    HWND frame = nullptr;    // "鹭行x": closes and proxy posts
    HWND command = nullptr;  // "鹭行a": transfers
    NameVariant variant = NameVariant::Unicode;  // the names its transfers go under
};

// One row of the table as plain values.
struct CopySummary {
    std::uint32_t processId = 0;
    std::string title;
    CopyState state = CopyState::Running;
    std::int32_t lastHeard = -1;
    std::uint64_t heard = 0;
    std::string bookmark;
    std::string proxy;
};

class Fleet {
public:
    explicit Fleet(EventSink& events) : events_(events) {}
    Fleet(const Fleet&) = delete;
    Fleet& operator=(const Fleet&) = delete;

    // Rebuilds the records and the rows from the desktop, tells the rows'
    // handler, and looks at every copy's state.
    void scan();
    // One tick of the state watch (see above), or every copy for both when
    // everyCopy.
    void refreshStates(bool everyCopy = false);

    // The listed copies, first row to last.
    [[nodiscard]] const std::vector<InstanceRow>& rows() const noexcept { return table_.rows(); }
    [[nodiscard]] std::vector<std::uint32_t> listed() const;
    [[nodiscard]] std::vector<CopySummary> copies() const;
    [[nodiscard]] const CopyFacts* facts(std::uint32_t processId) const noexcept { return facts_.facts(processId); }
    // Rows go (closed browsers); the records stay until the next scan.
    void removeRows(const std::vector<std::size_t>& sortedRows) { table_.removeRows(sortedRows); }

    [[nodiscard]] BrowserWindows windowsOf(std::uint32_t processId) const;
    [[nodiscard]] HWND frameWindowOfCommandWindow(HWND commandWindow) const;
    [[nodiscard]] std::uint32_t processOfCommandWindow(HWND commandWindow) const;

    // What the other parts tell of a copy.
    void heardFrom(std::uint32_t processId);
    void handedBookmark(std::uint32_t processId, std::string_view address);
    // Copies heard from since the last call: a burst of notifications costs
    // their rows one repaint at the next tick instead of one each.
    [[nodiscard]] std::vector<std::uint32_t> takeHeard() { return std::exchange(heardDue_, {}); }

    // The one way a command reaches a copy: its window is found (the command
    // window for a transfer, the frame window for posts), the payload built
    // once, sent or posted, the copy's figures updated and one run-log row
    // written. NoSuchCopy, and nothing sent, for a copy without a record.
    Delivery send(std::uint32_t processId, const Command& command);
    // The same to each copy given, in the order given.
    std::vector<Delivery> sendToEach(const std::vector<std::uint32_t>& processIds, const Command& command);
    // An answer to a browser's own notification: a transfer to the command
    // window it named, listed or not, under the variant it came with. The
    // notification's own run-log row stands for it.
    Delivery answer(HWND commandWindow, NameVariant variant, const Command& command);

    // Told when a copy's state, bookmark or proxy changed, and after a scan.
    void setFactsHandler(std::function<void(std::uint32_t processId)> handler) { onFacts_ = std::move(handler); }
    void setRowsHandler(std::function<void()> handler) { onRows_ = std::move(handler); }
    // Runs after every look at which copies have ended (once a second, and
    // at every scan), whether or not any had.
    void setEndedCheckHandler(std::function<void()> handler) { onEndedCheck_ = std::move(handler); }
    // A copy the panel posted a close, told once the close went out; the
    // handler outlives the scans.
    void setClosedHandler(std::function<void(std::uint32_t)> handler) { onClosed_ = std::move(handler); }

private:
    Delivery transmit(const BrowserWindows& to, const CommandWire& wire) const;
    void noteEnded();
    void factsChanged(std::uint32_t processId) {
        if (onFacts_) onFacts_(processId);
    }

    EventSink& events_;
    InstanceTable table_;
    FleetFacts facts_;
    ProcessWatcher liveness_;  // the listed copies; a handle that cannot be waited on tells nothing
    DesktopWindows windows_;   // keeps what it learnt of each window between scans
    std::size_t tick_ = 0;
    std::vector<std::uint32_t> heardDue_;
    std::function<void(std::uint32_t)> onFacts_;
    std::function<void()> onRows_;
    std::function<void()> onEndedCheck_;
    std::function<void(std::uint32_t)> onClosed_;
};

}  // namespace vuv::win
