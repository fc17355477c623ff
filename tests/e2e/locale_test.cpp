// Browsers on any Windows locale. The panel runs under code page 1252 (an
// English Windows); one browser runs under 936 (a Chinese browser under a
// locale emulator: its ANSI names come out as the Unicode ones), the other
// under 1252 on the ANSI functions with the GBK bytes (its message names,
// classes and the caption it looks for are those bytes read in 1252). Both
// are listed, commanded, heard and served.
#include "e2e/instance_fixture.h"
#include "e2e/notification_helpers.h"

#include <cstdio>

namespace vuv::e2e {
namespace {

const std::vector<std::pair<std::wstring, std::wstring>> kEnglish = {{L"LANG", L"en_US.UTF-8"},
                                                                     {L"LC_ALL", L"en_US.UTF-8"}};
const std::string kAdjust(text::kMsgAdjust), kJump(text::kMsgJump);

// A panel on code page 1252, as on an English system.
PanelOptions englishPanel() {
    PanelOptions options;
    options.environment = kEnglish;
    return options;
}

class Locales : public InstanceFixture {
protected:
    void SetUp() override {
        InstanceFixture::SetUp();
        emulated = &browser();
        StandinOptions ansi;
        ansi.ansi = true;
        ansi.environment = kEnglish;
        english = &browser(ansi);
        startPanel(englishPanel());
    }

    void say(StandinProcess& from, std::string_view content) {
        ASSERT_EQ(from.notify(notification(from.commandWindow(), content)), std::optional<bool>(true))
            << "not heard: " << dump(from);
    }

    StandinProcess* emulated = nullptr;
    StandinProcess* english = nullptr;
};

TEST_F(Locales, BrowsersOnEitherNamesAreListedCommandedHeardAndServed) {
    // The two variants really differ here: the ANSI browser's frame class is
    // not the Unicode one, and the panel carries its caption a second time.
    EXPECT_EQ(className(emulated->frameWindow()), win::widen(text::kClassFrame));
    EXPECT_NE(className(english->frameWindow()), win::widen(text::kClassFrame));
    EXPECT_EQ(topLevelWindows(panel->pid(), L"VuvAnsiCaption").size(), 1u);

    // Listed, with their titles and process ids.
    for (const auto& row : readListView(table)) EXPECT_EQ(row[1], "Standin " + row[0]);

    // "刷新" reaches both under the names each registered.
    select({0, 1});
    ASSERT_TRUE(panel->command(id::kRefresh));
    const std::string refresh = toolbarPayload(text::kToolbarRefresh);
    for (StandinProcess* b : {emulated, english}) EXPECT_TRUE(b->waitForRecord(isReceived(kAdjust, refresh))) << dump(*b);

    // Both are heard: a notification is answered under the sender's names,
    // and their link codes land in the record.
    for (StandinProcess* b : {emulated, english}) {
        say(*b, text::kKeywordStop);
        EXPECT_TRUE(b->waitForRecord(isReceived(kAdjust, toolbarPayload(text::kToolbarStop)))) << dump(*b);
    }
    ASSERT_EQ(emulated->notify(linkCode("http://emulated.example/")), std::optional<bool>(true));
    ASSERT_EQ(english->notify(linkCode("http://english.example/")), std::optional<bool>(true));
    EXPECT_TRUE(waitUntil([&] {
        return windowTextGbk(panel->control(id::kLinkRecord)) == "http://emulated.example/\r\nhttp://english.example/\r\n";
    })) << windowTextGbk(panel->control(id::kLinkRecord));

    // The bookmark hand-out works for both.
    ASSERT_TRUE(importBookmarks(*panel, sandbox.directory(), {"http://b.example/1", "http://b.example/2"}));
    say(*english, text::kKeywordBookmark);
    say(*emulated, text::kKeywordBookmark);
    EXPECT_TRUE(english->waitForRecord(isReceived(kJump, "http://b.example/1"))) << dump(*english);
    EXPECT_TRUE(emulated->waitForRecord(isReceived(kJump, "http://b.example/2"))) << dump(*emulated);

    // What each received, for the record of the run.
    for (StandinProcess* b : {emulated, english}) {
        std::printf("%s browser %lu received:\n", b == english ? "ANSI (code page 1252)" : "emulated (code page 936)",
                    static_cast<unsigned long>(b->pid()));
        for (const StandinRecord& r : b->log()) {
            if (r.kind == "RECV") std::printf("  %s %s\n", win::narrow(win::widen(r.name)).c_str(), r.bytes.c_str());
        }
    }
}

// A browser on the ANSI functions under code page 1252 names its frame with
// GBK bytes: the system holds them as 1252 text, and the panel (on 1252 too)
// shows the bytes the browser wrote, at the first scan and after a rename
// that the browser carries out with the ANSI function again.
using AnsiTitles = InstanceFixture;

TEST_F(AnsiTitles, AGbkTitleSetThroughTheAnsiFunctionsIsListedAsWrittenBeforeAndAfterARename) {
    const std::string title = "\xBD\xF1\xC8\xD5\xD2\xAA\xCE\xC5";  // 今日要闻
    // 亂碼網頁標題: trail bytes that are ASCII letters and bytes 1252 leaves undefined (0x81).
    const std::string renamed = "\x81\x79\xB4\x61\xBE\x57\xED\x93\x98\xCB\xEE\x7D";
    StandinOptions ansi;
    ansi.ansi = true;
    ansi.environment = kEnglish;
    ansi.title = title;
    StandinProcess& english = browser(ansi);
    ASSERT_TRUE(english.ready());
    // What the system holds is not the Chinese text: the bytes read in 1252.
    EXPECT_NE(windowText(english.frameWindow()), win::widen(title));

    startPanel(englishPanel());
    EXPECT_EQ(readListView(table).at(0).at(1), title);

    select({0});
    ASSERT_TRUE(panel->command(id::kRename));
    const HWND dialog = findDialog(panel->pid(), L"输入要取的名字");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(setEditText(findDescendant(dialog, L"Edit", nullptr), renamed));
    ASSERT_TRUE(clickAndWaitGone(dialog, L"确定"));
    const auto retitled = [&](const StandinRecord& r) { return r.kind == "TITLE" && r.bytes == renamed; };
    ASSERT_TRUE(english.waitForRecord(retitled)) << dump(english);

    ASSERT_TRUE(panel->click(id::kScanBrowsers));
    ASSERT_TRUE(panel->caughtUp());
    EXPECT_EQ(readListView(table).at(0).at(1), renamed);
}

}  // namespace
}  // namespace vuv::e2e
