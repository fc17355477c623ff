#include "common/event_log.h"

#include "common/texts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

namespace {

using namespace vuv;

TEST(EventLog, FirstGbkCharsCountsDoubleByteCharactersAsOne) {
    const struct {
        std::string text;
        std::size_t chars;
        std::string expected;
    } cases[] = {
        {"abc", 2, "ab"},
        {"abc", 9, "abc"},
        {"\xD6\xD0\xCE\xC4x", 1, "\xD6\xD0"},           // 中文x
        {"a\xD6\xD0\xCE\xC4", 2, "a\xD6\xD0"},          // never half of 文
        {"\xDF\x5C\x81\x7C", 1, "\xDF\x5C"},            // trail bytes "\" and "|"
        {"ab\x81", 3, "ab\x81"},                        // a lone lead byte at the end
        {"\xD6\xD0", 0, ""},
        {"", 5, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(firstGbkChars(c.text, c.chars), c.expected) << c.text << " " << c.chars;
}

TEST(EventLog, ClockTextShowsTimesOfDayOnly) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {0, "00:00:00"}, {3661, "01:01:01"}, {45296, "12:34:56"}, {86399, "23:59:59"},
        {-1, ""},        {86400, ""},        {INT32_MIN, ""},     {INT32_MAX, ""},
    };
    for (const auto& [seconds, expected] : cases) EXPECT_EQ(clockText(seconds), expected) << seconds;
}

TEST(EventLog, DropsTheOldestRowsWithoutMovingTheStore) {
    EventLog log(3);
    for (std::uint32_t pid = 1; pid <= 3; ++pid) log.append(0, pid, text::kEventStart, "");
    std::set<const EventRow*> storage;
    for (std::size_t i = 0; i < log.size(); ++i) storage.insert(&log.at(i));

    for (std::uint32_t pid = 4; pid <= 8; ++pid) log.append(0, pid, text::kEventStart, "");
    ASSERT_EQ(log.size(), 3u);
    std::set<const EventRow*> after;
    for (std::size_t i = 0; i < log.size(); ++i) {
        EXPECT_EQ(log.at(i).pid, 6 + i) << "oldest first";
        after.insert(&log.at(i));
    }
    EXPECT_EQ(after, storage) << "a full log reuses its rows";

    log.clear();
    EXPECT_EQ(log.size(), 0u);
    log.append(1, 9, text::kEventState, std::string(2 * 300, '\xB0'));  // 300 characters B0 B0
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log.at(0).pid, 9u);
    EXPECT_EQ(log.at(0).content, std::string(2 * kEventContentChars, '\xB0'));
    EXPECT_EQ(EventLog().capacity(), 100000u);
}

TEST(EventLog, ExportsOneLinePerRowWithTabSeparatedFields) {
    EventLog log;
    log.append(3661, 0, text::kEventRule, "a\tb\r\nc");
    log.append(-1, 4242, text::kEventCommand, "x\x81");             // lone lead byte at the end
    log.append(86399, 7, "\xD6\xD0\t", "\xDF\x5C\n\xB1\xBB");  // 運 before LF, 被
    EXPECT_EQ(log.exportText(),
              "01:01:01\t\t\xB9\xE6\xD4\xF2\ta b  c\r\n"
              "\t4242\t\xC3\xFC\xC1\xEE\tx \r\n"
              "23:59:59\t7\t\xD6\xD0 \t\xDF\x5C \xB1\xBB\r\n");
    EXPECT_EQ(EventLog().exportText(), "");
}

}  // namespace
