// Every command a browser gets, from its value to what travels, against
// bytes written out by hand: the message name, the payload, the posts to the
// frame window and the run log's text.
#include "link/command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace vuv;
using Kind = Command::Kind;

const std::string kAdjust = "\xB5\xF7\xD5\xFB";          // 调整
const std::string kJump = "\xCC\xF8\xD7\xAA";            // 跳转
const std::string kToolbar = "\xBB\xF9\xB1\xBE\xCD\xA8\xD1\xB6|||\xB9\xA4\xBE\xDF\xCC\xF5|||";  // 基本通讯|||工具条|||

// A transfer's name and payload; the run log shows the payload as sent.
void expectTransfer(const Command& command, const std::string& name, const std::string& payload) {
    const CommandWire wire = wireOf(command);
    EXPECT_EQ(wire.route, CommandWire::Route::Transfer);
    EXPECT_EQ(std::string(wire.messageName), name);
    EXPECT_EQ(wire.payload, payload);
    EXPECT_TRUE(wire.posts.empty());
    EXPECT_EQ(wire.logText, payload);
}

TEST(Command, TransfersCarryTheseExactBytesUnderTheirNames) {
    expectTransfer(Command::of(Kind::Flash), kAdjust, "vuv|||\xC9\xC1\xCB\xB8");  // vuv|||闪烁
    expectTransfer(Command::of(Kind::Refresh), kAdjust, kToolbar + "6");
    expectTransfer(Command::of(Kind::Stop), kAdjust, kToolbar + "4");
    expectTransfer(Command::of(Kind::Hide), kAdjust, kToolbar + "71");
    expectTransfer(Command::of(Kind::Show), kAdjust, kToolbar + "72");
    expectTransfer(Command::of(Kind::PageTitle), kAdjust, kToolbar + "98");
    // vuv|||读配置■ + the path as given
    expectTransfer(Command::of(Kind::ReadConfig, "C:\\a b\\c.ini"), kAdjust,
                   "vuv|||\xB6\xC1\xC5\xE4\xD6\xC3\xA1\xF6" "C:\\a b\\c.ini");
    // 基本通讯|||不发送标题|||站1
    expectTransfer(Command::of(Kind::Rename, "\xD5\xBE" "1"), kAdjust,
                   "\xBB\xF9\xB1\xBE\xCD\xA8\xD1\xB6|||\xB2\xBB\xB7\xA2\xCB\xCD\xB1\xEA\xCC\xE2|||\xD5\xBE" "1");
    // The address travels bare, under the other name.
    expectTransfer(Command::of(Kind::OpenLink, "http://a.cn/?q=1|||2"), kJump, "http://a.cn/?q=1|||2");
}

TEST(Command, RenamingWithAnEmptyNameGivesThePageTitleBackAndBlanksAreAName) {
    EXPECT_EQ(wireOf(renameCommand("")).payload, kToolbar + "98");
    EXPECT_EQ(renameCommand("").kind, Kind::PageTitle);
    EXPECT_EQ(renameCommand(" ").kind, Kind::Rename);
    EXPECT_EQ(wireOf(renameCommand(" ")).payload,
              "\xBB\xF9\xB1\xBE\xCD\xA8\xD1\xB6|||\xB2\xBB\xB7\xA2\xCB\xCD\xB1\xEA\xCC\xE2||| ");
}

TEST(Command, PostsGoToTheFrameWindowInOrder) {
    ProxyAddress proxy;
    proxy.a = 10;
    proxy.b = 2;
    proxy.c = 3;
    proxy.d = 4;
    proxy.port = 8080;
    const CommandWire set = wireOf(Command::proxyOf(proxy));
    EXPECT_EQ(set.route, CommandWire::Route::Post);
    EXPECT_TRUE(set.payload.empty());
    // {0, port}, then {a*10000 + c, d*10000 + b}
    EXPECT_EQ(set.posts, (std::vector<WindowPost>{{10004, 0, 8080}, {10004, 100003, 40002}}));
    EXPECT_EQ(set.logText, "10004 10.2.3.4:8080");

    proxy.port = -1;  // the low 32 bits of its two's complement
    EXPECT_EQ(wireOf(Command::proxyOf(proxy)).posts.front(), (WindowPost{10004, 0, 0xFFFFFFFFu}));

    const CommandWire close = wireOf(Command::of(Kind::Close));
    EXPECT_EQ(close.route, CommandWire::Route::Post);
    EXPECT_EQ(close.posts, (std::vector<WindowPost>{{0x0010, 0, 0}}));
    EXPECT_EQ(close.logText, "WM_CLOSE");
}

}  // namespace
