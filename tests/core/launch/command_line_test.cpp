#include "launch/command_line.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>

#include "common/texts.h"

namespace {

using namespace vuv;

TEST(CommandLine, IniPathAndCommands) {
    EXPECT_EQ(browserIniPath("D:\\lxbr.exe\\lxbr.exe"), "D:\\yxsj.ini\\yxsj.ini");
    EXPECT_EQ(browserIniPath("C:\\LXBR.EXE"), "C:\\LXBR.EXE");
    EXPECT_EQ(browserIniPath("\x81lxbr.exe"), "\x81lxbr.exe") << "81 6C is one character";
    EXPECT_EQ(designatedCommand("C:\\a b\\b.exe", ""), "\"C:\\a b\\b.exe\"");
    EXPECT_EQ(designatedCommand("b.exe", "http://u"), "\"b.exe\" http://u");
    EXPECT_EQ(browserCommand("P", "", " 0000 ", false, "C:\\r.zni"), "\"P\"");
    EXPECT_EQ(browserCommand("P", "http://u", text::kDefaultLastOpen, false, "C:\\r.zni"),
              "\"P\" http://u  0000 " + std::string(text::kFalse) + " C:\\r.zni");
    EXPECT_EQ(browserCommand("P", "u", "2024", true, ""), "\"P\" u 2024" + std::string(text::kTrue) + " ");
}

TEST(CommandLine, LeadingIntegerSkipsBlanksAndSaturates) {
    const std::pair<const char*, int> cases[] = {
        {" \t\r\n800ms", 800}, {"+15", 15}, {"-15", -15}, {"", 0}, {"abc", 0}, {"- 5", 0}, {"007", 7},
        {"2147483648", INT_MAX}, {"-2147483648", INT_MIN}, {"-99999999999999999999", INT_MIN},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(leadingInteger(text), value) << '"' << text << '"';
}

}  // namespace
