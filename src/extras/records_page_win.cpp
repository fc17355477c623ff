#include "extras/records_page_win.h"

#include "common/control_ids.h"
#include "common/encoding_win.h"
#include "common/file_dialog_win.h"
#include "common/files_win.h"
#include "common/tell_operator_win.h"
#include "common/ui_win.h"
#include "extras/record_flush.h"

#include <algorithm>
#include <optional>
#include <string>

namespace vuv::win {

namespace {

constexpr wchar_t kSaveFilter[] = L"记事本(txt)|*.txt|所有文件(*.*)|*.*";

}  // namespace

void RecordBox::attach(HWND edit) {
    edit_ = edit;
    liftTextLimit(edit_);
}

void RecordBox::queue(std::string_view gbk) {
    if (queued_.empty()) queuedSince_ = Clock::now();
    // The edit box takes text up to a NUL: a text ends at its first one, and
    // still gets its own line break, so nothing queued after it is cut off.
    queued_ += widen(gbk.substr(0, gbk.find('\0')));
    queued_ += L"\r\n";
}

void RecordBox::flush() {
    if (queued_.empty()) return;
    const LRESULT end = SendMessageW(edit_, WM_GETTEXTLENGTH, 0, 0);
    SendMessageW(edit_, EM_SETSEL, static_cast<WPARAM>(end), end);
    SendMessageW(edit_, EM_SCROLLCARET, 0, 0);
    SendMessageW(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(queued_.c_str()));
    queued_.clear();
    queued_.shrink_to_fit();
}

void RecordBox::clear() {
    queued_.clear();
    SetWindowTextW(edit_, L"");
}

const std::vector<ControlRow>& RecordsPage::linkRecordControls() {
    // Positions relative to the tab control's top-left corner, in tab order.
    static const std::vector<ControlRow> rows{
        {id::kLinkRecord, Kind::MultiLineEdit, L"", 0, 8, 28, 506, 332, Anchor::Grow},
        {id::kLinkSave, Kind::Button, L"保 存", 0, 522, 32, 56, 48, Anchor::Right},
        {id::kLinkClear, Kind::Button, L"清 空", 0, 522, 95, 56, 48, Anchor::Right},
    };
    return rows;
}

const std::vector<ControlRow>& RecordsPage::pageRecordControls() {
    // Positions relative to the tab control's top-left corner, in tab order.
    static const std::vector<ControlRow> rows{
        {id::kPageRecord, Kind::MultiLineEdit, L"", 0, 9, 27, 498, 332, Anchor::Grow},
        {id::kPageSave, Kind::Button, L"保 存", 0, 520, 32, 56, 48, Anchor::Right},
        {id::kPageClear, Kind::Button, L"清 空", 0, 520, 95, 56, 48, Anchor::Right},
    };
    return rows;
}

RecordsPage::RecordsPage(HWND main, EventSink& events) : main_(main), events_(events) {
    link_.attach(GetDlgItem(main, id::kLinkRecord));
    page_.attach(GetDlgItem(main, id::kPageRecord));
}

void RecordsPage::appendLinkRecord(std::string_view text) {
    link_.queue(text);
    scheduleFlush();
}

void RecordsPage::appendPageRecord(std::string_view text) {
    page_.queue(text);
    scheduleFlush();
}

void RecordsPage::scheduleFlush() {
    std::optional<FlushClock::time_point> oldest;
    for (const RecordBox* record : {&link_, &page_}) {
        if (record->hasQueued() && (!oldest || record->queuedSince() < *oldest)) oldest = record->queuedSince();
    }
    const FlushStep step = afterQueue(oldest, flushScheduled_, lastFlushCost_, FlushClock::now());
    switch (step.action) {
        case FlushAction::none: return;
        case FlushAction::writeNow: flushRecords(); return;
        case FlushAction::startTimer:
            flushScheduled_ = SetTimer(main_, id::kRecordsTimer, static_cast<UINT>(step.wait.count()), nullptr) != 0;
            if (!flushScheduled_) flushRecords();
            return;
    }
}

void RecordsPage::flushRecords() {
    if (flushScheduled_) {
        KillTimer(main_, id::kRecordsTimer);
        flushScheduled_ = false;
    }
    if (!link_.hasQueued() && !page_.hasQueued()) return;
    const auto start = FlushClock::now();
    link_.flush();
    page_.flush();
    lastFlushCost_ = FlushClock::now() - start;
}

std::string RecordsPage::linkRecordText() {
    flushRecords();
    return narrow(controlTextW(link_.edit()));
}

std::string RecordsPage::pageRecordText() {
    flushRecords();
    return narrow(controlTextW(page_.edit()));
}

void RecordsPage::replaceLinkRecord(std::string_view gbk) {
    link_.clear();
    SetWindowTextW(link_.edit(), widen(gbk).c_str());
}

void RecordsPage::replacePageRecord(std::string_view gbk) {
    page_.clear();
    SetWindowTextW(page_.edit(), widen(gbk).c_str());
}

void RecordsPage::saveRecord(RecordBox& record) {
    const std::optional<std::wstring> path = askSaveFile(main_, kSaveFilter, L"txt");
    if (!path) return;
    // Records that arrived while the dialog was open are saved too. A file
    // marked read-only is never replaced, even where the system would let
    // this process write it (an administrator's, or Wine run as root). The
    // text goes to a temporary file first, so a full disk leaves the
    // previous file whole instead of cut short.
    flushRecords();
    const bool written = !isReadOnlyFile(*path) && replaceFileBytes(*path, narrow(controlTextW(record.edit())));
    if (!written) logFailure(events_, L"保存失败", *path);
    messageBox(written ? L"保存成功" : L"保存失败", L"信息：", MB_OK);
}

void RecordsPage::registerIds(Routes& routes) {
    constexpr char kOwner[] = "record pages";
    routes.commands.claim(id::kLinkSave, kOwner, [this](int) { saveRecord(link_); });
    routes.commands.claim(id::kLinkClear, kOwner, [this](int) { link_.clear(); });
    routes.commands.claim(id::kPageSave, kOwner, [this](int) { saveRecord(page_); });
    routes.commands.claim(id::kPageClear, kOwner, [this](int) { page_.clear(); });
    routes.timers.claim(id::kRecordsTimer, kOwner, [this] { flushRecords(); });
}

}  // namespace vuv::win
