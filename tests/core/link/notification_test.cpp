#include "link/notification.h"

#include <gtest/gtest.h>

#include <string>

#include "common/texts.h"

namespace {

using namespace vuv;
using Kind = Reaction::Kind;

const std::string kVuv(text::kTagVuv);
const std::string kLink(text::kTagLinkCode);
const std::string kPage(text::kTagPageSource);
const std::string kSep(text::kSeparator);
const std::string kRefresh(text::kKeywordRefresh);
const std::string kStop(text::kKeywordStop);
const std::string kClose(text::kKeywordClose);
const std::string kBookmark(text::kKeywordBookmark);
// B0 A1 is 啊: followed by F6 A1 it puts A1 F6 ("■") across a character boundary.
const std::string kStraddle = "\xB0\xA1\xF6\xA1";

struct Case {
    const char* name;
    std::string payload;
    Reaction expected;
};

void expectAll(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        const Reaction got = decideNotification(c.payload);
        EXPECT_EQ(got.kind, c.expected.kind) << c.name;
        EXPECT_EQ(got.window, c.expected.window) << c.name;
        EXPECT_EQ(got.content, c.expected.content) << c.name;
    }
}

TEST(Notification, KeywordsFromABrowserBecomeFixedReactions) {
    expectAll({
        {"refresh", kVuv + "1312" + kSep + kRefresh, {Kind::Refresh, 1312, kRefresh}},
        {"stop", kVuv + "1312" + kSep + kStop, {Kind::Stop, 1312, kStop}},
        {"close", kVuv + "1312" + kSep + kClose, {Kind::Close, 1312, kClose}},
        {"bookmark", kVuv + "1312" + kSep + kBookmark, {Kind::NextBookmark, 1312, kBookmark}},
        {"keyword is exact", kVuv + "1312" + kSep + kRefresh + " ", {Kind::Rules, 1312, kRefresh + " "}},
        {"other text", kVuv + "1312" + kSep + "done", {Kind::Rules, 1312, "done"}},
        {"text after a second separator is ignored", kVuv + "7" + kSep + kStop + kSep + "x", {Kind::Stop, 7, kStop}},
    });
}

TEST(Notification, FieldsFollowSeparatorsAtCharacterBoundaries) {
    expectAll({
        {"no separator", kVuv + "1312" + kRefresh, {}},
        {"separator with nothing after it", kVuv + "1312" + kSep, {}},
        {"two separators then text: empty content", kVuv + "1312" + kSep + kSep + "x", {Kind::Rules, 1312, ""}},
        {"two trailing separators: empty content", kVuv + "1312" + kSep + kSep, {Kind::Rules, 1312, ""}},
        {"empty first field", kVuv + kSep + "x", {Kind::Rules, 0, "x"}},
        {"separator split across characters", kVuv + "12" + kStraddle + "x", {}},
        {"separator after a straddle", kVuv + "12" + kStraddle + kSep + "x", {Kind::Rules, 12, "x"}},
        {"separator bytes inside content", kVuv + "1" + kSep + "a" + kStraddle, {Kind::Rules, 1, "a" + kStraddle}},
    });
}

TEST(Notification, TagIsRemovedWhereverItStartsACharacter) {
    expectAll({
        {"inside content", kVuv + "5" + kSep + "ab" + kVuv + "cd", {Kind::Rules, 5, "abcd"}},
        {"removal can form a keyword", kVuv + "5" + kSep + "#\xCB\xA2" + kVuv + "\xD0\xC2", {Kind::Refresh, 5, kRefresh}},
        {"inside the handle", kVuv + "1" + kVuv + "2" + kSep + "x", {Kind::Rules, 12, "x"}},
        {"not inside a double-byte character", kVuv + "5" + kSep + "\x81" + kVuv, {Kind::Rules, 5, "\x81" + kVuv}},
        {"other tags stay", kVuv + "5" + kSep + kLink, {Kind::Rules, 5, kLink}},
        {"page tag inside page text", kPage + kSep + "a" + kPage + "b", {Kind::PageRecord, 0, "ab"}},
    });
}

TEST(Notification, RecordsKeepTheSecondField) {
    expectAll({
        {"link", kLink + "any" + kSep + "http://a.cn/x?y=1", {Kind::LinkRecord, 0, "http://a.cn/x?y=1"}},
        {"link cut at a separator", kLink + "1" + kSep + "http://a" + kSep + "b", {Kind::LinkRecord, 0, "http://a"}},
        {"link with a numeric first field", kLink + "77" + kSep + "u", {Kind::LinkRecord, 0, "u"}},
        {"page", kPage + kSep + "<html>\r\n</html>", {Kind::PageRecord, 0, "<html>\r\n</html>"}},
        {"record without separator", kLink + "http://a", {}},
        {"record tag alone", kLink, {}},
    });
}

TEST(Notification, UnknownOrShortTextsAreIgnored) {
    expectAll({
        {"empty", "", {}},
        {"bare tag", kVuv, {}},
        {"eight bytes", kVuv + kSep, {}},
        {"nine bytes, one field", kVuv + "1" + kSep, {}},
        {"nine bytes, two fields", kVuv + kSep + "x", {Kind::Rules, 0, "x"}},
        {"tag is case-sensitive", "VUV|||1" + kSep + kRefresh, {}},
        {"tag must lead", "x" + kVuv + "1" + kSep + kRefresh, {}},
        {"zero-filled buffer", std::string(13, '\0'), {}},
    });
}

TEST(Notification, HandleIsTheLeadingIntegerOfTheFirstField) {
    struct HandleCase {
        const char* field;
        std::uint32_t handle;
    };
    const HandleCase cases[] = {
        {"66328", 66328},
        {"000123", 123},
        {"  42abc", 42},
        {"\t9", 9},
        {"12 34", 12},
        {"+7", 7},
        {"0x1F", 0},
        {"abc", 0},
        {"", 0},
        {"- 5", 0},
        {"-1", 0xFFFFFFFF},
        {"-2147483648", 0x80000000},
        {"4294967295", 0xFFFFFFFF},
        {"4294967296", 0},
        {"-2147483649", 0},
        {"99999999999999999999999", 0},
    };
    for (const HandleCase& c : cases) {
        EXPECT_EQ(parseWindowHandle(c.field), c.handle) << c.field;
        EXPECT_EQ(decideNotification(kVuv + c.field + kSep + kStop).window, c.handle) << c.field;
    }
}

}  // namespace
