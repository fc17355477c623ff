#include "link/instances.h"

#include <gtest/gtest.h>


#include "common/texts.h"

namespace {

using namespace vuv;

const std::string kFrame(text::kClassFrame), kCommand(text::kClassCommand), kThird(text::kClassThird);
const std::string kTabMode(text::kTabModeTitle);

struct FakeWindow {
    std::string className;
    std::uint32_t processId = 0;
    std::optional<std::string> title;
    bool ansi = false;
};

// Top-level windows in Z order, topmost first; a window's id is its index + 1.
// Like the platform, it lists the windows whose class is exactly one of the
// browser classes.
class FakeWindows : public WindowSource {
public:
    explicit FakeWindows(std::vector<FakeWindow> w) : windows(std::move(w)) {}
    std::vector<FakeWindow> windows;

    std::vector<BrowserWindow> browserWindows() override {
        std::vector<BrowserWindow> found;
        for (std::size_t i = 0; i < windows.size(); ++i) {
            const FakeWindow& w = windows[i];
            const auto id = static_cast<WindowId>(i + 1);
            if (w.className == kFrame) found.push_back({id, w.processId, BrowserClass::Frame, w.ansi});
            if (w.className == kCommand) found.push_back({id, w.processId, BrowserClass::Command, w.ansi});
            if (w.className == kThird) found.push_back({id, w.processId, BrowserClass::Third, w.ansi});
        }
        return found;
    }
    std::optional<std::string> title(WindowId w) override { return windows.at(w - 1).title; }
};

TEST(Instances, TitledBrowserAndLookups) {
    FakeWindows fake({{kFrame, 500, "Page"}, {"Shell_TrayWnd", 4, ""}, {kCommand, 500, " "}, {kThird, 500, {}}});
    InstanceRecords records;
    records.scan(fake);
    EXPECT_EQ(records.records(), (std::vector<InstanceRecord>{{500, 1, 3, false}}));
    EXPECT_EQ(instanceRows(records, fake), (std::vector<InstanceRow>{{500, "Page"}}));
    EXPECT_EQ(records.commandWindowOf(500), 3u);
    EXPECT_EQ(records.frameWindowOf(500), 1u);
    EXPECT_EQ(records.frameWindowOfCommandWindow(3), 1u);
    EXPECT_EQ(records.commandWindowOf(4), 0u);
    EXPECT_EQ(records.frameWindowOfCommandWindow(1), 0u);
}

TEST(Instances, OrderTitlesAndLowestWindowKept) {
    FakeWindows fake({
        {kCommand, 20, {}}, {kFrame, 10, "ten"}, {kThird, 30, {}}, {kFrame, 40, " "},  {kCommand, 10, {}},
        {kFrame, 50, ""},   {kFrame, 10, "low"}, {kCommand, 10, {}}, {"\xF0\xD8\xD0\xD0X", 60, "x"},
        {kFrame + "x", 70, "y"},
    });
    InstanceRecords records;
    records.scan(fake);
    EXPECT_EQ(records.records(), (std::vector<InstanceRecord>{
                                     {10, 7, 8, false}, {40, 4, 0, false}, {50, 6, 0, false}, {20, 0, 1, false}, {30, 0, 0, false}}));
    EXPECT_EQ(instanceRows(records, fake), (std::vector<InstanceRow>{
                                               {10, "low"}, {40, kTabMode}, {50, ""}, {20, kTabMode}, {30, kTabMode}}));
    EXPECT_EQ(records.frameWindowOfCommandWindow(5), 0u) << "a replaced command window no longer matches";
    EXPECT_EQ(records.frameWindowOfCommandWindow(0), 0u) << "0 names no command window";
}

TEST(Instances, RescanReplacesRecords) {
    FakeWindows fake({{kFrame, 5, "a"}, {kCommand, 6, {}}});
    InstanceRecords records;
    records.scan(fake);
    fake.windows.erase(fake.windows.begin());
    records.scan(fake);
    EXPECT_EQ(records.records(), (std::vector<InstanceRecord>{{6, 0, 1, false}}));
    EXPECT_EQ(records.frameWindowOf(5), 0u);
}

// A browser found under the ANSI names is marked so; the command window's
// variant decides, as transfers go there.
TEST(Instances, RecordsSayUnderWhichNamesABrowserWasFound) {
    FakeWindows fake({{kFrame, 1, "u", false}, {kCommand, 1, {}, false},
                      {kFrame, 2, "a", true}, {kCommand, 2, {}, true}, {kThird, 3, {}, true}});
    InstanceRecords records;
    records.scan(fake);
    EXPECT_EQ(records.records(), (std::vector<InstanceRecord>{{1, 1, 2, false}, {2, 3, 4, true}, {3, 0, 0, true}}));
    ASSERT_NE(records.find(2), nullptr);
    EXPECT_TRUE(records.find(2)->ansi);
    EXPECT_EQ(records.find(9), nullptr);
}

// "#关闭" names a command window that may have been met in an earlier scan.
// After the rescan the lookup follows the fresh records only: a window whose
// browser has gone finds nothing, a window still there finds its own frame,
// and a handle now used by another browser's command window finds that one's.
TEST(Instances, LookupsAfterARescanFollowTheFreshRecordsOnly) {
    const FakeWindow other{"Other", 99, {}};
    // First scan: browser 1 (frame 1, command 2) and browser 2 (frame 3, command 4).
    const std::vector<FakeWindow> before{{kFrame, 1, "a"}, {kCommand, 1, {}}, {kFrame, 2, "b"}, {kCommand, 2, {}}};
    struct Case {
        const char* change;
        std::vector<FakeWindow> after;
        std::vector<std::pair<WindowId, WindowId>> frameOfCommand;
    };
    const Case cases[] = {
        {"the first browser has gone",
         {other, other, {kFrame, 2, "b"}, {kCommand, 2, {}}},
         {{2, 0}, {4, 3}}},
        {"the first has gone and a third came",
         {other, other, {kFrame, 2, "b"}, {kCommand, 2, {}}, {kFrame, 3, "c"}, {kCommand, 3, {}}},
         {{2, 0}, {4, 3}, {6, 5}}},
        {"the second has gone, the first is met later in the walk",
         {other, {kCommand, 1, {}}, {kFrame, 1, "a"}, other},
         {{2, 3}, {4, 0}}},
        {"a handle of the first now belongs to a new browser",
         {{kFrame, 3, "c"}, {kCommand, 3, {}}, {kFrame, 2, "b"}, {kCommand, 2, {}}},
         {{2, 1}, {4, 3}}},
        {"the browsers swapped their windows' places",
         {{kFrame, 2, "b"}, {kCommand, 2, {}}, {kFrame, 1, "a"}, {kCommand, 1, {}}},
         {{2, 1}, {4, 3}}},
        {"nothing is left", {other, other, other, other}, {{2, 0}, {4, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.change);
        // The records rescanned in place, and the table the panel keeps.
        FakeWindows fake(before);
        InstanceRecords records;
        InstanceTable table;
        records.scan(fake);
        table.scan(fake);
        ASSERT_EQ(records.frameWindowOfCommandWindow(2), 1u);
        ASSERT_EQ(table.records().frameWindowOfCommandWindow(4), 3u);
        fake.windows = c.after;
        records.scan(fake);
        table.scan(fake);
        for (const auto& [command, frame] : c.frameOfCommand) {
            EXPECT_EQ(records.frameWindowOfCommandWindow(command), frame) << "command window " << command;
            EXPECT_EQ(table.records().frameWindowOfCommandWindow(command), frame) << "command window " << command;
        }
    }
}

TEST(Instances, DisplayTitle) {
    using namespace std::string_literals;
    const std::pair<std::optional<std::string>, std::string> cases[] = {
        {std::nullopt, kTabMode}, {" ", kTabMode}, {" \0junk"s, kTabMode}, {"", ""}, {"  ", "  "}, {"T\0  "s, "T"},
    };
    for (const auto& [raw, shown] : cases) EXPECT_EQ(displayTitle(raw), shown);
}

// A title query that waits in a send lets a browser's "#关闭" rescan the very
// table being built. The nested scan sees the world after a browser has gone;
// it is the newest, so its records and rows stand together, and nothing of the
// outer scan's older view is installed over them.
TEST(Instances, AScanInsideATitleQueryLeavesTheNewestScanConsistent) {
    class Rescanning final : public FakeWindows {
    public:
        using FakeWindows::FakeWindows;
        InstanceTable* table = nullptr;
        int nested = 0;
        std::optional<std::string> title(WindowId w) override {
            if (table != nullptr && nested == 0) {
                ++nested;
                windows.front() = {"gone", 0, std::nullopt};  // the first browser closes meanwhile
                table->scan(*this);
            }
            return FakeWindows::title(w);
        }
    };
    std::vector<FakeWindow> many{{kFrame, 1, "first"}};
    for (std::uint32_t pid = 2; pid <= 40; ++pid) many.push_back({kFrame, pid, "b" + std::to_string(pid)});
    Rescanning windows(many);
    InstanceTable table;
    windows.table = &table;
    table.scan(windows);

    ASSERT_EQ(windows.nested, 1);
    ASSERT_EQ(table.records().records().size(), 39u);
    ASSERT_EQ(table.rows().size(), 39u);
    for (std::size_t i = 0; i < table.rows().size(); ++i) {
        const InstanceRecord& record = table.records().records()[i];
        EXPECT_EQ(table.rows()[i].processId, record.processId);
        EXPECT_EQ(table.rows()[i].title, "b" + std::to_string(record.processId));
        EXPECT_EQ(table.records().frameWindowOf(record.processId), record.frameWindow);
    }
}

// A browser may answer the length query with anything; the table keeps rows
// and records in step when rows are removed (closed) between scans.
TEST(Instances, RemovingRowsLeavesTheRecords) {
    FakeWindows fake({{kFrame, 1, "a"}, {kFrame, 2, "b"}, {kFrame, 3, "c"}});
    InstanceTable table;
    table.scan(fake);
    table.removeRows({0, 2, 7});
    ASSERT_EQ(table.rows().size(), 1u);
    EXPECT_EQ(table.rows()[0].processId, 2u);
    EXPECT_EQ(table.records().records().size(), 3u);
    table.scan(fake);
    EXPECT_EQ(table.rows().size(), 3u);
}

}  // namespace
