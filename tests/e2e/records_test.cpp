// The link and page records, end to end: what stand-in browsers send lands
// in the two text boxes, and "保 存" writes a box's text to the file chosen in
// the system's save dialog, byte for byte.
#include "e2e/instance_fixture.h"
#include "e2e/notification_helpers.h"

#include "link/channel_win.h"

namespace vuv::e2e {
namespace {

const std::string kSaved = "\xB1\xA3\xB4\xE6\xB3\xC9\xB9\xA6";   // 保存成功
const std::string kFailed = "\xB1\xA3\xB4\xE6\xCA\xA7\xB0\xDC";  // 保存失败
const std::string kInfo = "\xD0\xC5\xCF\xA2\xA3\xBA";            // 信息：

class Records : public InstanceFixture {
protected:
    void SetUp() override {
        InstanceFixture::SetUp();
        sender = &browser();
        startPanel();
        ASSERT_TRUE(waitUntilListening(*sender));
        linkBox = panel->control(id::kLinkRecord);
        pageBox = panel->control(id::kPageRecord);
    }

    void send(const std::string& payload) { ASSERT_EQ(sender->notify(payload), std::optional<bool>(true)); }

    // Records are written a moment after they arrive.
    bool waitForText(HWND box, const std::string& expected) {
        return waitUntil([&] { return windowTextGbk(box) == expected; });
    }

    // Presses a "保 存" button, types path into the save dialog and confirms;
    // returns the text of the message box that follows, which it closes.
    std::string save(int button, const std::wstring& path) {
        if (!panel->command(button)) return "no command";
        if (!answerFileDialog(panel->pid(), path)) return "no save dialog, or it stayed open";
        const std::optional<MessageBoxInfo> box = panel->messageBox(kInfo);
        if (!box) return "no message box";
        EXPECT_TRUE(pressButton(box->window));
        return box->text;
    }

    StandinProcess* sender = nullptr;
    HWND linkBox = nullptr;
    HWND pageBox = nullptr;
};

TEST_F(Records, LinksAndPagesBecomeLinesInArrivalOrderAndClearingOneKeepsTheOther) {
    send(linkCode("http://x.cn/1"));
    send(linkCode(join({"http://x.cn/2", text::kSeparator, "cut here"})));
    send(linkCode("\xC1\xB4\xBD\xD3"));      // 链接
    send(pageSource("<p>\r\n\xB1\xED</p>"));  // two lines, 表 (trail byte 0xED)
    send(join({text::kTagLinkCode, "no second field"}));

    EXPECT_TRUE(waitForText(linkBox, "http://x.cn/1\r\nhttp://x.cn/2\r\n\xC1\xB4\xBD\xD3\r\n")) << windowTextGbk(linkBox);
    EXPECT_TRUE(waitForText(pageBox, "<p>\r\n\xB1\xED</p>\r\n")) << windowTextGbk(pageBox);

    ASSERT_TRUE(panel->command(id::kLinkClear));
    EXPECT_TRUE(waitForText(linkBox, ""));
    EXPECT_EQ(windowTextGbk(pageBox), "<p>\r\n\xB1\xED</p>\r\n");
    send(linkCode("after"));
    EXPECT_TRUE(waitForText(linkBox, "after\r\n"));
    ASSERT_TRUE(panel->command(id::kPageClear));
    EXPECT_TRUE(waitForText(pageBox, ""));
    EXPECT_EQ(windowTextGbk(linkBox), "after\r\n");
}

// A browser that counts the terminating NUL in the length: its text ends
// there and still gets its line, and a record that follows at once (in the
// same batch written to the box) is kept whole.
TEST_F(Records, ATextWithANulEndsThereAndTheNextOneIsKept) {
    using namespace std::string_literals;
    send(linkCode("http://x.cn/1\0"s));
    send(linkCode("http://x.cn/2"));
    send(pageSource("<p>a</p>\0junk"s));
    send(pageSource("<p>b</p>"));
    EXPECT_TRUE(waitForText(linkBox, "http://x.cn/1\r\nhttp://x.cn/2\r\n")) << windowTextGbk(linkBox);
    EXPECT_TRUE(waitForText(pageBox, "<p>a</p>\r\n<p>b</p>\r\n")) << windowTextGbk(pageBox);
}

TEST_F(Records, AFiveMegabytePageArrivesWholeAndIsSavedByteForByte) {
    // Lines of GBK text with double-byte characters whose trail bytes are
    // 0x5C and 0x7C, and ASCII, about 5 MB in all.
    const std::string line = "<td>\x81\x5C\x81\x7C \xD6\xD0\xCE\xC4 abc|\\def</td>\r\n";
    std::string page;
    while (page.size() < 5u * 1024u * 1024u) page += line;
    page += "end";
    ASSERT_EQ(win::narrow(win::widen(page)), page) << "the fixture must be GBK that converts both ways";

    // Sent from this process, which plays the browser here: a message that
    // carries data across processes under Wine holds about 1 MB at most, so
    // the stand-in could not be handed 5 MB to send.
    ASSERT_TRUE(win::sendTransfer(panel->mainWindow(), text::kMsgNotify, pageSource(page)));
    const LRESULT expected = static_cast<LRESULT>(win::widen(page).size() + 2);
    ASSERT_TRUE(waitUntil([&] { return textLength(pageBox) == std::optional<LRESULT>(expected); }, Ms{120000}))
        << textLength(pageBox).value_or(-1) << " of " << expected;

    // Saved through the page's own tab, the way the operator does it; the
    // typed name has no extension, so "txt" is added.
    ASSERT_TRUE(selectTab(panel->control(id::kTabs), 5));
    EXPECT_EQ(save(id::kPageSave, sandbox.path(L"测page")), kSaved);
    EXPECT_EQ(readFileBytes(sandbox.path(L"测page.txt")), std::optional<std::string>(page + "\r\n"));
}

TEST_F(Records, SavingReplacesAFileCreatesAnEmptyOneAndFailsOnAReadOnlyFile) {
    const std::wstring longer = sandbox.path(L"longer.txt");
    ASSERT_TRUE(writeFileBytes(longer, std::string(1000, 'x')));
    send(linkCode("short"));
    ASSERT_TRUE(waitForText(linkBox, "short\r\n"));
    EXPECT_EQ(save(id::kLinkSave, longer), kSaved);
    EXPECT_EQ(readFileBytes(longer), std::optional<std::string>("short\r\n"));

    // The empty page record gives an empty file.
    const std::wstring empty = sandbox.path(L"empty.txt");
    EXPECT_EQ(save(id::kPageSave, empty), kSaved);
    EXPECT_EQ(readFileBytes(empty), std::optional<std::string>(""));

    const std::wstring locked = sandbox.path(L"locked.txt");
    ASSERT_TRUE(writeFileBytes(locked, "keep me"));
    ASSERT_TRUE(SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(save(id::kLinkSave, locked), kFailed);
    EXPECT_EQ(readFileBytes(locked), std::optional<std::string>("keep me"));
    // The run log has the failure, with the file; the good saves left no row.
    std::vector<std::string> failures;
    EXPECT_TRUE(waitUntil([&] {
        failures = logRows(*panel, text::kEventFailure);
        return failures.size() == 1u;
    })) << failures.size();
    if (!failures.empty()) {
        EXPECT_EQ(failures[0].rfind(kFailed, 0), 0u) << failures[0];
        EXPECT_NE(failures[0].find("locked.txt"), std::string::npos) << failures[0];
    }
    SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(windowTextGbk(linkBox), "short\r\n") << "a save leaves the record as it was";
}

}  // namespace
}  // namespace vuv::e2e
