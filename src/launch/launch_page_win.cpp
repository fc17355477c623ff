#include "launch/launch_page_win.h"

#include "common/ascii.h"
#include "common/control_ids.h"
#include "common/encoding_win.h"
#include "common/file_dialog_win.h"
#include "common/files_win.h"
#include "common/input_dialog_win.h"
#include "common/path_dialog_win.h"
#include "common/tell_operator_win.h"
#include "common/ui_win.h"
#include "launch/command_line.h"
#include "launch/export.h"

#include <optional>
#include <string>
#include <utility>

namespace vuv::win {

namespace {

constexpr wchar_t kExportFilter[] = L"文本文件(txt)|*.txt";
constexpr std::wstring_view kTextExtension = L".txt";

}  // namespace

const std::vector<ControlRow>& LaunchPage::controls() {
    // Positions relative to the tab control's top-left corner, in tab order.
    static const std::vector<ControlRow> rows{
        {id::kLaunchClear, Kind::Button, L"清空", 0, 8, 24, 64, 32},
        {id::kLaunchTextImport, Kind::Button, L"文本导入", 0, 82, 24, 64, 32},
        {id::kLaunchFileImport, Kind::Button, L"导入", 0, 156, 24, 64, 32},
        {id::kLaunchExport, Kind::Button, L"导出", 0, 231, 24, 64, 32},
        {id::kLaunchAll, Kind::Button, L"全部批量启动", 0, 324, 24, 80, 32},
        {id::kIntervalLabel, Kind::Label, L"启动间隔(毫秒)：", 0, 408, 29, 96, 24},
        {id::kInterval, Kind::Edit, L"800", 0, 503, 31, 64, 20},
        {id::kLaunchList, Kind::ListView, L"", 0, 8, 58, 552, 278, Anchor::Grow},
        {id::kDesignatedBox, Kind::CheckBox, L"批量启动指定浏览器", 0, 10, 336, 136, 24, Anchor::Bottom},
        {id::kWapBox, Kind::CheckBox, L"WAP浏览模式", 0, 226, 336, 104, 24, Anchor::Bottom},
    };
    return rows;
}

LaunchPage::LaunchPage(HWND main, const Settings& settings, EventSink& events,
                       std::function<void()> chooseDesignatedBrowser)
    : main_(main), settings_(settings), events_(events), chooseDesignatedBrowser_(std::move(chooseDesignatedBrowser)) {
    view_.attach(GetDlgItem(main, id::kLaunchList), {{L"书签名", 80}, {L"地址", 150}, {L"配置路径", 150}},
                 [this](std::size_t row, int column) -> std::string_view {
                     if (row >= list_.size()) return {};
                     const LaunchEntry& entry = list_.at(row);
                     switch (column) {
                         case 0: return entry.name;
                         case 1: return entry.address;
                         case 2: return entry.config;
                         default: return {};
                     }
                 });
}

const std::vector<MenuRow>& LaunchPage::menu() {
    static const std::vector<MenuRow> rows{
        {L"修改选中的连接", id::kEditAddress},
        {L"修改选中的配置", id::kEditConfig},
        {L"修改选中的书签名", id::kEditName},
        {nullptr, 0},
        {L"启动选中的连接", id::kLaunchSelected},
        {L"启动选中的连接(指定浏览器)", id::kLaunchSelectedDesignated},
        {L"删除选中的链接", id::kDeleteEntries},
    };
    return rows;
}

void LaunchPage::registerIds(Routes& routes) {
    constexpr char kOwner[] = "launch page";
    routes.commands.claim(id::kLaunchClear, kOwner, [this](int) { clear(); });
    routes.commands.claim(id::kLaunchExport, kOwner, [this](int) { exportEntries(); });
    routes.commands.claim(id::kDesignatedBox, kOwner, [this](int notifyCode) {
        if (notifyCode == BN_CLICKED) onDesignatedBoxClicked();
    });
    for (const int edit : {id::kEditAddress, id::kEditConfig, id::kEditName}) {
        routes.commands.claim(edit, kOwner, [this, edit](int) { editSelected(edit); });
    }
    routes.commands.claim(id::kDeleteEntries, kOwner, [this](int) { deleteSelected(); });
    routes.notifications.claim(id::kLaunchList, kOwner,
                               [this](const NMHDR& header) { return view_.onNotify(header, main_, menu()); });
}

void LaunchPage::append(LaunchEntry entry) {
    list_.append(std::move(entry));
    rowsChanged();
}

void LaunchPage::appendEntries(std::vector<LaunchEntry> entries) {
    if (entries.empty()) return;
    list_.appendAll(std::move(entries));
    rowsChanged();
}

void LaunchPage::setConfigOfSelected(std::string_view config) {
    list_.setConfig(view_.selectedRows(), config);
    view_.refresh();
}

void LaunchPage::setAddressOfSelected(std::string_view address) {
    list_.setAddress(view_.selectedRows(), address);
    view_.refresh();
}

void LaunchPage::renameSelected(std::string_view name) {
    list_.renameRows(view_.selectedRows(), name);
    view_.refresh();
}

void LaunchPage::deleteSelected() {
    const std::vector<std::size_t> rows = view_.selectedRows();
    if (rows.empty()) return;
    list_.removeRows(rows);
    // Every selected row is gone and the survivors move up unselected.
    rowsChangedWithoutSelection();
}

void LaunchPage::clear() {
    list_.clear();
    rowsChanged();  // a count of 0 leaves no selection behind
}

void LaunchPage::replaceEntries(std::vector<LaunchEntry> entries) {
    list_.replace(std::move(entries));
    view_.setRowCount(0);  // drops the old selection at once
    rowsChanged();
}

bool LaunchPage::isSelected(std::size_t row) const {
    if (row >= list_.size()) return false;
    return (ListView_GetItemState(view_.hwnd(), static_cast<int>(row), LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

bool LaunchPage::designatedMode() const {
    return SendMessageW(GetDlgItem(main_, id::kDesignatedBox), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool LaunchPage::wapMode() const {
    return SendMessageW(GetDlgItem(main_, id::kWapBox), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int LaunchPage::launchInterval() const { return leadingInteger(controlText(GetDlgItem(main_, id::kInterval))); }

std::string LaunchPage::intervalText() const { return controlText(GetDlgItem(main_, id::kInterval)); }

void LaunchPage::setIntervalText(std::string_view gbk) {
    SetWindowTextW(GetDlgItem(main_, id::kInterval), widen(gbk).c_str());
}

void LaunchPage::setDesignatedMode(bool on) {
    SendMessageW(GetDlgItem(main_, id::kDesignatedBox), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

void LaunchPage::setWapMode(bool on) {
    SendMessageW(GetDlgItem(main_, id::kWapBox), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

void LaunchPage::exportEntries() {
    std::optional<std::wstring> name = askSaveFile(main_, kExportFilter);
    if (!name) return;
    // ".txt" in any letter case is kept as it is.
    if (!ascii::endsWithIgnoringCase<wchar_t>(*name, kTextExtension)) name->append(kTextExtension);
    // A file that cannot be written is passed over without a box, but
    // logged; through a temporary file, so the previous file stays whole.
    if (!replaceFileBytes(*name, exportLaunchEntries(list_.entries()))) logFailure(events_, L"批量导出失败", *name);
}

void LaunchPage::onDesignatedBoxClicked() {
    if (!designatedMode()) return;
    if (pathExists(widen(settings_.designatedPath))) return;
    messageBox(L"为设置指定浏览器。", L"提醒", MB_OK);
    if (chooseDesignatedBrowser_) chooseDesignatedBrowser_();
}

void LaunchPage::editSelected(int command) {
    const auto first = view_.firstSelected();
    if (!first || *first >= list_.size()) return;
    const LaunchEntry& entry = list_.at(*first);
    // Each edit reaches the rows selected when its dialog is confirmed.
    switch (command) {
        case id::kEditAddress: {
            InputTask task;
            task.caption = L"输入需要设置的连接";
            task.button = L"确 定";
            task.initialText = entry.address;
            task.onConfirm = [this](const std::string& text) { setAddressOfSelected(text); };
            openInputDialog(main_, task);
            break;
        }
        case id::kEditConfig: {
            PathTask task;
            task.title = L"选择需要设置配置";
            task.kind = PathKind::Configuration;
            task.initialText = entry.config;
            task.onConfirm = [this](const std::string& path) { setConfigOfSelected(path); };
            openPathDialog(main_, task);
            break;
        }
        case id::kEditName: {
            InputTask task;
            task.caption = L"输入需要修改的书签名";
            task.button = L"访 问";
            task.initialText = entry.name;
            task.onConfirm = [this](const std::string& text) { renameSelected(text); };
            openInputDialog(main_, task);
            break;
        }
        default: break;
    }
}

void LaunchPage::rowsChanged() { view_.setRowCount(list_.size()); }

void LaunchPage::rowsChangedWithoutSelection() {
    // A count of 0 drops the whole selection at once; clearing the state of
    // each row instead costs seconds in a list of 100,000. The rows the view
    // showed at the top are scrolled back into place afterwards.
    HWND list = view_.hwnd();
    const int top = ListView_GetTopIndex(list);
    view_.setRowCount(0);
    view_.setRowCount(list_.size());
    RECT row{};
    if (top > 0 && ListView_GetItemRect(list, 0, &row, LVIR_BOUNDS)) {
        ListView_Scroll(list, 0, top * (row.bottom - row.top));
    }
}

}  // namespace vuv::win
