// The page 运行日志: what the panel did, one row per event (time, browser,
// event, content), newest last, at most 100,000 rows with the oldest dropped
// first. Recording a row never shows anything and never waits: the list
// learns its new length on a short timer. "导出" writes the rows as GBK text,
// tab-separated, one row a line; "清空" empties the log.
#pragma once

#include "common/event_log.h"
#include "common/event_sink.h"
#include "common/listview_win.h"
#include "common/routes_win.h"
#include "common/ui_win.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace vuv::win {

class LogPage final : public EventSink {
public:
    explicit LogPage(HWND main);

    // "导出", "清空", the list's notifications and the timer that shows new rows.
    void registerIds(Routes& routes);

    void record(std::uint32_t processId, std::string_view kind, std::string_view content) override;

    [[nodiscard]] const EventLog& log() const noexcept { return log_; }
    // Told of every row just recorded (the automation interface's stream).
    void setRecordHandler(std::function<void(const EventRow&)> handler) { onRecord_ = std::move(handler); }
    // Shows the rows recorded so far (the timer does it otherwise).
    void showRows();

    // The controls of the tab 运行日志, in tab order.
    [[nodiscard]] static const std::vector<ControlRow>& controls();

private:
    void exportRows();
    void clear();

    HWND main_;
    VirtualListView view_;
    EventLog log_;
    bool showScheduled_ = false;
    std::string cell_;
    std::function<void(const EventRow&)> onRecord_;
};

}  // namespace vuv::win
