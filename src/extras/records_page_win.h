// The pages 链接记录 and 网页记录: running text records of what browsers sent.
//
// Each record is the whole text of a multi-line edit box; an append places
// the caret at the end, scrolls it into view and inserts the text and CR LF
// without touching the undo buffer. Appending to an edit box costs time in
// proportion to the text already in it, and a browser waits in its send
// while its notification is handled, so records are not written one by one
// inside that handling: they queue in arrival order and a short timer writes
// everything queued with one insertion. A big record thus costs the senders
// nothing, and a burst of records costs one insertion per tick.
#pragma once

#include "common/event_sink.h"
#include "common/routes_win.h"
#include "common/ui_win.h"

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace vuv::win {

// One record: its edit box and the lines that wait to be written to it.
class RecordBox {
public:
    using Clock = std::chrono::steady_clock;  // the records' flush policy uses the same clock

    void attach(HWND edit);
    [[nodiscard]] HWND edit() const noexcept { return edit_; }

    // Queues text and CR LF for the end of the record.
    void queue(std::string_view gbk);
    [[nodiscard]] bool hasQueued() const noexcept { return !queued_.empty(); }
    [[nodiscard]] Clock::time_point queuedSince() const noexcept { return queuedSince_; }
    // Writes what is queued at the end of the box.
    void flush();
    // Empties the box; lines still queued arrived before and go too.
    void clear();

private:
    HWND edit_ = nullptr;
    std::wstring queued_;
    Clock::time_point queuedSince_{};
};

class RecordsPage final {
public:
    // A record that cannot be saved is also written to events.
    RecordsPage(HWND main, EventSink& events);
    // The boxes' "保 存" and "清 空", and the timer that writes queued lines.
    void registerIds(Routes& routes);

    // The controls of the tabs 链接记录 and 网页记录, each in tab order.
    [[nodiscard]] static const std::vector<ControlRow>& linkRecordControls();
    [[nodiscard]] static const std::vector<ControlRow>& pageRecordControls();

    void appendLinkRecord(std::string_view text);
    void appendPageRecord(std::string_view text);
    // Writes every queued line into the boxes now.
    void flushRecords();
    // A record's whole text (GBK, CR LF line ends), queued lines included.
    [[nodiscard]] std::string linkRecordText();
    [[nodiscard]] std::string pageRecordText();
    // Replaces a record's whole text (a workspace opened).
    void replaceLinkRecord(std::string_view gbk);
    void replacePageRecord(std::string_view gbk);

private:
    void scheduleFlush();
    // "保 存": asks for a file and writes the record's text to it as GBK.
    void saveRecord(RecordBox& record);

    HWND main_;
    EventSink& events_;
    RecordBox link_;
    RecordBox page_;
    bool flushScheduled_ = false;
    std::chrono::steady_clock::duration lastFlushCost_{0};
};

}  // namespace vuv::win
