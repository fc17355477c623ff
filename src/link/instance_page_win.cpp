#include "link/instance_page_win.h"

#include "common/control_ids.h"
#include "common/encoding_win.h"
#include "common/input_dialog_win.h"
#include "common/path_dialog_win.h"
#include "common/texts.h"
#include "link/channel_win.h"
#include "link/payloads.h"
#include "link/proxy_command_win.h"
#include "link/proxy_list_dialog_win.h"
#include "link/rename_dialog_win.h"
#include "link/window_source_win.h"

#include "common/event_log.h"
#include "common/ui_win.h"

#include <algorithm>
#include <string>
#include <utility>

namespace vuv::win {

namespace {

enum Column : int { kNumber = 0, kTitle, kState, kLastHeard, kHeard, kBookmark, kProxy };

}  // namespace

InstancePage::InstancePage(HWND main, EventSink& events) : main_(main), events_(events) {
    // 编号 and 标题 fill the list at its first size; what the panel knows of
    // each copy follows to their right.
    view_.attach(GetDlgItem(main, id::kInstanceTable), {{L"编号", 80},
                                                        {L"标题", 390},
                                                        {L"状态", 60},
                                                        {L"最近通知", 70},
                                                        {L"通知数", 60},
                                                        {L"书签", 160},
                                                        {L"代理", 120}});
    if (main_ != nullptr) SetTimer(main_, id::kFleetTimer, kFleetTickMs, nullptr);
}

const std::vector<MenuRow>& InstancePage::menu() {
    static const std::vector<MenuRow> rows{
        {L"读取配置", id::kReadConfig}, {L"设置代理IP", id::kSetProxy}, {L"打开指定连接", id::kOpenLink},
        {nullptr, 0},
        {L"给鹭行取名", id::kRename},   {L"窗口闪烁", id::kFlash},     {L"刷新", id::kRefresh},
        {nullptr, 0},
        {L"开始", id::kStart},          {L"停止", id::kStop},
        {nullptr, 0},
        {L"关闭鹭行", id::kClose},
        {nullptr, 0},
        {L"全选", id::kSelectAll},      {L"选中无响应的", id::kSelectHung},
        {L"选中已退出的", id::kSelectExited}, {L"移除已退出的行", id::kRemoveExited},
        {nullptr, 0},
        {L"按列表设置代理IP", id::kProxyList},
    };
    return rows;
}

void InstancePage::scanInstances() {
    table_.scan(windows_);
    // A copy whose process ended since the last look is dropped by the scan
    // with its windows: its exit is logged now, while it is still watched.
    noteEnded();
    std::vector<std::uint32_t> listed;
    listed.reserve(table_.records().records().size());
    for (const InstanceRecord& record : table_.records().records()) listed.push_back(record.processId);
    fleet_.listed(listed);
    liveness_.watchExactly(listed);
    showRows();
    refreshStates(true);
}

void InstancePage::showRows() {
    std::vector<std::vector<std::string>> cells;
    std::vector<LPARAM> data;
    cells.reserve(table_.rows().size());
    data.reserve(table_.rows().size());
    for (const InstanceRow& row : table_.rows()) {
        cells.push_back({std::to_string(row.processId), row.title});
        data.push_back(static_cast<LPARAM>(row.processId));
    }
    view_.setRows(cells, data);
    for (std::size_t row = 0; row < table_.rows().size(); ++row) {
        // 最近通知 and 通知数 change with every notification: they are read
        // from the fleet when drawn or read, and redrawn at the next tick.
        view_.setCallbackCell(row, kLastHeard);
        view_.setCallbackCell(row, kHeard);
        showFacts(row);
    }
}

// The text of a callback cell: 最近通知 or 通知数 of the row's copy.
std::string InstancePage::heardText(std::size_t row, int column) const {
    if (row >= table_.rows().size()) return {};
    const CopyFacts* facts = fleet_.facts(table_.rows()[row].processId);
    if (facts == nullptr) return {};
    if (column == kLastHeard) return clockText(facts->lastHeard);
    if (column == kHeard) return std::to_string(facts->heard);
    return {};
}

void InstancePage::showFacts(std::size_t row) {
    if (row >= table_.rows().size()) return;
    const CopyFacts* facts = fleet_.facts(table_.rows()[row].processId);
    if (facts == nullptr) return;
    view_.setCell(row, kState, stateText(facts->state));
    view_.setCell(row, kBookmark, facts->bookmark);
    view_.setCell(row, kProxy, facts->proxy);
}

void InstancePage::redrawRowsOf(std::uint32_t processId) {
    const std::vector<InstanceRow>& rows = table_.rows();
    for (std::size_t row = 0; row < rows.size(); ++row) {
        if (rows[row].processId == processId) view_.redrawRow(row);
    }
}

void InstancePage::showFactsOf(std::uint32_t processId) {
    const std::vector<InstanceRow>& rows = table_.rows();
    for (std::size_t row = 0; row < rows.size(); ++row) {
        if (rows[row].processId == processId) showFacts(row);
    }
}

void InstancePage::refreshStates(bool everyCopy) {
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
        const CopyFacts* facts = fleet_.facts(record.processId);
        if (facts == nullptr || facts->state == CopyState::Exited) continue;
        if (!everyCopy && facts->state != CopyState::Hung && i % kFleetHungTurns != turn) continue;
        const WindowId window = record.frameWindow != 0 ? record.frameWindow : record.commandWindow;
        if (window == 0) continue;
        const CopyState now = IsHungAppWindow(toHwnd(window)) ? CopyState::Hung : CopyState::Running;
        if (fleet_.setState(record.processId, now)) {
            events_.record(record.processId, text::kEventState, stateText(now));
            showFactsOf(record.processId);
        }
    }
}

void InstancePage::noteEnded() {
    for (std::uint32_t id : liveness_.poll()) {
        if (fleet_.setState(id, CopyState::Exited)) {
            events_.record(id, text::kEventState, stateText(CopyState::Exited));
            showFactsOf(id);
        }
    }
}

void InstancePage::heardFrom(std::uint32_t processId) {
    // Readers of the table see the new figures at once (callback cells);
    // the rows are redrawn at the next tick, once for a whole burst.
    if (!fleet_.heardFrom(processId, localSecondsOfDay())) return;
    if (std::find(heardDue_.begin(), heardDue_.end(), processId) == heardDue_.end()) heardDue_.push_back(processId);
}

void InstancePage::handedBookmark(std::uint32_t processId, std::string_view address) {
    if (fleet_.handedBookmark(processId, address)) showFactsOf(processId);
}

void InstancePage::postedProxy(std::uint32_t processId, std::string_view proxy) {
    if (fleet_.postedProxy(processId, proxy)) showFactsOf(processId);
}

void InstancePage::closedByPanel(std::uint32_t processId) {
    fleet_.closedByPanel(processId);
    if (onClosed_ && processId != 0) onClosed_(processId);
}

void InstancePage::logCommand(std::uint32_t processId, std::string_view payload, Delivery delivery) {
    std::string content(payload);
    content += " -> ";
    content.append(deliveryText(delivery));
    events_.record(processId, text::kEventCommand, content);
}

std::uint32_t InstancePage::processOfCommandWindow(HWND commandWindow) const {
    const WindowId id = toWindowId(commandWindow);
    if (id == 0) return 0;
    for (const InstanceRecord& record : table_.records().records()) {
        if (record.commandWindow == id) return record.processId;
    }
    return 0;
}

void InstancePage::selectInState(std::optional<CopyState> state) {
    std::vector<std::size_t> rows;
    for (std::size_t row = 0; row < table_.rows().size(); ++row) {
        const CopyFacts* facts = fleet_.facts(table_.rows()[row].processId);
        if (!state || (facts != nullptr && facts->state == *state)) rows.push_back(row);
    }
    view_.select(rows);
}

void InstancePage::removeExitedRows() {
    std::vector<std::size_t> rows;
    for (std::size_t row = 0; row < table_.rows().size(); ++row) {
        const CopyFacts* facts = fleet_.facts(table_.rows()[row].processId);
        if (facts != nullptr && facts->state == CopyState::Exited) rows.push_back(row);
    }
    removeRows(rows);
}

void InstancePage::removeRows(const std::vector<std::size_t>& sortedRows) {
    // The rows go; the records stay until the next scan.
    table_.removeRows(sortedRows);
    for (auto row = sortedRows.rbegin(); row != sortedRows.rend(); ++row) view_.removeRow(*row);
    view_.clearSelection();
}

HWND InstancePage::commandWindowOf(std::uint32_t processId) const {
    return toHwnd(table_.records().commandWindowOf(processId));
}

HWND InstancePage::frameWindowOf(std::uint32_t processId) const { return toHwnd(table_.records().frameWindowOf(processId)); }

HWND InstancePage::frameWindowOfCommandWindow(HWND commandWindow) const {
    return toHwnd(table_.records().frameWindowOfCommandWindow(toWindowId(commandWindow)));
}

BrowserWindows InstancePage::windowsOf(std::uint32_t processId) const {
    // A handle of a window that is gone may name another window by now.
    const auto alive = [processId](HWND window) -> HWND {
        if (window == nullptr || !IsWindow(window)) return nullptr;
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        return owner == processId ? window : nullptr;
    };
    const InstanceRecord* record = table_.records().find(processId);
    const NameVariant variant = record != nullptr && record->ansi ? NameVariant::Ansi : NameVariant::Unicode;
    return BrowserWindows{processId, alive(frameWindowOf(processId)), alive(commandWindowOf(processId)), variant};
}

std::vector<BrowserWindows> InstancePage::selectedBrowsers() const {
    std::vector<BrowserWindows> browsers;
    const std::vector<InstanceRow>& rows = table_.rows();
    for (std::size_t row : view_.selectedRows()) {
        if (row < rows.size()) browsers.push_back(windowsOf(rows[row].processId));
    }
    return browsers;
}

std::vector<BrowserWindows> InstancePage::listedBrowsers() const {
    std::vector<BrowserWindows> browsers;
    browsers.reserve(table_.rows().size());
    for (const InstanceRow& row : table_.rows()) browsers.push_back(windowsOf(row.processId));
    return browsers;
}

void InstancePage::readConfigInSelected() {
    PathTask task;
    task.title = L"选择需要读取配置";
    task.kind = PathKind::Configuration;
    // The selection counts as it is when the dialog is confirmed.
    task.onConfirm = [this](const std::string& path) {
        for (const BrowserWindows& b : selectedBrowsers()) {
            logCommand(b.processId, readConfigPayload(path), sendReadConfig(b.command, path, b.variant));
        }
    };
    openPathDialog(main_, task);
}

void InstancePage::openLinkInSelected() {
    InputTask task;
    task.caption = L"输入要访问的地址";
    task.button = L"访 问";
    task.onConfirm = [this](const std::string& address) {
        for (const BrowserWindows& b : selectedBrowsers()) {
            logCommand(b.processId, address, sendOpenLink(b.command, address, b.variant));
        }
    };
    openInputDialog(main_, task);
}

void InstancePage::closeSelected() {
    const std::vector<std::size_t> selected = view_.selectedRows();
    if (selected.empty()) return;
    for (std::size_t row : selected) {
        if (row >= table_.rows().size()) continue;
        const std::uint32_t id = table_.rows()[row].processId;
        // Only a copy whose frame window got the close counts as closed by
        // the panel: one that got nothing (no frame window, or it is gone)
        // keeps running, and is restarted like any other if it crashes.
        const Delivery outcome = closeInstance(windowsOf(id).frame);
        if (outcome == Delivery::Posted) closedByPanel(id);
        logCommand(id, "WM_CLOSE", outcome);
    }
    // The rows go at once; the records stay until the next scan.
    removeRows(selected);
}

bool InstancePage::onCommand(int id, int) {
    switch (id) {
        case id::kScanBrowsers: scanInstances(); return true;
        case id::kFlash:
            for (const BrowserWindows& b : selectedBrowsers()) {
                logCommand(b.processId, commandPayload(text::kCommandFlash),
                           sendCommand(b.command, text::kCommandFlash, b.variant));
            }
            return true;
        case id::kRefresh:
            for (const BrowserWindows& b : selectedBrowsers()) {
                logCommand(b.processId, toolbarPayload(text::kToolbarRefresh),
                           sendBasic(b.command, text::kKeyToolbar, text::kToolbarRefresh, b.variant));
            }
            return true;
        case id::kSelectAll: selectInState(std::nullopt); return true;
        case id::kSelectHung: selectInState(CopyState::Hung); return true;
        case id::kSelectExited: selectInState(CopyState::Exited); return true;
        case id::kRemoveExited: removeExitedRows(); return true;
        case id::kClose: closeSelected(); return true;
        case id::kStart:
        case id::kStop: return true;  // these items do nothing
        // The dialogs read the selection when they are confirmed.
        case id::kReadConfig: readConfigInSelected(); return true;
        case id::kOpenLink: openLinkInSelected(); return true;
        case id::kSetProxy: setProxyForSelected(main_, *this); return true;
        case id::kProxyList: setProxyListForSelected(main_, *this); return true;
        case id::kRename: openRenameDialog(main_, *this); return true;
        default: return false;
    }
}

bool InstancePage::onNotify(const NMHDR& header, LRESULT& result) {
    if (header.hwndFrom == view_.hwnd() && header.code == LVN_GETDISPINFOW) {
        auto& info = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header));
        if ((info.item.mask & LVIF_TEXT) != 0 && info.item.pszText != nullptr && info.item.cchTextMax > 0) {
            const std::wstring text =
                info.item.iItem < 0 ? std::wstring() : widen(heardText(static_cast<std::size_t>(info.item.iItem), info.item.iSubItem));
            const std::size_t room = static_cast<std::size_t>(info.item.cchTextMax) - 1;
            const std::size_t count = std::min(text.size(), room);
            text.copy(info.item.pszText, count);
            info.item.pszText[count] = L'\0';
        }
        result = 0;
        return true;
    }
    if (header.hwndFrom == view_.hwnd() && header.code == NM_RCLICK) {
        if (view_.anySelected()) popUpMenu(main_, menu());
        result = 0;
        return true;
    }
    return false;
}

void InstancePage::onPageShown(int page) {
    if (page == id::kInstancesPage) scanInstances();
}

bool InstancePage::onMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message != WM_TIMER || wParam != static_cast<WPARAM>(id::kFleetTimer)) return false;
    for (std::uint32_t id : std::exchange(heardDue_, {})) redrawRowsOf(id);
    refreshStates();
    result = 0;
    return true;
}

}  // namespace vuv::win
