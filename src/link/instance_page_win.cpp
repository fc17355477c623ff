#include "link/instance_page_win.h"

#include "app/control_ids.h"
#include "app/layout_win.h"
#include "app/main_window_win.h"
#include "app/path_dialog_win.h"
#include "common/texts.h"
#include "extras/rename_dialog_win.h"
#include "extras/web_pages.h"
#include "extras/web_pages_win.h"
#include "launch/input_dialog_win.h"
#include "launch/proxy_win.h"
#include "link/channel_win.h"
#include "link/window_source_win.h"

#include <string>

namespace vuv::win {

void InstancePage::attach(HWND main) {
    main_ = main;
    view_.attach(GetDlgItem(main, id::独立控制), {{L"编号", 80}, {L"标题", 390}},
                 [this](std::size_t row, int column) -> std::string_view {
                     if (row >= rows_.size()) return {};
                     if (column == 1) return rows_[row].title;
                     numberText_ = std::to_string(rows_[row].processId);
                     return numberText_;
                 });
}

void InstancePage::scanInstances() {
    DesktopWindows windows;
    records_.scan(windows);
    rows_ = instanceRows(records_, windows);
    view_.clearSelection();
    view_.setRowCount(rows_.size());
}

HWND InstancePage::commandWindowOf(std::uint32_t processId) const { return toHwnd(records_.commandWindowOf(processId)); }

HWND InstancePage::frameWindowOf(std::uint32_t processId) const { return toHwnd(records_.frameWindowOf(processId)); }

HWND InstancePage::frameWindowOfCommandWindow(HWND commandWindow) const {
    return toHwnd(records_.frameWindowOfCommandWindow(toWindowId(commandWindow)));
}

std::vector<std::uint32_t> InstancePage::rowProcessIds() const {
    std::vector<std::uint32_t> ids;
    ids.reserve(rows_.size());
    for (const InstanceRow& row : rows_) ids.push_back(row.processId);
    return ids;
}

std::vector<std::uint32_t> InstancePage::selectedProcessIds() const {
    std::vector<std::uint32_t> ids;
    for (std::size_t row : view_.selectedRows()) {
        if (row < rows_.size()) ids.push_back(rows_[row].processId);
    }
    return ids;
}

void InstancePage::readConfigInSelected(std::string_view path) {
    for (std::uint32_t pid : selectedProcessIds()) sendReadConfig(commandWindowOf(pid), path);
}

void InstancePage::openLinkInSelected(std::string_view address) {
    for (std::uint32_t pid : selectedProcessIds()) sendOpenLink(commandWindowOf(pid), address);
}

void InstancePage::closeSelected() {
    const std::vector<std::size_t> selected = view_.selectedRows();
    if (selected.empty()) return;
    std::vector<InstanceRow> kept;
    kept.reserve(rows_.size());
    std::size_t next = 0;
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        if (next < selected.size() && selected[next] == row) {
            ++next;
            closeInstance(frameWindowOf(rows_[row].processId));
        } else {
            kept.push_back(std::move(rows_[row]));
        }
    }
    rows_ = std::move(kept);
    view_.clearSelection();
    view_.setRowCount(rows_.size());
}

bool InstancePage::onCommand(int id, int) {
    switch (id) {
        case id::检测鹭行: scanInstances(); return true;
        case id::窗口闪烁:
            for (std::uint32_t pid : selectedProcessIds()) sendCommand(commandWindowOf(pid), text::kCommandFlash);
            return true;
        case id::刷新:
            for (std::uint32_t pid : selectedProcessIds()) {
                sendBasic(commandWindowOf(pid), text::kKeyToolbar, text::kToolbarRefresh);
            }
            return true;
        case id::关闭鹭行: closeSelected(); return true;
        case id::开始:
        case id::停止: return true;  // these items do nothing
        // The dialogs read the selection when they are confirmed.
        case id::读取配置: openPathDialog(PathDialogPurpose::ReadConfig); return true;
        case id::打开指定连接: openInputDialog(InputDialogPurpose::OpenLink); return true;
        case id::设置代理IP: setProxyForSelected(main_); return true;
        case id::给鹭行取名: openRenameDialog(main_); return true;
        case id::检测鹭行2: openPathDialog(PathDialogPurpose::BrowserPath); return true;
        case id::检测鹭行3: openWebPage(web::kDownloadPage); return true;
        case id::检测鹭行1: openWebPage(web::kFeedbackPage); return true;
        default: return false;
    }
}

bool InstancePage::onNotify(const NMHDR& header, LRESULT& result) {
    if (view_.onNotify(header)) return true;
    if (header.hwndFrom == view_.hwnd() && header.code == NM_RCLICK) {
        if (view_.anySelected()) mainWindow().popUp(layout::kInstanceMenu.data(), layout::kInstanceMenu.size());
        result = 0;
        return true;
    }
    return false;
}

}  // namespace vuv::win
