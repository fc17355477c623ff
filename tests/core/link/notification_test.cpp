#include "link/notification.h"

#include <gtest/gtest.h>

#include "common/texts.h"
#include "core/recording_actions.h"
#include "link/payloads.h"

namespace {

using namespace vuv;
using Kind = Reaction::Kind;

const std::string kVuv(text::kTagVuv), kLink(text::kTagLinkCode), kPage(text::kTagPageSource);
const std::string kSep(text::kSeparator), kRefresh(text::kKeywordRefresh), kStop(text::kKeywordStop);
// 啊 (B0 A1) then F6 A1: the bytes of "■" across a character boundary.
const std::string kStraddle = "\xB0\xA1\xF6\xA1";

TEST(Notification, Decisions) {
    const std::pair<std::string, Reaction> cases[] = {
        {kVuv + "1312" + kSep + kRefresh, {Kind::Refresh, 1312, kRefresh}},
        {kVuv + "1312" + kSep + kStop + kSep + "ignored", {Kind::Stop, 1312, kStop}},
        {kVuv + "7" + kSep + std::string(text::kKeywordClose), {Kind::Close, 7, std::string(text::kKeywordClose)}},
        {kVuv + "7" + kSep + std::string(text::kKeywordBookmark), {Kind::NextBookmark, 7, std::string(text::kKeywordBookmark)}},
        {kVuv + "7" + kSep + kRefresh + " ", {Kind::Rules, 7, kRefresh + " "}},
        {kVuv + "1312" + kRefresh, {}},                      // no separator
        {kVuv + "1312" + kSep, {}},                          // an empty last field does not count
        {kVuv + "1312" + kSep + kSep + "x", {Kind::Rules, 1312, ""}},
        {kVuv + kSep + "x", {Kind::Rules, 0, "x"}},          // nine bytes, two fields
        {kVuv + "12" + kStraddle + "x", {}},
        {kVuv + "12" + kStraddle + kSep + "x", {Kind::Rules, 12, "x"}},
        // The tag goes wherever a character starts with it, and only there.
        {kVuv + "5" + kSep + "#\xCB\xA2" + kVuv + "\xD0\xC2", {Kind::Refresh, 5, kRefresh}},
        {kVuv + "1" + kVuv + "2" + kSep + "x", {Kind::Rules, 12, "x"}},
        {kVuv + "5" + kSep + "\x81" + kVuv, {Kind::Rules, 5, "\x81" + kVuv}},
        {kVuv + "5" + kSep + kLink, {Kind::Rules, 5, kLink}},
        {kLink + "77" + kSep + "http://a" + kSep + "b", {Kind::LinkRecord, 0, "http://a"}},
        {kPage + kSep + "a" + kPage + "b\r\n", {Kind::PageRecord, 0, "ab\r\n"}},
        {kLink + "http://a", {}},
        // A record ends at its first NUL (a browser that counted its terminator).
        {kLink + "0" + kSep + "http://a" + std::string(1, '\0'), {Kind::LinkRecord, 0, "http://a"}},
        {kPage + "0" + kSep + "ab" + std::string(1, '\0') + "cd", {Kind::PageRecord, 0, "ab"}},
        {kVuv + kSep, {}},                                   // eight bytes
        {"VUV|||1" + kSep + kRefresh, {}},
        {"x" + kVuv + "1" + kSep + kRefresh, {}},
        {std::string(13, '\0'), {}},
    };
    for (const auto& [payload, expected] : cases) EXPECT_EQ(decideNotification(payload), expected) << payload;
}

TEST(Notification, HandleIsTheLeadingIntegerOfTheFirstField) {
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"000123", 123}, {"  42abc", 42}, {"12 34", 12}, {"+7", 7}, {"0x1F", 0}, {"", 0}, {"- 5", 0},
        {"-1", 0xFFFFFFFF}, {"-2147483648", 0x80000000}, {"4294967295", 0xFFFFFFFF}, {"4294967296", 0},
        {"-2147483649", 0}, {"99999999999999999999999", 0},
    };
    for (const auto& [field, handle] : cases) {
        EXPECT_EQ(decideNotification(kVuv + field + kSep + kStop).window, handle) << field;
    }
}

// What a received payload makes the panel do, call by call, in order.
TEST(Notification, CarriedOutAsPanelActions) {
    const std::string refresh = "send 9 adjust " + toolbarPayload(text::kToolbarRefresh);
    const std::string stop = "send 9 adjust " + toolbarPayload(text::kToolbarStop);
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {kVuv + "9" + kSep + kRefresh, {refresh}},
        {kVuv + "9" + kSep + kStop, {stop}},
        // The table is rebuilt before the close, so the close uses the new records.
        {kVuv + "9" + kSep + std::string(text::kKeywordClose), {"scan", "close 9"}},
        {kVuv + "9" + kSep + std::string(text::kKeywordBookmark), {"bookmark 9"}},
        {kVuv + "9" + kSep + "page loaded", {"rules 9 page loaded"}},
        {kVuv + "9" + kSep + kSep, {"rules 9 "}},
        {kLink + "x" + kSep + "http://a", {"link http://a"}},
        {kPage + kSep + "<html>\r\n", {"page <html>\r\n"}},
        {kVuv + "9" + kRefresh, {}},
        {"nonsense", {}},
    };
    for (const auto& [payload, expected] : cases) {
        doubles::RecordingActions actions;
        carryOut(decideNotification(payload), actions);
        EXPECT_EQ(actions.calls, expected) << payload;
    }
}

}  // namespace
