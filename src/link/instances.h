// Discovery of running browser instances.
//
// A browser process owns a frame window (class "鹭行x", whose title is shown
// and which receives closes), a command window (class "鹭行a", which receives
// transfers) and a third window (class "鹭行s"). A scan takes the top-level
// windows of these classes in Z order, visits those of each class in the
// order frame, command, third, and keeps one record per process, in the order
// the processes were first met.
//
// A browser that registers its classes with the ANSI functions and GBK bytes
// on a system whose code page is not 936 gets other class names (the bytes
// read in that code page): its windows are found under those names too, and
// its record says so, so that transfers to it use the message numbers it
// registered the same way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vuv {

// A window handle as a 32-bit value; 0 means none. Window handles are 32-bit
// values on 64-bit Windows too, which is what lets them travel as decimal text.
using WindowId = std::uint32_t;

enum class BrowserClass { Frame, Command, Third };

// One top-level window of a browser class.
struct BrowserWindow {
    WindowId window = 0;
    std::uint32_t processId = 0;
    BrowserClass browserClass = BrowserClass::Frame;
    bool ansi = false;  // found under the class name the ANSI functions give the GBK bytes
};

// The platform's top-level windows, as the scan needs them. The Win32 layer
// implements it; tests use an in-memory fake.
class WindowSource {
public:
    virtual ~WindowSource() = default;
    // Every top-level window of the three classes, under either name, in Z
    // order (topmost first).
    virtual std::vector<BrowserWindow> browserWindows() = 0;
    // The window's title; nullopt when w is 0 or the window is gone. Never
    // waits on the window's process.
    virtual std::optional<std::string> title(WindowId w) = 0;
};

struct InstanceRecord {
    std::uint32_t processId = 0;
    WindowId frameWindow = 0;
    WindowId commandWindow = 0;
    bool ansi = false;  // the browser registered its names with the ANSI functions (see above)

    friend bool operator==(const InstanceRecord& a, const InstanceRecord& b) noexcept {
        return a.processId == b.processId && a.frameWindow == b.frameWindow && a.commandWindow == b.commandWindow &&
               a.ansi == b.ansi;
    }
};

// One row of the instance table: 编号 is the process id, 标题 the title.
struct InstanceRow {
    std::uint32_t processId = 0;
    std::string title;

    friend bool operator==(const InstanceRow& a, const InstanceRow& b) {
        return a.processId == b.processId && a.title == b.title;
    }
};

class InstanceRecords {
public:
    // Replaces every record with what the windows show now. When a process
    // owns several windows of one class, the one lowest in Z order is kept.
    void scan(WindowSource& windows);

    // Lookups on the record of a process or of a command window; 0 if none.
    // A command window of 0 names no window and finds nothing.
    [[nodiscard]] WindowId commandWindowOf(std::uint32_t processId) const noexcept;
    [[nodiscard]] WindowId frameWindowOf(std::uint32_t processId) const noexcept;
    [[nodiscard]] WindowId frameWindowOfCommandWindow(WindowId commandWindow) const noexcept;
    // The record of a process; nullptr if none.
    [[nodiscard]] const InstanceRecord* find(std::uint32_t processId) const noexcept;

    [[nodiscard]] const std::vector<InstanceRecord>& records() const noexcept { return records_; }

private:
    std::vector<InstanceRecord> records_;
    std::unordered_map<std::uint32_t, std::size_t> indexByProcess_;
    std::unordered_map<WindowId, std::size_t> indexByCommandWindow_;  // first record per command window
};

// The instance table's rows, one per record in record order. The records are
// read before any title is asked for, so a scan that runs inside a title
// query cannot pull them away under the walk.
[[nodiscard]] std::vector<InstanceRow> instanceRows(const InstanceRecords& records, WindowSource& windows);

// The records and the rows of one scan, kept together. A scan can run inside
// another: a title query waits in a send, and a browser's "#关闭" received
// meanwhile rescans. Each scan builds its result apart and installs it only
// if no scan that started after it has installed one already, so that after
// any nesting the records and the rows are those of the newest scan, and
// agree with each other.
class InstanceTable {
public:
    void scan(WindowSource& windows);

    [[nodiscard]] const InstanceRecords& records() const noexcept { return records_; }
    [[nodiscard]] const std::vector<InstanceRow>& rows() const noexcept { return rows_; }
    // Removes rows (closed browsers) and leaves the records as they are.
    // Rows are given ascending; indices past the end are ignored.
    void removeRows(const std::vector<std::size_t>& sortedRows);

private:
    InstanceRecords records_;
    std::vector<InstanceRow> rows_;
    std::uint64_t started_ = 0;    // scans begun
    std::uint64_t installed_ = 0;  // the start number of the scan whose result is shown
};

// The 标题 shown for a frame window's text: the text up to its first NUL;
// "标签模式窗口" when there is no frame window or the text is a single space
// (a tabbed browser's frame); any other text unchanged, an empty one included.
[[nodiscard]] std::string displayTitle(const std::optional<std::string>& frameTitle);

}  // namespace vuv
