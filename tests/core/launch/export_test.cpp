#include "launch/export.h"

#include <gtest/gtest.h>

namespace {

using vuv::exportLaunchEntries;
using vuv::LaunchEntry;

TEST(Export, WritesAddressNameShortcutAndConfigPerLine) {
    const std::string news = "\xD0\xC2\xCE\xC5";  // 新闻
    EXPECT_EQ(exportLaunchEntries({{news, "http://a/", "C"}, {"", "", ""}}),
              "http://a/|#|" + news + "|#|\\" + news + ".url|#|C\r\n" + "|#||#|\\.url|#|\r\n");
    EXPECT_EQ(exportLaunchEntries({}), "");
}

}  // namespace
