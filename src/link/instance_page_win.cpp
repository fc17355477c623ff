#include "link/instance_page_win.h"

#include "common/control_ids.h"
#include "common/encoding_win.h"
#include "common/input_dialog_win.h"
#include "common/path_dialog_win.h"
#include "common/texts.h"
#include "link/proxy_command_win.h"
#include "link/proxy_list_dialog_win.h"
#include "link/rename_dialog_win.h"

#include "common/event_log.h"

#include <algorithm>
#include <functional>
#include <string>
#include <utility>

namespace vuv::win {

namespace {

enum Column : int { kNumber = 0, kTitle, kState, kLastHeard, kHeard, kBookmark, kProxy };

}  // namespace

const std::vector<ControlRow>& InstancePage::controls() {
    // Positions relative to the tab control's top-left corner, in tab order.
    static const std::vector<ControlRow> rows{
        {id::kInstanceTable, Kind::ItemListView, L"", 0, 8, 32, 474, 321, Anchor::Grow},
        {id::kStartBrowser, Kind::Button, L"启动鹭行", 0, 496, 40, 80, 32, Anchor::Right},
        {id::kScanBrowsers, Kind::Button, L"检测鹭行", 0, 496, 89, 80, 32, Anchor::Right},
        {id::kDownloadPage, Kind::Button, L"下载鹭行", 0, 496, 136, 80, 32, Anchor::Right},
        {id::kBrowserPathButton, Kind::Button, L"鹭行路径", 0, 496, 272, 80, 32, Anchor::Right},
        {id::kSuggestionPage, Kind::Button, L"提 交 建 议", 0, 496, 320, 80, 32, Anchor::Right},
    };
    return rows;
}

InstancePage::InstancePage(HWND main, Fleet& fleet) : main_(main), fleet_(fleet) {
    // 编号 and 标题 fill the list at its first size; what the panel knows of
    // each copy follows to their right.
    view_.attach(GetDlgItem(main, id::kInstanceTable), {{L"编号", 80},
                                                        {L"标题", 390},
                                                        {L"状态", 60},
                                                        {L"最近通知", 70},
                                                        {L"通知数", 60},
                                                        {L"书签", 160},
                                                        {L"代理", 120}});
    fleet_.setRowsHandler([this] { showRows(); });
    fleet_.setFactsHandler([this](std::uint32_t processId) { showFactsOf(processId); });
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

void InstancePage::showRows() {
    const std::vector<CopySummary> copies = fleet_.copies();
    std::vector<std::vector<std::string>> cells;
    std::vector<LPARAM> data;
    cells.reserve(copies.size());
    data.reserve(copies.size());
    for (const CopySummary& copy : copies) {
        cells.push_back({std::to_string(copy.processId), copy.title});
        data.push_back(static_cast<LPARAM>(copy.processId));
    }
    view_.setRows(cells, data);
    for (std::size_t row = 0; row < copies.size(); ++row) {
        // 最近通知 and 通知数 change with every notification: they are read
        // from the fleet when drawn or read, and redrawn at the next tick.
        view_.setCallbackCell(row, kLastHeard);
        view_.setCallbackCell(row, kHeard);
        view_.setCell(row, kState, stateText(copies[row].state));
        view_.setCell(row, kBookmark, copies[row].bookmark);
        view_.setCell(row, kProxy, copies[row].proxy);
    }
}

// The text of a callback cell: 最近通知 or 通知数 of the row's copy.
std::string InstancePage::heardText(std::size_t row, int column) const {
    if (row >= fleet_.rows().size()) return {};
    const CopyFacts* facts = fleet_.facts(fleet_.rows()[row].processId);
    if (facts == nullptr) return {};
    if (column == kLastHeard) return clockText(facts->lastHeard);
    if (column == kHeard) return std::to_string(facts->heard);
    return {};
}

void InstancePage::showFacts(std::size_t row) {
    if (row >= fleet_.rows().size()) return;
    const CopyFacts* facts = fleet_.facts(fleet_.rows()[row].processId);
    if (facts == nullptr) return;
    view_.setCell(row, kState, stateText(facts->state));
    view_.setCell(row, kBookmark, facts->bookmark);
    view_.setCell(row, kProxy, facts->proxy);
}

void InstancePage::redrawRowsOf(std::uint32_t processId) {
    const std::vector<InstanceRow>& rows = fleet_.rows();
    for (std::size_t row = 0; row < rows.size(); ++row) {
        if (rows[row].processId == processId) view_.redrawRow(row);
    }
}

void InstancePage::showFactsOf(std::uint32_t processId) {
    const std::vector<InstanceRow>& rows = fleet_.rows();
    for (std::size_t row = 0; row < rows.size(); ++row) {
        if (rows[row].processId == processId) showFacts(row);
    }
}

void InstancePage::selectInState(std::optional<CopyState> state) {
    std::vector<std::size_t> rows;
    for (std::size_t row = 0; row < fleet_.rows().size(); ++row) {
        const CopyFacts* facts = fleet_.facts(fleet_.rows()[row].processId);
        if (!state || (facts != nullptr && facts->state == *state)) rows.push_back(row);
    }
    view_.select(rows);
}

void InstancePage::removeExitedRows() {
    std::vector<std::size_t> rows;
    for (std::size_t row = 0; row < fleet_.rows().size(); ++row) {
        const CopyFacts* facts = fleet_.facts(fleet_.rows()[row].processId);
        if (facts != nullptr && facts->state == CopyState::Exited) rows.push_back(row);
    }
    removeRows(rows);
}

void InstancePage::removeRows(const std::vector<std::size_t>& sortedRows) {
    // The rows go; the records stay until the next scan.
    fleet_.removeRows(sortedRows);
    for (auto row = sortedRows.rbegin(); row != sortedRows.rend(); ++row) view_.removeRow(*row);
    view_.clearSelection();
}

void InstancePage::removeRowsOf(const std::vector<std::uint32_t>& processIds) {
    std::vector<std::size_t> rows;
    for (std::size_t row = 0; row < fleet_.rows().size(); ++row) {
        const std::uint32_t id = fleet_.rows()[row].processId;
        if (std::find(processIds.begin(), processIds.end(), id) != processIds.end()) rows.push_back(row);
    }
    if (!rows.empty()) removeRows(rows);
}

std::vector<std::uint32_t> InstancePage::selectedCopies() const {
    std::vector<std::uint32_t> copies;
    const std::vector<InstanceRow>& rows = fleet_.rows();
    for (std::size_t row : view_.selectedRows()) {
        if (row < rows.size()) copies.push_back(rows[row].processId);
    }
    return copies;
}

void InstancePage::readConfigInSelected() {
    PathTask task;
    task.title = L"选择需要读取配置";
    task.kind = PathKind::Configuration;
    // The selection counts as it is when the dialog is confirmed.
    task.onConfirm = [this](const std::string& path) {
        fleet_.sendToEach(selectedCopies(), Command::of(Command::Kind::ReadConfig, path));
    };
    openPathDialog(main_, task);
}

void InstancePage::openLinkInSelected() {
    InputTask task;
    task.caption = L"输入要访问的地址";
    task.button = L"访 问";
    task.onConfirm = [this](const std::string& address) {
        fleet_.sendToEach(selectedCopies(), Command::of(Command::Kind::OpenLink, address));
    };
    openInputDialog(main_, task);
}

void InstancePage::closeSelected() {
    const std::vector<std::size_t> selected = view_.selectedRows();
    if (selected.empty()) return;
    fleet_.sendToEach(selectedCopies(), Command::of(Command::Kind::Close));
    // The rows go at once; the records stay until the next scan.
    removeRows(selected);
}

void InstancePage::registerIds(Routes& routes) {
    constexpr char kOwner[] = "instance page";
    auto command = [&](int id, std::function<void()> action) {
        routes.commands.claim(id, kOwner, [action = std::move(action)](int) { action(); });
    };
    command(id::kScanBrowsers, [this] { fleet_.scan(); });
    command(id::kFlash, [this] { fleet_.sendToEach(selectedCopies(), Command::of(Command::Kind::Flash)); });
    command(id::kRefresh, [this] { fleet_.sendToEach(selectedCopies(), Command::of(Command::Kind::Refresh)); });
    command(id::kSelectAll, [this] { selectInState(std::nullopt); });
    command(id::kSelectHung, [this] { selectInState(CopyState::Hung); });
    command(id::kSelectExited, [this] { selectInState(CopyState::Exited); });
    command(id::kRemoveExited, [this] { removeExitedRows(); });
    command(id::kClose, [this] { closeSelected(); });
    // These items do nothing.
    command(id::kStart, [] {});
    command(id::kStop, [] {});
    // The dialogs read the selection when they are confirmed.
    command(id::kReadConfig, [this] { readConfigInSelected(); });
    command(id::kOpenLink, [this] { openLinkInSelected(); });
    command(id::kSetProxy, [this] { setProxyForSelected(main_, *this); });
    command(id::kProxyList, [this] { setProxyListForSelected(main_, *this); });
    command(id::kRename, [this] { openRenameDialog(main_, *this); });
    routes.notifications.claim(id::kInstanceTable, kOwner, [this](const NMHDR& header) { return onNotify(header); });
    routes.timers.claim(id::kFleetTimer, kOwner, [this] { onTimer(); });
}

LRESULT InstancePage::onNotify(const NMHDR& header) {
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
        return 0;
    }
    if (header.hwndFrom == view_.hwnd() && header.code == NM_RCLICK) {
        if (view_.anySelected()) popUpMenu(main_, menu());
    }
    return 0;
}

void InstancePage::onPageShown(int page) {
    if (page == id::kInstancesPage) fleet_.scan();
}

void InstancePage::onTimer() {
    for (std::uint32_t id : fleet_.takeHeard()) redrawRowsOf(id);
    fleet_.refreshStates();
}

}  // namespace vuv::win
