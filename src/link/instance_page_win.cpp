#include "link/instance_page_win.h"

#include "common/control_ids.h"
#include "common/input_dialog_win.h"
#include "common/path_dialog_win.h"
#include "common/texts.h"
#include "link/channel_win.h"
#include "link/proxy_command_win.h"
#include "link/rename_dialog_win.h"
#include "link/window_source_win.h"

#include <string>

namespace vuv::win {

InstancePage::InstancePage(HWND main) : main_(main) {
    view_.attach(GetDlgItem(main, id::kInstanceTable), {{L"编号", 80}, {L"标题", 390}});
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
    };
    return rows;
}

void InstancePage::scanInstances() {
    DesktopWindows windows;
    table_.scan(windows);
    showRows();
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
        for (const BrowserWindows& b : selectedBrowsers()) sendReadConfig(b.command, path, b.variant);
    };
    openPathDialog(main_, task);
}

void InstancePage::openLinkInSelected() {
    InputTask task;
    task.caption = L"输入要访问的地址";
    task.button = L"访 问";
    task.onConfirm = [this](const std::string& address) {
        for (const BrowserWindows& b : selectedBrowsers()) sendOpenLink(b.command, address, b.variant);
    };
    openInputDialog(main_, task);
}

void InstancePage::closeSelected() {
    const std::vector<std::size_t> selected = view_.selectedRows();
    if (selected.empty()) return;
    for (std::size_t row : selected) {
        if (row >= table_.rows().size()) continue;
        if (HWND frame = windowsOf(table_.rows()[row].processId).frame) closeInstance(frame);
    }
    // The rows go at once; the records stay until the next scan.
    table_.removeRows(selected);
    for (auto row = selected.rbegin(); row != selected.rend(); ++row) view_.removeRow(*row);
    view_.clearSelection();
}

bool InstancePage::onCommand(int id, int) {
    switch (id) {
        case id::kScanBrowsers: scanInstances(); return true;
        case id::kFlash:
            for (const BrowserWindows& b : selectedBrowsers()) sendCommand(b.command, text::kCommandFlash, b.variant);
            return true;
        case id::kRefresh:
            for (const BrowserWindows& b : selectedBrowsers()) {
                sendBasic(b.command, text::kKeyToolbar, text::kToolbarRefresh, b.variant);
            }
            return true;
        case id::kClose: closeSelected(); return true;
        case id::kStart:
        case id::kStop: return true;  // these items do nothing
        // The dialogs read the selection when they are confirmed.
        case id::kReadConfig: readConfigInSelected(); return true;
        case id::kOpenLink: openLinkInSelected(); return true;
        case id::kSetProxy: setProxyForSelected(main_, *this); return true;
        case id::kRename: openRenameDialog(main_, *this); return true;
        default: return false;
    }
}

bool InstancePage::onNotify(const NMHDR& header, LRESULT& result) {
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

}  // namespace vuv::win
