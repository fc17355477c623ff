#include "launch/launch_page_win.h"

#include "app/control_ids.h"
#include "app/layout_win.h"
#include "app/main_window_win.h"
#include "app/path_dialog_win.h"
#include "app/settings_win.h"
#include "common/encoding_win.h"
#include "common/file_dialog_win.h"
#include "common/ui_win.h"
#include "launch/command_line.h"
#include "launch/export.h"
#include "launch/input_dialog_win.h"
#include "launch/launch_scheduler_win.h"

#include <optional>
#include <string>
#include <utility>

namespace vuv::win {

namespace {

constexpr wchar_t kExportFilter[] = L"文本文件(txt)|*.txt";
constexpr std::string_view kTextExtension = ".txt";

// True when name ends in ".txt" in any letter case. The four bytes cannot
// belong to a double-byte character: '.' is neither a lead nor a trail byte.
bool endsWithTxt(std::string_view name) {
    if (name.size() < kTextExtension.size()) return false;
    const std::string_view tail = name.substr(name.size() - kTextExtension.size());
    for (std::size_t i = 0; i < tail.size(); ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
        if (c != kTextExtension[i]) return false;
    }
    return true;
}

}  // namespace

void LaunchPage::attach(HWND main) {
    main_ = main;
    view_.attach(GetDlgItem(main, id::超级列表框1), {{L"书签名", 80}, {L"地址", 150}, {L"配置路径", 150}},
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

bool LaunchPage::onCommand(int id, int notifyCode) {
    switch (id) {
        case id::按钮3: clear(); return true;
        case id::按钮2: exportEntries(); return true;
        case id::按钮7: launchAll(*this); return true;
        case id::按钮17: startBareBrowser(); return true;
        case id::选择框1:
            if (notifyCode == BN_CLICKED) onDesignatedBoxClicked();
            return true;
        case id::修改选中的连接:
        case id::修改选中的配置:
        case id::修改选中的书签名: editSelected(id); return true;
        case id::启动选中的连接: launchSelected(*this, false); return true;
        case id::启动选中的连接指定浏览器: launchSelected(*this, true); return true;
        case id::删除选中的链接: deleteSelected(); return true;
        default: return false;
    }
}

bool LaunchPage::onNotify(const NMHDR& header, LRESULT& result) {
    if (view_.onNotify(header)) return true;
    if (header.hwndFrom == view_.hwnd() && header.code == NM_RCLICK) {
        mainWindow().popUp(layout::kLaunchMenu.data(), layout::kLaunchMenu.size());
        result = 0;
        return true;
    }
    return false;
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

bool LaunchPage::isSelected(std::size_t row) const {
    if (row >= list_.size()) return false;
    return (ListView_GetItemState(view_.hwnd(), static_cast<int>(row), LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

bool LaunchPage::designatedMode() const {
    return SendMessageW(GetDlgItem(main_, id::选择框1), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool LaunchPage::wapMode() const {
    return SendMessageW(GetDlgItem(main_, id::选择框2), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int LaunchPage::launchInterval() const { return leadingInteger(controlText(GetDlgItem(main_, id::启动间隔))); }

void LaunchPage::exportEntries() {
    std::optional<std::string> name = askSaveFile(main_, kExportFilter);
    if (!name) return;
    if (!endsWithTxt(*name)) name->append(kTextExtension);
    // A file that cannot be written is passed over silently.
    static_cast<void>(writeFileBytes(*name, exportLaunchEntries(list_.entries())));
}

void LaunchPage::onDesignatedBoxClicked() {
    if (!designatedMode()) return;
    if (pathExists(app().settings.designatedPath)) return;
    messageBox(L"为设置指定浏览器。", L"提醒", MB_OK);
    openPathDialog(PathDialogPurpose::DesignatedBrowser);
}

void LaunchPage::editSelected(int command) {
    const auto first = view_.firstSelected();
    if (!first || *first >= list_.size()) return;
    const LaunchEntry& entry = list_.at(*first);
    switch (command) {
        case id::修改选中的连接: openInputDialog(InputDialogPurpose::SetAddress, entry.address); break;
        case id::修改选中的配置: openPathDialog(PathDialogPurpose::EntryConfig, entry.config); break;
        case id::修改选中的书签名: openInputDialog(InputDialogPurpose::RenameEntry, entry.name); break;
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
