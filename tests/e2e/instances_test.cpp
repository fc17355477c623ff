// The instance table and the commands of its pop-up menu, driven from
// outside against stand-in browsers: who is listed, and which browsers
// receive exactly which texts.
#include "e2e/instance_fixture.h"
#include "link/window_source_win.h"

#include <set>

namespace vuv::e2e {
namespace {

const std::string kAdjust(text::kMsgAdjust);
const std::string kJump(text::kMsgJump);
const std::string kFlash = join({text::kTagVuv, text::kCommandFlash});
const std::string kRefresh = toolbarPayload(text::kToolbarRefresh);

using InstanceTable = InstanceFixture;

TEST_F(InstanceTable, ListsEveryBrowserWithItsTitleAndFindsTheSameOnRescan) {
    StandinOptions titled;
    titled.title = "\xCD\xF8\xD2\xB3\xD2\xBB";  // 网页一
    StandinOptions noFrame;
    noFrame.frame = false;
    StandinOptions emptyTitle;
    emptyTitle.title = "";
    StandinOptions onlyThird;
    onlyThird.onlyThird = true;
    StandinProcess& a = browser(titled);
    StandinProcess& b = browser(noFrame);
    StandinProcess& c = browser(emptyTitle);
    StandinProcess& d = browser(onlyThird);
    startPanel();

    // Frames first (in Z order, which the test does not fix), then processes
    // met through their command window, then through the third class. The
    // columns 编号 and 标题; what the panel knows of each copy follows.
    const auto firstTwo = [](Table rows) {
        for (auto& row : rows) row.resize(2);
        return rows;
    };
    const Table rows = firstTwo(readListView(table));
    ASSERT_EQ(rows.size(), 4u);
    const std::set<std::vector<std::string>> framed{rows[0], rows[1]};
    EXPECT_EQ(framed, (std::set<std::vector<std::string>>{{std::to_string(a.pid()), "\xCD\xF8\xD2\xB3\xD2\xBB"},
                                                          {std::to_string(c.pid()), ""}}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{std::to_string(b.pid()), std::string(text::kTabModeTitle)}));
    EXPECT_EQ(rows[3], (std::vector<std::string>{std::to_string(d.pid()), std::string(text::kTabModeTitle)}));

    // The button rescans; a title changed meanwhile shows, nothing else moves.
    ASSERT_TRUE(a.setTitle("renamed"));
    ASSERT_TRUE(panel->click(id::kScanBrowsers));
    ASSERT_TRUE(waitUntil([&] {
        const Table now = readListView(table);
        return now.size() == 4 && (now[0][1] == "renamed" || now[1][1] == "renamed");
    }));
    const Table again = firstTwo(readListView(table));
    EXPECT_EQ(again[2], rows[2]);
    EXPECT_EQ(again[3], rows[3]);
}

TEST_F(InstanceTable, FlashAndRefreshReachTheSelectedRowsOnlyAndStartStopSendNothing) {
    browser();
    browser();
    browser();
    startPanel();
    select({0, 2});
    for (int command : {id::kFlash, id::kRefresh, id::kStart, id::kStop, id::kFlash}) ASSERT_TRUE(panel->command(command));

    // Commands are handled in order, so the last flash arriving means the
    // items in between have run.
    for (int row : {0, 2}) {
        StandinProcess& s = atRow(row);
        ASSERT_TRUE(waitUntil([&] { return received(s, kAdjust).size() >= 3; })) << dump(s);
        EXPECT_EQ(received(s, kAdjust), (std::vector<std::string>{kFlash, kRefresh, kFlash})) << dump(s);
        EXPECT_TRUE(received(s, kJump).empty());
    }
    EXPECT_TRUE(received(atRow(1), kAdjust).empty()) << dump(atRow(1));
}

TEST_F(InstanceTable, DialogCommandsSendToTheRowsSelectedWhenConfirmed) {
    browser();
    browser();
    browser();
    startPanel();
    // A configuration whose path holds Chinese characters.
    const std::string configPath = win::narrow(sandbox.path(L"刷页配置.ini"));
    ASSERT_TRUE(writeFileBytes(win::widen(configPath), "[x]\r\n"));

    // 读取配置: opened with row 0 selected, confirmed with row 1 selected.
    // The path goes to the browsers only: "设置.ini" stays as it was, also
    // when the dialog is closed with its close box on an existing file.
    const std::optional<std::string> settingsBefore = readFileBytes(settingsFile());
    ASSERT_TRUE(settingsBefore);
    select({0});
    ASSERT_TRUE(panel->command(id::kReadConfig));
    HWND dialog = findDialog(panel->pid(), L"选择需要读取配置");
    ASSERT_NE(dialog, nullptr);
    select({1});
    ASSERT_TRUE(setEditText(findDescendant(dialog, L"Edit", nullptr), configPath));
    ASSERT_TRUE(clickAndWaitGone(dialog, L"确 定"));
    const std::string readConfig = join({text::kTagVuv, text::kReadConfigPrefix, configPath});
    EXPECT_TRUE(atRow(1).waitForRecord(isReceived(kAdjust, readConfig))) << dump(atRow(1));
    EXPECT_EQ(readFileBytes(settingsFile()), settingsBefore);
    ASSERT_TRUE(panel->command(id::kReadConfig));
    dialog = findDialog(panel->pid(), L"选择需要读取配置");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(setEditText(findDescendant(dialog, L"Edit", nullptr), configPath));
    ASSERT_TRUE(PostMessageW(dialog, WM_CLOSE, 0, 0));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog); }));
    EXPECT_EQ(readFileBytes(settingsFile()), settingsBefore);

    // 打开指定连接: the text as typed, then an empty one; rows 0 and 2.
    select({0, 2});
    for (const std::string& url : {std::string("http://a.test/?q=\xD6\xD0&x=1 "), std::string()}) {
        ASSERT_TRUE(panel->command(id::kOpenLink));
        dialog = findDialog(panel->pid(), L"输入要访问的地址");
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(setEditText(findDescendant(dialog, L"Edit", nullptr), url));
        ASSERT_TRUE(clickAndWaitGone(dialog, L"访 问"));
        for (int row : {0, 2}) EXPECT_TRUE(atRow(row).waitForRecord(isReceived(kJump, url))) << dump(atRow(row));
    }

    EXPECT_TRUE(received(atRow(0), kAdjust).empty()) << dump(atRow(0));
    EXPECT_EQ(received(atRow(1), kAdjust), std::vector<std::string>{readConfig});
    EXPECT_TRUE(received(atRow(1), kJump).empty());
    EXPECT_EQ(received(atRow(2), kJump).size(), 2u);
}

TEST_F(InstanceTable, CloseRemovesExactlyTheSelectedRowsAndClosesTheirBrowsers) {
    for (int i = 0; i < 4; ++i) browser();
    startPanel();
    const Table before = readListView(table);
    StandinProcess& second = atRow(1);
    StandinProcess& third = atRow(2);
    select({1, 2});
    ASSERT_TRUE(panel->command(id::kClose));

    ASSERT_TRUE(waitUntil([&] { return readListView(table).size() == 2; }));
    EXPECT_EQ(readListView(table), (Table{before[0], before[3]}));
    for (StandinProcess* closed : {&second, &third}) {
        EXPECT_TRUE(closed->waitForExit()) << dump(*closed);
        EXPECT_TRUE(closed->waitForRecord(isKind("CLOSE"), Ms{0}));
    }
    for (int row : {0, 1}) EXPECT_TRUE(atRow(row).running());

    // The records stay: a rescan lists only what still runs.
    ASSERT_TRUE(panel->click(id::kScanBrowsers));
    ASSERT_TRUE(waitUntil([&] { return readListView(table) == Table{before[0], before[3]}; }));
}

// 关闭鹭行 on a framed copy and on one in tab mode: both rows go, but only
// the framed copy gets WM_CLOSE; the run log says which close was posted and
// which was refused, and the copy that got nothing still runs and is listed
// again by the next scan.
TEST_F(InstanceTable, CloseLogsWhetherEachCloseWasPostedAndACopyWithoutFrameStays) {
    startFramedAndTabbedSelected();
    StandinProcess& framed = *browsers[0];
    StandinProcess& frameless = *browsers[1];
    ASSERT_TRUE(panel->command(id::kClose));
    ASSERT_TRUE(waitUntil([&] { return readListView(table).empty(); }));
    EXPECT_TRUE(framed.waitForExit()) << dump(framed);

    const auto closesOf = [&](const StandinProcess& b) { return logRows(*panel, text::kEventCommand, b.pid()); };
    EXPECT_TRUE(waitUntil([&] { return !closesOf(framed).empty() && !closesOf(frameless).empty(); }));
    EXPECT_EQ(closesOf(framed), std::vector<std::string>{"WM_CLOSE -> " + std::string(text::kOutcomePosted)});
    EXPECT_EQ(closesOf(frameless), std::vector<std::string>{"WM_CLOSE -> " + std::string(text::kOutcomeRefused)});

    ASSERT_TRUE(panel->click(id::kScanBrowsers));
    ASSERT_TRUE(waitUntil([&] { return readListView(table).size() == 1u; }));
    EXPECT_EQ(readListView(table).at(0).at(0), std::to_string(frameless.pid()));
    EXPECT_TRUE(frameless.running());
}

// Showing the window (the boss key shows it again) rescans while 独立控制 is
// the current page, and only then: a browser started meanwhile is listed at
// once in the first case, and only when 独立控制 comes back in the second.
TEST_F(InstanceTable, ShowingTheWindowRescansOnlyWhileTheInstancePageIsCurrent) {
    browser();
    startPanel();
    // ShowWindow on the panel's window is carried out by the panel's thread
    // before it returns, a rescan with it.
    const auto hideAndShow = [&] {
        ShowWindow(panel->mainWindow(), SW_HIDE);
        ASSERT_FALSE(IsWindowVisible(panel->mainWindow()));
        ShowWindow(panel->mainWindow(), SW_SHOWNOACTIVATE);
        ASSERT_TRUE(IsWindowVisible(panel->mainWindow()));
    };
    const HWND tabs = panel->control(id::kTabs);

    ASSERT_TRUE(browser().ready());
    hideAndShow();
    EXPECT_EQ(readListView(table).size(), 2u);

    for (int page : {id::kLaunchPage, id::kPageRecordPage}) {
        SCOPED_TRACE(page);
        ASSERT_TRUE(selectTab(tabs, page));
        ASSERT_TRUE(browser().ready());
        hideAndShow();
        ASSERT_TRUE(panel->caughtUp());
        EXPECT_EQ(readListView(table).size(), browsers.size() - 1) << "no rescan with another page current";
        ASSERT_TRUE(selectTab(tabs, id::kInstancesPage));
        EXPECT_TRUE(waitUntil([&] { return readListView(table).size() == browsers.size(); }));
    }
}

// A browser that wakes up after its transfer timed out still reads where it
// was told to: that memory is kept for it, so it reads its own text, never
// that of a transfer sent to another browser after the timeout.
TEST_F(InstanceTable, ABrowserThatWakesLateReadsItsOwnTransferNeverALaterOne) {
    StandinOptions sleepy;
    sleepy.hangMs = 6000;
    StandinProcess& late = browser(sleepy);
    StandinProcess& awake = browser();
    startPanel();
    const auto rowOf = [&](const StandinProcess& b) {
        const Table rows = readListView(table);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (rows[i][0] == std::to_string(b.pid())) return static_cast<int>(i);
        }
        return -1;
    };
    const auto openLink = [&](const StandinProcess& b, const std::string& url) {
        select({rowOf(b)});
        ASSERT_TRUE(panel->command(id::kOpenLink));
        HWND dialog = findDialog(panel->pid(), L"输入要访问的地址");
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(setEditText(findDescendant(dialog, L"Edit", nullptr), url));
        ASSERT_TRUE(clickAndWaitGone(dialog, L"访 问"));  // after the send has timed out
    };
    openLink(late, "http://late.example/");
    ASSERT_FALSE(late.waitForRecord(isKind("RECV"), Ms{0})) << "the first browser already woke: " << dump(late);
    // Two more transfers: memory given back after the first would be taken
    // again by the second.
    for (const char* url : {"http://awake.example/1", "http://awake.example/2"}) {
        openLink(awake, url);
        EXPECT_TRUE(awake.waitForRecord(isReceived(kJump, url))) << dump(awake);
    }
    const std::optional<StandinRecord> read = late.waitForRecord(isKind("RECV"), Ms{20000});
    ASSERT_TRUE(read) << dump(late);
    EXPECT_EQ(read->bytes, "http://late.example/") << dump(late);
}

// A scan reads what the system holds of each browser's windows and sends
// nothing to any browser, so a browser cannot hold it up or rescan inside it
// (a "#关闭" rescans). A close from one browser among many then leaves the
// table and the records in step: every row shows its own browser's title
// and carries its process id, and a command to every row reaches each
// browser once.
TEST_F(InstanceTable, AScanAsksNoBrowserAndACloseAmongManyLeavesTheTableInStep) {
    for (int i = 0; i < 5; ++i) browser();
    StandinProcess& leaving = browser();
    for (int i = 0; i < 6; ++i) browser();
    startPanel();
    ASSERT_TRUE(panel->click(id::kScanBrowsers));
    ASSERT_TRUE(sendWithTimeout(panel->mainWindow(), WM_NULL, 0, 0));
    for (const auto& b : browsers) EXPECT_FALSE(b->waitForRecord(isKind("QUERY"), Ms{0})) << dump(*b);

    ASSERT_EQ(leaving.notify(notificationPayload(win::toWindowId(leaving.commandWindow()), text::kKeywordClose)),
              std::optional<bool>(true));
    ASSERT_TRUE(leaving.waitForRecord(isKind("CLOSE"))) << dump(leaving);
    ASSERT_TRUE(leaving.waitForExit());
    ASSERT_TRUE(panel->click(id::kScanBrowsers));
    ASSERT_TRUE(waitUntil([&] { return readListView(table).size() == browsers.size() - 1; }));
    const Table rows = readListView(table);
    const std::vector<LPARAM> data = readListViewData(table);
    ASSERT_EQ(data.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i][0], std::to_string(data[i]));
        EXPECT_EQ(rows[i][1], "Standin " + rows[i][0]);
    }
    std::vector<int> all(rows.size());
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);
    select(all);
    ASSERT_TRUE(panel->command(id::kRefresh));
    for (const auto& b : browsers) {
        if (b.get() == &leaving) continue;
        EXPECT_TRUE(b->waitForRecord(isReceived(kAdjust, kRefresh))) << dump(*b);
    }
    // A later message shows the refresh is over: nobody got it twice.
    EXPECT_TRUE(sendWithTimeout(panel->mainWindow(), WM_NULL, 0, 0));
    for (const auto& b : browsers) {
        if (b.get() == &leaving) continue;
        EXPECT_EQ(received(*b, kAdjust).size(), 1u) << dump(*b);
    }
}

// A browser's answer to the title length is its own word, and the panel does
// not ask for it: two gigabytes of it size nothing, and the title shows as
// the window has it.
TEST_F(InstanceTable, AHugeTitleLengthSizesNothing) {
    StandinOptions boasting;
    boasting.titleLength = 2147483647;
    StandinProcess& big = browser(boasting);
    browser();
    startPanel();
    const Table rows = readListView(table);
    for (const auto& row : rows) EXPECT_EQ(row[1], "Standin " + row[0]);
    EXPECT_FALSE(big.waitForRecord(isKind("QUERY"), Ms{0})) << dump(big);
}

TEST_F(InstanceTable, DeadAndHungBrowsersDoNotKeepTheOthersFromBeingServed) {
    // The hung browser stalls far longer than the channel waits, so the
    // others being served while it still stalls shows the panel gave up on
    // it, however slow the machine.
    StandinOptions hung;
    hung.hangMs = 30000;
    StandinProcess& slow = browser(hung);
    browser();
    StandinProcess& doomed = browser();
    browser();
    // The hung one first in Z order, so first in the table and served first.
    ASSERT_TRUE(SetWindowPos(slow.frameWindow(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
    startPanel();
    ASSERT_EQ(readListView(table)[0][0], std::to_string(slow.pid()));
    select({0, 1, 2, 3});
    // One browser dies after the scan: its handles are stale.
    Process::open(doomed.pid()).kill();
    ASSERT_TRUE(doomed.waitForExit());

    ASSERT_TRUE(panel->command(id::kRefresh));
    for (const auto& b : browsers) {
        if (b.get() == &slow || b.get() == &doomed) continue;
        EXPECT_TRUE(b->waitForRecord(isReceived(kAdjust, kRefresh), Ms{25000})) << dump(*b);
    }
    EXPECT_TRUE(slow.waitForRecord(isKind("HANG"), Ms{0}));
    EXPECT_FALSE(slow.waitForRecord(isKind("RECV"), Ms{0})) << "the others waited for the hung one: " << dump(slow);
    // Nothing is reported to the user.
    ASSERT_TRUE(panel->caughtUp());
    EXPECT_EQ(panel->modalWindows(), "");
}

}  // namespace
}  // namespace vuv::e2e
