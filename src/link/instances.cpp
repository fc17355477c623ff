#include "link/instances.h"

#include "common/texts.h"

namespace vuv {
namespace {

// Frame windows first, so processes appear in the order of their frames,
// then those met only through command windows, then through the third class.
constexpr BrowserClass kScanOrder[] = {BrowserClass::Frame, BrowserClass::Command, BrowserClass::Third};

}  // namespace

void InstanceRecords::scan(WindowSource& windows) {
    records_.clear();
    indexByProcess_.clear();
    indexByCommandWindow_.clear();

    const std::vector<BrowserWindow> found = windows.browserWindows();
    for (const BrowserClass wanted : kScanOrder) {
        // In Z order: when a process owns several windows of a class, the
        // lowest one, met last, is kept.
        for (const BrowserWindow& w : found) {
            if (w.browserClass != wanted || w.window == 0) continue;
            const auto [it, added] = indexByProcess_.try_emplace(w.processId, records_.size());
            if (added) records_.push_back(InstanceRecord{w.processId, 0, 0, w.ansi});
            InstanceRecord& record = records_[it->second];
            if (wanted == BrowserClass::Frame) record.frameWindow = w.window;
            if (wanted == BrowserClass::Command) {
                record.commandWindow = w.window;
                record.ansi = w.ansi;  // transfers go to the command window
            }
        }
    }

    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (records_[i].commandWindow != 0) indexByCommandWindow_.try_emplace(records_[i].commandWindow, i);
    }
}

const InstanceRecord* InstanceRecords::find(std::uint32_t processId) const noexcept {
    const auto it = indexByProcess_.find(processId);
    return it == indexByProcess_.end() ? nullptr : &records_[it->second];
}

WindowId InstanceRecords::commandWindowOf(std::uint32_t processId) const noexcept {
    const InstanceRecord* record = find(processId);
    return record ? record->commandWindow : 0;
}

WindowId InstanceRecords::frameWindowOf(std::uint32_t processId) const noexcept {
    const InstanceRecord* record = find(processId);
    return record ? record->frameWindow : 0;
}

WindowId InstanceRecords::frameWindowOfCommandWindow(WindowId commandWindow) const noexcept {
    if (commandWindow == 0) return 0;
    const auto it = indexByCommandWindow_.find(commandWindow);
    return it == indexByCommandWindow_.end() ? 0 : records_[it->second].frameWindow;
}

std::vector<InstanceRow> instanceRows(const InstanceRecords& records, WindowSource& windows) {
    // A copy: asking a window for its title may run another scan of the
    // same records before the answer comes.
    const std::vector<InstanceRecord> snapshot = records.records();
    std::vector<InstanceRow> rows;
    rows.reserve(snapshot.size());
    for (const InstanceRecord& record : snapshot) {
        std::optional<std::string> title;
        if (record.frameWindow != 0) title = windows.title(record.frameWindow);
        rows.push_back(InstanceRow{record.processId, displayTitle(title)});
    }
    return rows;
}

void InstanceTable::scan(WindowSource& windows) {
    const std::uint64_t number = ++started_;
    InstanceRecords records;
    records.scan(windows);
    std::vector<InstanceRow> rows = instanceRows(records, windows);
    if (installed_ > number) return;  // a later scan finished inside this one: it stands
    records_ = std::move(records);
    rows_ = std::move(rows);
    installed_ = number;
}

void InstanceTable::removeRows(const std::vector<std::size_t>& sortedRows) {
    std::vector<InstanceRow> kept;
    kept.reserve(rows_.size());
    std::size_t next = 0;
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        while (next < sortedRows.size() && sortedRows[next] < row) ++next;
        if (next < sortedRows.size() && sortedRows[next] == row) continue;
        kept.push_back(std::move(rows_[row]));
    }
    rows_ = std::move(kept);
}

std::string displayTitle(const std::optional<std::string>& frameTitle) {
    if (!frameTitle) return std::string(text::kTabModeTitle);
    const std::string_view raw = *frameTitle;
    const std::string_view shown = raw.substr(0, raw.find('\0'));
    if (shown == " ") return std::string(text::kTabModeTitle);
    return std::string(shown);
}

}  // namespace vuv
