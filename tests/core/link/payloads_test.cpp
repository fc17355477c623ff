// The payload builders against bytes written out by hand: the stand-in
// browser and the end-to-end tests build their expectations with the same
// builders, so only literal bytes catch a wrong tag or separator here.
#include "link/payloads.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace vuv;

TEST(Payloads, CommandsSentToABrowserAreTheseExactBytes) {
    // vuv|||闪烁
    EXPECT_EQ(commandPayload("\xC9\xC1\xCB\xB8"), "vuv|||\xC9\xC1\xCB\xB8");
    // 基本通讯|||工具条|||6 and 98
    EXPECT_EQ(toolbarPayload("6"), "\xBB\xF9\xB1\xBE\xCD\xA8\xD1\xB6|||\xB9\xA4\xBE\xDF\xCC\xF5|||6");
    EXPECT_EQ(toolbarPayload("98"), "\xBB\xF9\xB1\xBE\xCD\xA8\xD1\xB6|||\xB9\xA4\xBE\xDF\xCC\xF5|||98");
    // 基本通讯|||不发送标题|||站1, and an empty name
    EXPECT_EQ(titlePayload("\xD5\xBE" "1"),
              "\xBB\xF9\xB1\xBE\xCD\xA8\xD1\xB6|||\xB2\xBB\xB7\xA2\xCB\xCD\xB1\xEA\xCC\xE2|||\xD5\xBE" "1");
    EXPECT_EQ(titlePayload(""), "\xBB\xF9\xB1\xBE\xCD\xA8\xD1\xB6|||\xB2\xBB\xB7\xA2\xCB\xCD\xB1\xEA\xCC\xE2|||");
    // vuv|||读配置■C:\a.txt: the path follows the mark directly.
    EXPECT_EQ(readConfigPayload("C:\\a.txt"), "vuv|||\xB6\xC1\xC5\xE4\xD6\xC3\xA1\xF6" "C:\\a.txt");
    EXPECT_EQ(basicPayload("k", "v"), "\xBB\xF9\xB1\xBE\xCD\xA8\xD1\xB6|||k|||v");
}

TEST(Payloads, TextsABrowserSendsAreTheseExactBytes) {
    // vuv|||<handle in decimal>■#刷新: no padding, no sign, the full 32 bits.
    EXPECT_EQ(notificationPayload(1312, "#\xCB\xA2\xD0\xC2"), "vuv|||1312\xA1\xF6#\xCB\xA2\xD0\xC2");
    EXPECT_EQ(notificationPayload(0, ""), "vuv|||0\xA1\xF6");
    EXPECT_EQ(notificationPayload(4294967295u, "x"), "vuv|||4294967295\xA1\xF6x");
    // 连接码|||<field>■<link> and 源代码|||■<text>, the text kept byte for byte.
    EXPECT_EQ(recordPayload("\xC1\xAC\xBD\xD3\xC2\xEB|||", "77", "http://a.cn/1"),
              "\xC1\xAC\xBD\xD3\xC2\xEB|||77\xA1\xF6http://a.cn/1");
    const std::string withNul("a\0b\r\n", 5);
    EXPECT_EQ(recordPayload("\xD4\xB4\xB4\xFA\xC2\xEB|||", "", withNul),
              std::string("\xD4\xB4\xB4\xFA\xC2\xEB|||\xA1\xF6") + withNul);
}

}  // namespace
