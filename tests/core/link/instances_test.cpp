#include "link/instances.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/texts.h"

namespace {

using namespace vuv;

const std::string kFrame(text::kClassFrame);
const std::string kCommand(text::kClassCommand);
const std::string kThird(text::kClassThird);
const std::string kTabMode(text::kTabModeTitle);

struct FakeWindow {
    WindowId id = 0;
    std::string className;
    std::uint32_t processId = 0;
    std::optional<std::string> title;
};

// Top-level windows in Z order, topmost first. Like the platform, findFirst
// ignores ASCII letter case in class names, which is why the scan checks the
// class of every window it visits.
class FakeWindows : public WindowSource {
public:
    std::vector<FakeWindow> windows;
    WindowId loopBackTo = 0;  // when set, the last window is followed by this one

    WindowId findFirst(std::string_view className) override {
        for (const FakeWindow& w : windows) {
            if (sameIgnoringCase(w.className, className)) return w.id;
        }
        return 0;
    }
    WindowId next(WindowId id) override {
        const auto it = locate(id);
        if (it == windows.end()) return 0;
        if (it + 1 == windows.end()) return loopBackTo;
        return (it + 1)->id;
    }
    std::string className(WindowId id) override {
        const auto it = locate(id);
        return it == windows.end() ? std::string() : it->className;
    }
    std::uint32_t processIdOf(WindowId id) override {
        const auto it = locate(id);
        return it == windows.end() ? 0 : it->processId;
    }
    std::optional<std::string> title(WindowId id) override {
        const auto it = locate(id);
        return it == windows.end() ? std::nullopt : it->title;
    }

private:
    std::vector<FakeWindow>::const_iterator locate(WindowId id) const {
        return std::find_if(windows.begin(), windows.end(), [id](const FakeWindow& w) { return w.id == id; });
    }
    static bool sameIgnoringCase(std::string_view a, std::string_view b) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
                   return lower(x) == lower(y);
               });
    }
};

struct Scanned {
    InstanceRecords records;
    std::vector<InstanceRow> rows;
};

Scanned scan(FakeWindows& windows) {
    Scanned result;
    result.records.scan(windows);
    result.rows = instanceRows(result.records, windows);
    return result;
}

TEST(Instances, BrowserWithTitledFrameAndCommandWindow) {
    FakeWindows fake;
    fake.windows = {
        {101, kFrame, 500, std::string("Example Page")},
        {102, "Shell_TrayWnd", 4, std::string("")},
        {103, kCommand, 500, std::string(" ")},
        {104, kThird, 500, std::nullopt},
    };
    const Scanned s = scan(fake);
    EXPECT_EQ(s.records.records(), (std::vector<InstanceRecord>{{500, 101, 103}}));
    EXPECT_EQ(s.rows, (std::vector<InstanceRow>{{500, "Example Page"}}));
    EXPECT_EQ(s.records.commandWindowOf(500), 103u);
    EXPECT_EQ(s.records.frameWindowOf(500), 101u);
    EXPECT_EQ(s.records.frameWindowOfCommandWindow(103), 101u);
    EXPECT_EQ(s.records.commandWindowOf(4), 0u);
    EXPECT_EQ(s.records.frameWindowOf(501), 0u);
    EXPECT_EQ(s.records.frameWindowOfCommandWindow(101), 0u);
}

TEST(Instances, RowTitleFollowsTheFrameWindow) {
    struct Case {
        const char* name;
        std::vector<FakeWindow> windows;
        InstanceRecord record;
        std::string title;
    };
    const Case cases[] = {
        {"command window only", {{7, kCommand, 60, std::string("cmd")}}, {60, 0, 7}, kTabMode},
        {"tabbed frame titled with one space", {{8, kFrame, 61, std::string(" ")}}, {61, 8, 0}, kTabMode},
        {"empty title stays empty", {{9, kFrame, 62, std::string("")}}, {62, 9, 0}, ""},
        {"frame that answers nothing", {{10, kFrame, 63, std::nullopt}}, {63, 10, 0}, kTabMode},
        {"only the third class", {{11, kThird, 64, std::string("s")}}, {64, 0, 0}, kTabMode},
    };
    for (const Case& c : cases) {
        FakeWindows fake;
        fake.windows = c.windows;
        const Scanned s = scan(fake);
        EXPECT_EQ(s.records.records(), std::vector<InstanceRecord>{c.record}) << c.name;
        EXPECT_EQ(s.rows, (std::vector<InstanceRow>{{c.record.processId, c.title}})) << c.name;
    }
}

TEST(Instances, DisplayTitleCutsAtNulAndNamesTabbedFrames) {
    using namespace std::string_literals;
    const std::pair<std::optional<std::string>, std::string> cases[] = {
        {std::nullopt, kTabMode},
        {" ", kTabMode},
        {" \0junk"s, kTabMode},
        {"", ""},
        {"\0"s, ""},
        {"  ", "  "},
        {"Title\0   "s, "Title"},
        {"\xD0\xC2\xB1\xEA\xC7\xA9", "\xD0\xC2\xB1\xEA\xC7\xA9"},
    };
    for (const auto& [raw, shown] : cases) EXPECT_EQ(displayTitle(raw), shown);
}

TEST(Instances, RecordsFollowFramesThenCommandWindowsThenThirdClass) {
    FakeWindows fake;
    fake.windows = {
        {1, kCommand, 20, {}},
        {2, kFrame, 10, std::string("ten")},
        {3, kThird, 30, {}},
        {4, kFrame, 40, std::string("forty")},
        {5, kCommand, 50, {}},
        {6, kCommand, 10, {}},
        {7, kThird, 10, {}},
    };
    const Scanned s = scan(fake);
    EXPECT_EQ(s.records.records(), (std::vector<InstanceRecord>{
                                        {10, 2, 6}, {40, 4, 0}, {20, 0, 1}, {50, 0, 5}, {30, 0, 0}}));
    EXPECT_EQ(s.rows, (std::vector<InstanceRow>{
                          {10, "ten"}, {40, "forty"}, {20, kTabMode}, {50, kTabMode}, {30, kTabMode}}));
}

TEST(Instances, LowestWindowOfAClassInAProcessIsKept) {
    FakeWindows fake;
    fake.windows = {
        {1, kFrame, 9, std::string("top")},
        {2, kCommand, 9, {}},
        {3, kFrame, 9, std::string("bottom")},
        {4, kCommand, 9, {}},
    };
    const Scanned s = scan(fake);
    EXPECT_EQ(s.records.records(), (std::vector<InstanceRecord>{{9, 3, 4}}));
    EXPECT_EQ(s.rows, (std::vector<InstanceRow>{{9, "bottom"}}));
    EXPECT_EQ(s.records.frameWindowOfCommandWindow(4), 3u);
    EXPECT_EQ(s.records.frameWindowOfCommandWindow(2), 0u) << "a replaced command window no longer matches";
}

TEST(Instances, ClassNamesMatchByteForByte) {
    FakeWindows fake;
    fake.windows = {
        {1, "\xF0\xD8\xD0\xD0X", 5, std::string("upper case")},  // found first by the case-blind lookup
        {2, kFrame + "x", 6, std::string("longer")},
        {3, kFrame, 7, std::string("real")},
    };
    const Scanned s = scan(fake);
    EXPECT_EQ(s.records.records(), (std::vector<InstanceRecord>{{7, 3, 0}}));
}

TEST(Instances, RescanReplacesRecordsAndLookups) {
    FakeWindows fake;
    fake.windows = {{1, kFrame, 5, std::string("a")}, {2, kCommand, 5, {}}, {3, kCommand, 6, {}}};
    InstanceRecords records;
    records.scan(fake);
    const auto first = records.records();
    records.scan(fake);
    EXPECT_EQ(records.records(), first) << "scanning twice gives the same records";

    fake.windows.erase(fake.windows.begin(), fake.windows.begin() + 2);
    records.scan(fake);
    EXPECT_EQ(records.records(), (std::vector<InstanceRecord>{{6, 0, 3}}));
    EXPECT_EQ(records.commandWindowOf(5), 0u);
    EXPECT_EQ(records.frameWindowOfCommandWindow(2), 0u);

    fake.windows.clear();
    records.scan(fake);
    EXPECT_TRUE(records.records().empty());
    EXPECT_TRUE(instanceRows(records, fake).empty());
}

TEST(Instances, NoCommandWindowIsNotALookupKey) {
    FakeWindows fake;
    fake.windows = {{1, kFrame, 5, std::string("a")}};
    InstanceRecords records;
    records.scan(fake);
    EXPECT_EQ(records.frameWindowOfCommandWindow(0), 0u);
}

TEST(Instances, WalkThatCirclesEnds) {
    FakeWindows fake;
    fake.windows = {{1, kFrame, 5, std::string("a")}, {2, kCommand, 5, {}}};
    fake.loopBackTo = 1;
    InstanceRecords records;
    records.scan(fake);
    EXPECT_EQ(records.records(), (std::vector<InstanceRecord>{{5, 1, 2}}));
}

}  // namespace
