#include "extras/log_page_win.h"

#include "common/ascii.h"
#include "common/control_ids.h"
#include "common/file_dialog_win.h"
#include "common/files_win.h"
#include "common/tell_operator_win.h"
#include "common/ui_win.h"

#include <optional>

namespace vuv::win {

namespace {

constexpr UINT kShowAfterMs = 100;
constexpr wchar_t kExportFilter[] = L"文本文件(txt)|*.txt|所有文件(*.*)|*.*";

}  // namespace

const std::vector<ControlRow>& LogPage::controls() {
    // Positions relative to the tab control's top-left corner, in tab order.
    static const std::vector<ControlRow> rows{
        {id::kLogList, Kind::ListView, L"", 0, 8, 28, 506, 332, Anchor::Grow},
        {id::kLogExport, Kind::Button, L"导出", 0, 522, 32, 56, 48, Anchor::Right},
        {id::kLogClear, Kind::Button, L"清空", 0, 522, 95, 56, 48, Anchor::Right},
    };
    return rows;
}

LogPage::LogPage(HWND main) : main_(main) {
    view_.attach(GetDlgItem(main, id::kLogList), {{L"时间", 64}, {L"浏览器", 56}, {L"事件", 64}, {L"内容", 300}},
                 [this](std::size_t row, int column) -> std::string_view {
                     if (row >= log_.size()) return {};
                     const EventRow& r = log_.at(row);
                     switch (column) {
                         case 0: cell_ = clockText(r.seconds); return cell_;
                         case 1: cell_ = r.pid != 0 ? std::to_string(r.pid) : std::string(); return cell_;
                         case 2: return r.kind;
                         default:
                             // One line in the list: line breaks and tabs show as blanks.
                             cell_ = r.content;
                             for (char& c : cell_) {
                                 if (c == '\r' || c == '\n' || c == '\t') c = ' ';
                             }
                             return cell_;
                     }
                 });
}

void LogPage::record(std::uint32_t processId, std::string_view kind, std::string_view content) {
    log_.append(localSecondsOfDay(), processId, kind, content);
    if (onRecord_) onRecord_(log_.at(log_.size() - 1));
    if (showScheduled_) return;
    showScheduled_ = SetTimer(main_, id::kLogTimer, kShowAfterMs, nullptr) != 0;
}

void LogPage::showRows() {
    if (showScheduled_) {
        KillTimer(main_, id::kLogTimer);
        showScheduled_ = false;
    }
    view_.setRowCount(log_.size());
}

void LogPage::registerIds(Routes& routes) {
    constexpr char kOwner[] = "run log page";
    routes.commands.claim(id::kLogExport, kOwner, [this](int) { exportRows(); });
    routes.commands.claim(id::kLogClear, kOwner, [this](int) { clear(); });
    routes.notifications.claim(id::kLogList, kOwner, [this](const NMHDR& header) -> LRESULT {
        view_.onNotify(header);
        return 0;
    });
    routes.timers.claim(id::kLogTimer, kOwner, [this] { showRows(); });
}

void LogPage::exportRows() {
    std::optional<std::wstring> path = askSaveFile(main_, kExportFilter, L"txt");
    if (!path) return;
    // Through a temporary file: a failed export leaves the previous file whole.
    if (!replaceFileBytes(*path, log_.exportText())) tellOperator(*this, L"运行记录导出失败", *path);
}

void LogPage::clear() {
    log_.clear();
    showRows();
}

}  // namespace vuv::win
