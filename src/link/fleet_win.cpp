#include "link/fleet_win.h"

#include "common/ui_win.h"
#include "common/texts.h"

#include <algorithm>

namespace vuv::win {

void Fleet::scan() {
    table_.scan(windows_);
    // A copy whose process ended since the last look is dropped by the scan
    // with its windows: its exit is logged now, while it is still watched.
    noteEnded();
    std::vector<std::uint32_t> ids;
    ids.reserve(table_.records().records().size());
    for (const InstanceRecord& record : table_.records().records()) ids.push_back(record.processId);
    facts_.listed(ids);
    liveness_.watchExactly(ids);
    if (onRows_) onRows_();
    refreshStates(true);
}

void Fleet::refreshStates(bool everyCopy) {
    const std::size_t turn = tick_++ % kFleetHungTurns;
    if (everyCopy || turn % kFleetEndedEvery == 0) {
        noteEnded();
        if (onEndedCheck_) onEndedCheck_();
    }
    // Whether a copy hangs: the system's own test, never a send. The copies
    // taken for hung are asked every time, so that one that recovers shows
    // so at once; of the others, one in kFleetHungTurns each time.
    const std::vector<InstanceRecord>& records = table_.records().records();
    for (std::size_t i = 0; i < records.size(); ++i) {
        const InstanceRecord& record = records[i];
        const CopyFacts* facts = facts_.facts(record.processId);
        if (facts == nullptr || facts->state == CopyState::Exited) continue;
        if (!everyCopy && facts->state != CopyState::Hung && i % kFleetHungTurns != turn) continue;
        const WindowId window = record.frameWindow != 0 ? record.frameWindow : record.commandWindow;
        if (window == 0) continue;
        const CopyState now = IsHungAppWindow(toHwnd(window)) ? CopyState::Hung : CopyState::Running;
        if (facts_.setState(record.processId, now)) {
            events_.record(record.processId, text::kEventState, stateText(now));
            factsChanged(record.processId);
        }
    }
}

void Fleet::noteEnded() {
    for (std::uint32_t id : liveness_.poll()) {
        if (facts_.setState(id, CopyState::Exited)) {
            events_.record(id, text::kEventState, stateText(CopyState::Exited));
            factsChanged(id);
        }
    }
}

std::vector<std::uint32_t> Fleet::listed() const {
    std::vector<std::uint32_t> ids;
    ids.reserve(table_.rows().size());
    for (const InstanceRow& row : table_.rows()) ids.push_back(row.processId);
    return ids;
}

std::vector<CopySummary> Fleet::copies() const {
    std::vector<CopySummary> copies;
    copies.reserve(table_.rows().size());
    for (const InstanceRow& row : table_.rows()) {
        CopySummary copy;
        copy.processId = row.processId;
        copy.title = row.title;
        if (const CopyFacts* facts = facts_.facts(row.processId)) {
            copy.state = facts->state;
            copy.lastHeard = facts->lastHeard;
            copy.heard = facts->heard;
            copy.bookmark = facts->bookmark;
            copy.proxy = facts->proxy;
        }
        copies.push_back(std::move(copy));
    }
    return copies;
}

BrowserWindows Fleet::windowsOf(std::uint32_t processId) const {
    // A handle of a window that is gone may name another window by now.
    const auto alive = [processId](WindowId id) -> HWND {
        const HWND window = toHwnd(id);
        if (window == nullptr || !IsWindow(window)) return nullptr;
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        return owner == processId ? window : nullptr;
    };
    const InstanceRecords& records = table_.records();
    const InstanceRecord* record = records.find(processId);
    const NameVariant variant = record != nullptr && record->ansi ? NameVariant::Ansi : NameVariant::Unicode;
    return BrowserWindows{processId, alive(records.frameWindowOf(processId)), alive(records.commandWindowOf(processId)),
                          variant};
}

HWND Fleet::frameWindowOfCommandWindow(HWND commandWindow) const {
    return toHwnd(table_.records().frameWindowOfCommandWindow(toWindowId(commandWindow)));
}

std::uint32_t Fleet::processOfCommandWindow(HWND commandWindow) const {
    const WindowId id = toWindowId(commandWindow);
    if (id == 0) return 0;
    for (const InstanceRecord& record : table_.records().records()) {
        if (record.commandWindow == id) return record.processId;
    }
    return 0;
}

void Fleet::heardFrom(std::uint32_t processId) {
    // Readers see the new figures at once; the rows are redrawn at the next
    // tick, once for a whole burst.
    if (!facts_.heardFrom(processId, localSecondsOfDay())) return;
    if (std::find(heardDue_.begin(), heardDue_.end(), processId) == heardDue_.end()) heardDue_.push_back(processId);
}

void Fleet::handedBookmark(std::uint32_t processId, std::string_view address) {
    if (facts_.handedBookmark(processId, address)) factsChanged(processId);
}

Delivery Fleet::transmit(const BrowserWindows& to, const CommandWire& wire) const {
    if (wire.route == CommandWire::Route::Transfer) return deliver(to.command, wire.messageName, wire.payload, to.variant);
    // Posts go out in order; once one is refused (no frame window, or it is
    // gone) the rest are not posted.
    Delivery outcome = Delivery::Refused;
    for (const WindowPost& post : wire.posts) {
        outcome = postTo(to.frame, post.message, static_cast<WPARAM>(post.wParam),
                         static_cast<LPARAM>(static_cast<std::int32_t>(post.lParam)));
        if (outcome != Delivery::Posted) break;
    }
    return outcome;
}

Delivery Fleet::send(std::uint32_t processId, const Command& command) {
    const CommandWire wire = wireOf(command);
    const Delivery outcome =
        table_.records().find(processId) == nullptr ? Delivery::NoSuchCopy : transmit(windowsOf(processId), wire);
    if (outcome == Delivery::Posted) {
        if (command.kind == Command::Kind::Proxy) {
            const ProxyAddress& p = command.proxy;
            if (facts_.postedProxy(processId, proxyText(p.a, p.b, p.c, p.d, p.port))) factsChanged(processId);
        }
        // Only a copy whose frame window got the close counts as closed by
        // the panel: one that got nothing keeps running, and is restarted
        // like any other if it crashes.
        if (command.kind == Command::Kind::Close) {
            facts_.closedByPanel(processId);
            if (onClosed_ && processId != 0) onClosed_(processId);
        }
    }
    std::string content = wire.logText;
    content += " -> ";
    content.append(deliveryText(outcome));
    events_.record(processId, text::kEventCommand, content);
    return outcome;
}

std::vector<Delivery> Fleet::sendToEach(const std::vector<std::uint32_t>& processIds, const Command& command) {
    std::vector<Delivery> outcomes;
    outcomes.reserve(processIds.size());
    for (const std::uint32_t id : processIds) outcomes.push_back(send(id, command));
    return outcomes;
}

Delivery Fleet::answer(HWND commandWindow, NameVariant variant, const Command& command) {
    BrowserWindows to;
    to.command = commandWindow;
    to.frame = frameWindowOfCommandWindow(commandWindow);
    to.variant = variant;
    return transmit(to, wireOf(command));
}

}  // namespace vuv::win
