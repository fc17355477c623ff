#include "app/workspace.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <variant>
#include <vector>

#include "common/texts.h"

namespace {

using namespace vuv;

const std::string kTrue(text::kTrue);
const std::string kFalse(text::kFalse);
const std::string kUnused(text::kStateUnused);
const std::string kOpened(text::kStateOpened);
const std::string kYun = "\xDF\x5C";         // 運: trail byte "\"
const std::string kTrailBar = "\x81\x7C";    // trail byte "|"
const std::string kNews = "\xD0\xC2\xCE\xC5";  // 新闻

std::string section(std::string_view name) { return "[" + std::string(name) + "]\r\n"; }

const std::string kHeader = "VUV-WORKSPACE 1\r\n";
const std::string kEnd = "[END]\r\n";

std::string describe(const std::variant<Workspace, WorkspaceError>& result) {
    if (const auto* e = std::get_if<WorkspaceError>(&result)) return "line " + std::to_string(e->line) + ": " + e->what;
    return "a workspace";
}

Workspace parsed(std::string_view bytes) {
    auto result = parseWorkspace(bytes);
    EXPECT_TRUE(std::holds_alternative<Workspace>(result)) << describe(result) << "\n" << bytes;
    if (auto* w = std::get_if<Workspace>(&result)) return std::move(*w);
    return {};
}

// Values that need escaping, that sit on character boundaries in odd ways, or
// that look like the file's own structure.
const std::vector<std::string> kAwkward = {
    "",
    "plain",
    "a\\b\\\\c\\",
    "C:\\cfg\\" + kYun + "\\x.ini",
    "tab\there\t",
    "\tleading tab",
    "line\r\nbreak\r\n",
    "lone\rcr and lone\nlf",
    "\r\n\r\n",
    "|#|a|#|b|#|",
    kYun + kTrailBar + kYun,
    kNews + kYun,
    "[bracket]",
    "[END]",
    "[" + std::string(text::kSectionRules) + "]",
    "\\[",
    "\\x41\\t",
    "ends in lead\x81",
    "lead before tab\x81\tx",
    "lead before cr lf\x81\r\nx",
    "lead before lf\x81\n",
    "lead before backslash\x81\\t",
    "\x81\x81\x81",
    "\xFF\xFF\x80\\",
    std::string("nul\0byte", 8),
};

Workspace everyFieldHolds(const std::string& v) {
    Workspace w;
    w.settings.launchInterval = v;
    w.settings.designatedBrowser = true;
    w.settings.wapMode = false;
    w.launchList = {{v, v, v}, {"n", "", ""}};
    w.bookmarks = {{v, true, 1234, 3600}, {v, false, kNoHolder, kNoTime}};
    w.rules = {{v.empty() ? "c" : v, v, v, 7}};
    w.linkRecord = v;
    w.pageRecord = v + "\r\n" + v;
    return w;
}

TEST(Workspace, EveryFieldRoundTripsAnyBytes) {
    for (const std::string& v : kAwkward) {
        const Workspace w = everyFieldHolds(v);
        const std::string bytes = writeWorkspace(w);
        EXPECT_EQ(parsed(bytes), w) << bytes;
        // CR and LF appear only as the writer's own line ends.
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\r') {
                EXPECT_EQ(bytes[i + 1], '\n') << bytes;
            }
            if (bytes[i] == '\n') {
                EXPECT_EQ(bytes[i - 1], '\r') << bytes;
            }
        }
    }
}

TEST(Workspace, NumbersTimesAndStatesRoundTripAtTheirLimits) {
    constexpr auto kMinTime = std::numeric_limits<std::int32_t>::min();
    constexpr auto kMaxTime = std::numeric_limits<std::int32_t>::max();
    Workspace w;
    for (const std::int32_t t : {kNoTime, 0, 1, 59, 3599, 86399, 86400, kMaxTime, -2, kMinTime}) {
        w.bookmarks.push_back({"http://a/" + std::to_string(t), t % 2 == 0, static_cast<std::uint32_t>(t), t});
    }
    w.bookmarks.push_back({"", true, std::numeric_limits<std::uint32_t>::max(), kNoTime});
    w.rules = {{"c", "", "", 0}, {"c", "", "", std::numeric_limits<std::uint64_t>::max()}};
    EXPECT_EQ(parsed(writeWorkspace(w)), w);
}

// The holder's creation time: a fifth field only where it is known, so a
// file without it (or a row written before it was kept) reads as "not known"
// and writes back exactly as it was.
TEST(Workspace, HolderStartTimesRoundTripAndFilesWithoutThemStillRead) {
    Workspace w;
    w.bookmarks = {{"http://a/", true, 4321, 3600, 133'000'000'000'000'000ull},
                   {"http://b/", true, 4321, 3601, std::numeric_limits<std::uint64_t>::max()},
                   {"http://c/", true, 17, 3602, 0},
                   {"http://d/", false, kNoHolder, kNoTime, 0}};
    const std::string bytes = writeWorkspace(w);
    EXPECT_NE(bytes.find("\t01:00:00\t133000000000000000\r\n"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("\t17\t01:00:02\r\n"), std::string::npos) << bytes;
    EXPECT_EQ(parsed(bytes), w);

    const std::string marks = section(text::kSectionBookmarks);
    const std::string old = kHeader + section(text::kSectionSettings) + section(text::kSectionLaunch) + marks +
                            "http://a/\t" + kOpened + "\t4321\t09:05:07\r\n" + "http://b/\t" + kUnused + "\t0\t\r\n" +
                            section(text::kSectionRules) + kEnd;
    const Workspace fromOld = parsed(old);
    ASSERT_EQ(fromOld.bookmarks.size(), 2u);
    EXPECT_EQ(fromOld.bookmarks[0], (SavedBookmark{"http://a/", true, 4321, 9 * 3600 + 5 * 60 + 7, 0}));
    EXPECT_EQ(writeWorkspace(fromOld), old);

    // An empty fifth field, as an editor may leave it, is "not known" too.
    const Workspace emptyStart = parsed(kHeader + marks + "x\t" + kOpened + "\t9\t00:00:01\t\r\n" + kEnd);
    ASSERT_EQ(emptyStart.bookmarks.size(), 1u);
    EXPECT_EQ(emptyStart.bookmarks[0], (SavedBookmark{"x", true, 9, 1, 0}));
}

TEST(Workspace, RecordsKeepEveryLineEnd) {
    const std::vector<std::string> records = {
        "", "\r\n", "a", "a\r\n", "a\r\nb", "\r\n\r\na\r\n\r\n", "a\r", "\ra\n", "\n\r", "a\r\r\nb", "\t\t\r\n\t",
    };
    for (const std::string& r : records) {
        Workspace w;
        w.linkRecord = r;
        w.pageRecord = r + "x";
        EXPECT_EQ(parsed(writeWorkspace(w)), w) << writeWorkspace(w);
    }
}

TEST(Workspace, HugeRecordRoundTrips) {
    std::string record;
    for (std::size_t i = 0; record.size() < (11u << 20); ++i) {
        record += std::to_string(i) + "\thttp://example.com/" + kNews + kYun + "\\" + (i % 7 ? "\r\n" : "\n");
    }
    Workspace w;
    w.pageRecord = record;
    const Workspace back = parsed(writeWorkspace(w));
    ASSERT_TRUE(back.pageRecord.has_value());
    EXPECT_TRUE(*back.pageRecord == record);
    EXPECT_FALSE(back.linkRecord.has_value());
}

TEST(Workspace, WritesTheDocumentedLayout) {
    Workspace w;
    w.settings.launchInterval = "800";
    w.settings.loopBookmarks = true;
    w.launchList = {{kNews, "http://a/", "D:\\cfg\\1.ini"}, {"[x]", "", ""}};
    w.bookmarks = {{"http://b/", true, 4321, 9 * 3600 + 5 * 60 + 7, 134091843071234567ull},
                   {"http://c/", false, 0, kNoTime}};
    w.rules = {{"ok\r\nnext", std::string(text::kActionOpenLink), "http://d/", 3}};
    w.linkRecord = "one\ttwo\r\nthree";
    EXPECT_EQ(writeWorkspace(w), kHeader + section(text::kSectionSettings) + std::string(text::kSettingInterval) +
                                     "\t800\r\n" + std::string(text::kSettingLoopBookmarks) + "\t" + kTrue + "\r\n" +
                                     section(text::kSectionLaunch) + kNews + "\thttp://a/\tD:\\\\cfg\\\\1.ini\r\n" +
                                     "\\[x]\t\t\r\n" + section(text::kSectionBookmarks) + "http://b/\t" + kOpened +
                                     "\t4321\t09:05:07\t134091843071234567\r\n" + "http://c/\t" + kUnused +
                                     "\t0\t\r\n" +
                                     section(text::kSectionRules) + "ok\\r\\nnext\t" +
                                     std::string(text::kActionOpenLink) + "\thttp://d/\t3\r\n" +
                                     section(text::kSectionLinkRecord) + "one\\ttwo\r\nthree\r\n" + kEnd);
    EXPECT_EQ(writeWorkspace({}), kHeader + section(text::kSectionSettings) + section(text::kSectionLaunch) +
                                      section(text::kSectionBookmarks) + section(text::kSectionRules) + kEnd);
}

TEST(Workspace, MissingSettingsAndSectionsStayUnset) {
    const Workspace bare = parsed(kHeader + kEnd);
    EXPECT_EQ(bare, Workspace{});

    const Workspace some = parsed(kHeader + section(text::kSectionSettings) + std::string(text::kSettingWapMode) +
                                  "\t" + kFalse + "\r\n" + kEnd);
    EXPECT_EQ(some.settings.wapMode, false);
    EXPECT_FALSE(some.settings.launchInterval.has_value());
    EXPECT_FALSE(some.settings.designatedBrowser.has_value());
    EXPECT_FALSE(some.settings.loopBookmarks.has_value());

    // An empty interval is a setting, not a missing one; an empty record section a record.
    const Workspace empty = parsed(kHeader + section(text::kSectionSettings) +
                                   std::string(text::kSettingInterval) + "\t\r\n" +
                                   section(text::kSectionPageRecord) + kEnd);
    EXPECT_EQ(empty.settings.launchInterval, "");
    EXPECT_EQ(empty.pageRecord, "");
    EXPECT_FALSE(empty.linkRecord.has_value());
}

TEST(Workspace, ReadsWhatAnEditorMayLeave) {
    Workspace w;
    w.settings.designatedBrowser = true;
    w.launchList = {{kNews, "http://a/", ""}};
    w.bookmarks = {{"http://b/", true, 7, 8 * 3600}};
    w.rules = {{"c", "", "", 1}};
    w.linkRecord = "x\r\n\r\ny";
    const std::string crlf = writeWorkspace(w);
    std::string lf;
    for (const char c : crlf) {
        if (c != '\r') lf += c;
    }
    const struct {
        const char* label;
        std::string bytes;
    } cases[] = {
        {"LF line ends", lf},
        {"no final line end", crlf.substr(0, crlf.size() - 2)},
        {"empty lines after the end", crlf + "\r\n\n\r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(parsed(c.bytes), w) << c.label;

    // Hand-written forms the writer does not produce.
    const Workspace hand = parsed(kHeader + "\r\n" + section(text::kSectionBookmarks) + "\r\n" + "\\x41\\[\t" +
                                  kUnused + "\t007\t8:00:00\r\n" + "\r\n" + section(text::kSectionLaunch) + kEnd);
    ASSERT_EQ(hand.bookmarks.size(), 1u);
    EXPECT_EQ(hand.bookmarks[0], (SavedBookmark{"A[", false, 7, 8 * 3600}));
}

TEST(Workspace, DamagedFilesNameTheFirstBadLine) {
    const std::string launch = section(text::kSectionLaunch);
    const std::string marks = section(text::kSectionBookmarks);
    const std::string rules = section(text::kSectionRules);
    const std::string settings = section(text::kSectionSettings);
    const std::string interval(text::kSettingInterval);
    const std::string wap(text::kSettingWapMode);
    struct Case {
        std::string bytes;
        std::size_t line;
        std::string what;
    };
    const Case cases[] = {
        {"", 1, "empty file"},
        {"\xEF\xBB\xBFVUV-WORKSPACE 1\r\n" + kEnd, 1, "byte-order mark: the file must be saved as GBK"},
        {"VUV-WORKSPACE\r\n" + kEnd, 1, "not a workspace file"},
        {"vuv-workspace 1\r\n" + kEnd, 1, "not a workspace file"},
        {"VUV-WORKSPACE 2\r\n" + kEnd, 1, "unsupported version"},
        {"VUV-WORKSPACE 01\r\n" + kEnd, 1, "unsupported version"},
        {"VUV-WORKSPACE 1 \r\n" + kEnd, 1, "bad version"},
        {"VUV-WORKSPACE \r\n" + kEnd, 1, "bad version"},
        {"VUV-RULES 1\r\n" + kEnd, 1, "a rule file, not a workspace"},
        {kHeader, 2, "no [END] line: the file is cut short"},
        {kHeader + launch + "a\tb\tc\r\n", 4, "no [END] line: the file is cut short"},
        {kHeader + launch + "a\tb\tc\r\n" + kEnd + "x\r\n", 5, "text after [END]"},
        {kHeader + launch + kEnd + "[END]\r\n", 4, "text after [END]"},
        {kHeader + "x\r\n" + kEnd, 2, "data outside a section"},
        {kHeader + "[other]\r\n" + kEnd, 2, "unknown section"},
        {kHeader + "[" + std::string(text::kSectionLaunch) + "] \r\n" + kEnd, 2, "bad section line"},
        {kHeader + "[\r\n" + kEnd, 2, "bad section line"},
        {kHeader + launch + marks + launch + kEnd, 4, "section repeated"},
        {kHeader + launch + "a\tb\r\n" + kEnd, 3, "expected 3 fields, found 2"},
        {kHeader + launch + "a\tb\tc\td\r\n" + kEnd, 3, "expected 3 fields, found 4"},
        {kHeader + launch + " \r\n" + kEnd, 3, "expected 3 fields, found 1"},
        {kHeader + launch + "a\\q\tb\tc\r\n" + kEnd, 3, "bad escape"},
        {kHeader + launch + "a\\\tb\tc\r\n" + kEnd, 3, "bad escape"},
        {kHeader + launch + "a\tb\tc\\x4\r\n" + kEnd, 3, "bad escape"},
        {kHeader + launch + "a\tb\tc\\xG1\r\n" + kEnd, 3, "bad escape"},
        {kHeader + launch + "a\rb\tb\tc\r\n" + kEnd, 3, "CR without LF"},
        {kHeader + launch + "a\tb\tc\r\r\n" + kEnd, 3, "CR without LF"},
        {kHeader + marks + "a\t" + kUnused + "\t1\r\n" + kEnd, 3, "expected 4 or 5 fields, found 3"},
        {kHeader + marks + "a\tunused\t1\t\r\n" + kEnd, 3, "bad state"},
        {kHeader + marks + "a\t" + kUnused + "\t\t\r\n" + kEnd, 3, "bad process id"},
        {kHeader + marks + "a\t" + kUnused + "\t-1\t\r\n" + kEnd, 3, "bad process id"},
        {kHeader + marks + "a\t" + kUnused + "\t4294967296\t\r\n" + kEnd, 3, "bad process id"},
        {kHeader + marks + "a\t" + kUnused + "\t 1\t\r\n" + kEnd, 3, "bad process id"},
        {kHeader + marks + "a\t" + kUnused + "\t1\t8:00\r\n" + kEnd, 3, "bad time"},
        {kHeader + marks + "a\t" + kUnused + "\t1\t08:60:00\r\n" + kEnd, 3, "bad time"},
        {kHeader + marks + "a\t" + kUnused + "\t1\t08:00:60\r\n" + kEnd, 3, "bad time"},
        {kHeader + marks + "a\t" + kUnused + "\t1\t:00:00\r\n" + kEnd, 3, "bad time"},
        {kHeader + marks + "a\t" + kUnused + "\t1\t596523:14:08\r\n" + kEnd, 3, "bad time"},
        {kHeader + marks + "a\t" + kUnused + "\t1\t-596523:14:09\r\n" + kEnd, 3, "bad time"},
        {kHeader + marks + "a\t" + kUnused + "\t1\t-1\r\n" + kEnd, 3, "bad time"},
        {kHeader + marks + "a\t" + kOpened + "\t1\t\t-5\r\n" + kEnd, 3, "bad process start"},
        {kHeader + marks + "a\t" + kOpened + "\t1\t\t18446744073709551616\r\n" + kEnd, 3, "bad process start"},
        {kHeader + marks + "a\t" + kOpened + "\t1\t\t12x\r\n" + kEnd, 3, "bad process start"},
        {kHeader + marks + "a\t" + kOpened + "\t1\t\t1\t\r\n" + kEnd, 3, "expected 4 or 5 fields, found 6"},
        {kHeader + rules + "\tact\tlink\t0\r\n" + kEnd, 3, "empty condition"},
        {kHeader + rules + "c\tact\tlink\t\r\n" + kEnd, 3, "bad hit count"},
        {kHeader + rules + "c\tact\tlink\t18446744073709551616\r\n" + kEnd, 3, "bad hit count"},
        {kHeader + settings + "x\t1\r\n" + kEnd, 3, "unknown setting"},
        {kHeader + settings + interval + "\r\n" + kEnd, 3, "expected 2 fields, found 1"},
        {kHeader + settings + wap + "\t1\r\n" + kEnd, 3, "bad truth value"},
        {kHeader + settings + wap + "\t" + kTrue + "\r\n" + wap + "\t" + kTrue + "\r\n" + kEnd, 4, "setting repeated"},
        {kHeader + settings + interval + "\t1\r\n" + interval + "\t1\r\n" + kEnd, 4, "setting repeated"},
        {kHeader + section(text::kSectionLinkRecord) + "ok\r\nbad\\\r\n" + kEnd, 4, "bad escape"},
        // A lead byte takes the backslash after it: what follows is no escape.
        {kHeader + launch + "\x81\\\\q\tb\tc\r\n" + kEnd, 3, "bad escape"},
        // The first problem wins, by line.
        {kHeader + launch + "a\tb\r\n" + "[other]\r\n", 3, "expected 3 fields, found 2"},
        {kHeader + launch + "a\tb\tc\n" + "a\\q\tb\tc\n" + kEnd, 4, "bad escape"},
    };
    for (const Case& c : cases) {
        const auto result = parseWorkspace(c.bytes);
        EXPECT_EQ(describe(result), "line " + std::to_string(c.line) + ": " + c.what) << c.bytes;
    }
}

TEST(RuleFile, RoundTripsAndRefusesOtherSections) {
    std::vector<SavedRule> rules;
    for (const std::string& v : kAwkward) rules.push_back({v.empty() ? "c" : v, v, v, v.size()});
    const std::string bytes = writeRuleFile(rules);
    EXPECT_EQ(bytes.substr(0, 13), "VUV-RULES 1\r\n");
    const auto back = parseRuleFile(bytes);
    ASSERT_TRUE(std::holds_alternative<std::vector<SavedRule>>(back));
    EXPECT_EQ(std::get<std::vector<SavedRule>>(back), rules);

    const auto empty = parseRuleFile(writeRuleFile({}));
    ASSERT_TRUE(std::holds_alternative<std::vector<SavedRule>>(empty));
    EXPECT_TRUE(std::get<std::vector<SavedRule>>(empty).empty());

    const struct {
        std::string bytes;
        WorkspaceError error;
    } refused[] = {
        {writeWorkspace({}), {1, "a workspace, not a rule file"}},
        {"VUV-RULES 1\r\n" + section(text::kSectionBookmarks) + kEnd, {2, "a rule file holds only rules"}},
        {"VUV-RULES 1\r\n" + section(text::kSectionRules) + "c\ta\tl\r\n" + kEnd, {3, "expected 4 fields, found 3"}},
        {"rules\r\n", {1, "not a rule file"}},
    };
    for (const auto& r : refused) {
        const auto result = parseRuleFile(r.bytes);
        ASSERT_TRUE(std::holds_alternative<WorkspaceError>(result)) << r.bytes;
        EXPECT_EQ(std::get<WorkspaceError>(result), r.error) << r.bytes;
    }
}

}  // namespace
