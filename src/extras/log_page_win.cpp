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

bool LogPage::onMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message != WM_TIMER || wParam != static_cast<WPARAM>(id::kLogTimer)) return false;
    showRows();
    result = 0;
    return true;
}

bool LogPage::onNotify(const NMHDR& header, LRESULT&) { return view_.onNotify(header); }

bool LogPage::onCommand(int id, int) {
    switch (id) {
        case id::kLogExport: exportRows(); return true;
        case id::kLogClear: clear(); return true;
        default: return false;
    }
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
