// The launch tab driven from outside: filling and editing the list, export,
// and the launch walks with stand-in browsers as lxbr.exe, whose logs show
// the command lines they were started with.
#include "e2e/launch_fixture.h"

#include <chrono>

namespace vuv::e2e {
namespace {

using Clock = std::chrono::steady_clock;

// ---------------------------------------------------------------------------
// Editing

using LaunchEdits = LaunchFixture;

TEST_F(LaunchEdits, RenameAddressAndDeleteActOnTheRowsSelectedAtConfirmation) {
    startPanel();
    addLines({"http://n0/", "http://n1/", "http://n2/", "http://n3/", "http://n4/", "http://n5/"});
    EXPECT_EQ(column(0), Lines(6, ""));
    EXPECT_EQ(column(2), Lines(6, ""));

    // Three rows named 站, 站1, 站2; one row alone gets the bare name.
    select({1, 2, 4});
    answer(id::kEditName, L"输入需要修改的书签名", "", gbk(L"站"), L"访 问");
    select({5});
    answer(id::kEditName, L"输入需要修改的书签名", "", "solo", L"访 问");
    EXPECT_EQ(column(0), (Lines{"", gbk(L"站"), gbk(L"站1"), "", gbk(L"站2"), "solo"}));

    // The address dialog is pre-filled from the first selected row; Enter
    // confirms, and the rows selected by then are the ones changed.
    select({3, 4});
    HWND dialog = open(id::kEditAddress, L"输入需要设置的连接");
    ASSERT_NE(dialog, nullptr);
    EXPECT_NE(findDescendant(dialog, L"Button", L"确 定"), nullptr);
    HWND field = findDescendant(dialog, L"Edit", nullptr);
    EXPECT_EQ(windowTextGbk(field), "http://n3/");
    ASSERT_TRUE(setEditText(field, "http://x/"));
    select({0, 2});
    ASSERT_TRUE(PostMessageW(field, WM_KEYDOWN, VK_RETURN, 0x001C0001));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog); }));
    EXPECT_EQ(column(1), (Lines{"http://x/", "http://n1/", "http://x/", "http://n3/", "http://n4/", "http://n5/"}));

    // Closing a dialog with its close box changes nothing; with no row
    // selected the edits do not open.
    dialog = open(id::kEditAddress, L"输入需要设置的连接");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(setEditText(findDescendant(dialog, L"Edit", nullptr), "changed"));
    ASSERT_TRUE(PostMessageW(dialog, WM_CLOSE, 0, 0));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog); }));
    select({});
    ASSERT_TRUE(panel->command(id::kEditName));
    ASSERT_TRUE(panel->command(id::kEditConfig));
    ASSERT_TRUE(panel->caughtUp());
    EXPECT_EQ(panel->modalWindows(), "");
    EXPECT_EQ(column(1)[0], "http://x/");

    // "删除选中的链接" chosen from the pop-up menu of a right click.
    select({2, 3, 5});
    ASSERT_TRUE(rightClick(2));
    ASSERT_TRUE(waitUntil([&] { return !topLevelWindows(panel->pid(), L"#32768").empty(); })) << "no pop-up menu";
    PostMessageW(panel->mainWindow(), WM_KEYDOWN, VK_UP, 0);  // from no item up to the last one
    PostMessageW(panel->mainWindow(), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(waitUntil([&] { return rows().size() == 3; })) << rows().size();
    EXPECT_EQ(column(0), (Lines{"", gbk(L"站"), gbk(L"站2")}));
    EXPECT_TRUE(selectedRows(list).empty());

    ASSERT_TRUE(panel->click(id::kLaunchClear));
    EXPECT_TRUE(waitUntil([&] { return rows().empty(); }));
}

TEST_F(LaunchEdits, ExportWritesAddressNameShortcutAndConfigurationLines) {
    startPanel();
    const std::wstring config = sandbox.path(L"配置 一.zni");
    ASSERT_TRUE(writeFileBytes(config, "x"));
    addLines({gbk(L"http://a/一"), "http://b/", "http://c/"});
    select({0, 1, 2});
    answer(id::kEditName, L"输入需要修改的书签名", "", gbk(L"站"), L"访 问");
    select({1});
    setConfigOfSelected(win::narrow(config));
    const std::string expected = join({gbk(L"http://a/一|#|站|#|\\站.url|#|\r\n"), gbk(L"http://b/|#|站1|#|\\站1.url|#|"),
                                       win::narrow(config), "\r\n", gbk(L"http://c/|#|站2|#|\\站2.url|#|\r\n")});

    // A name without the extension gets ".txt".
    ASSERT_TRUE(panel->click(id::kLaunchExport));
    ASSERT_TRUE(answerFileDialog(panel->pid(), sandbox.path(L"导出")));
    std::optional<std::string> written;
    ASSERT_TRUE(waitUntil([&] { return (written = readFileBytes(sandbox.path(L"导出.txt"))).has_value(); }));
    EXPECT_EQ(*written, expected);

    // The extension in capitals is kept, and a longer old file is cut.
    ASSERT_TRUE(writeFileBytes(sandbox.path(L"LIST.TXT"), std::string(4096, 'o')));
    ASSERT_TRUE(panel->click(id::kLaunchExport));
    ASSERT_TRUE(answerFileDialog(panel->pid(), sandbox.path(L"LIST.TXT")));
    EXPECT_TRUE(waitUntil([&] { return readFileBytes(sandbox.path(L"LIST.TXT")) == expected; }));
    EXPECT_FALSE(readFileBytes(sandbox.path(L"LIST.TXT.txt")));

    // Cancel writes nothing; an empty list gives an empty file.
    ASSERT_TRUE(panel->click(id::kLaunchExport));
    ASSERT_TRUE(answerFileDialog(panel->pid(), L""));
    ASSERT_TRUE(panel->click(id::kLaunchClear));
    ASSERT_TRUE(waitUntil([&] { return rows().empty(); }));
    ASSERT_TRUE(panel->click(id::kLaunchExport));
    ASSERT_TRUE(answerFileDialog(panel->pid(), sandbox.path(L"空.Txt")));
    EXPECT_TRUE(waitUntil([&] { return readFileBytes(sandbox.path(L"空.Txt")) == std::string(); }));
    ASSERT_TRUE(panel->caughtUp());
    EXPECT_EQ(panel->modalWindows(), "") << "export shows no message";
}

// ---------------------------------------------------------------------------
// Launch walks

using LaunchWalks = LaunchFixture;

TEST_F(LaunchWalks, LaunchAllStartsEachEntryInOrderWithTheBrowsersLastOpenTime) {
    startPanel();
    ASSERT_TRUE(writeFileBytes(sandbox.path(L"yxsj.ini"), gbk(L"[时间]\r\n最近打开时间=2024-01-02 08:09\r\n")));
    const std::wstring config = sandbox.path(L"配置 一.zni");
    ASSERT_TRUE(writeFileBytes(config, "x"));
    addLines({gbk(L"http://a.example/一"), gbk(L"http://b.example/?q=二 三"), "http://c.example/"});
    select({0, 2});
    setConfigOfSelected(win::narrow(config));
    select({2});
    answer(id::kEditAddress, L"输入需要设置的连接", "http://c.example/", "", L"确 定");
    setChecked(id::kWapBox, true);  // the WAP-mode flag travels as the truth value
    setInterval("0");

    launchAll();
    const std::string time = "2024-01-02 08:09";
    EXPECT_EQ(launched(3), (Lines{browserLine(gbk(L"http://a.example/一"), time, true, win::narrow(config)),
                                  browserLine(gbk(L"http://b.example/?q=二 三"), time, true, ""),
                                  quotedBrowser()}));

    // Without the key the time is " 0000 "; an empty list completes at once.
    ASSERT_TRUE(writeFileBytes(sandbox.path(L"yxsj.ini"), gbk(L"[时间]\r\n其它=1\r\n")));
    setChecked(id::kWapBox, false);
    select({1});
    ASSERT_TRUE(panel->command(id::kLaunchSelected));
    EXPECT_EQ(launched(4).back(), browserLine(gbk(L"http://b.example/?q=二 三"), " 0000 ", false, ""));
    ASSERT_TRUE(walkOver());
    EXPECT_EQ(panel->modalWindows(), "") << "launching the selection ends without a message";
    ASSERT_TRUE(panel->click(id::kLaunchClear));
    launchAll();
    ASSERT_TRUE(walkOver());
    EXPECT_EQ(launched(4).size(), 4u);
}

TEST_F(LaunchWalks, DesignatedBrowserGetsOnlyTheAddress) {
    startPanel(true);
    const std::wstring config = sandbox.path(L"c.ini");
    ASSERT_TRUE(writeFileBytes(config, "x"));
    addLines({"http://u0/", "http://u1/", "http://u2/"});
    select({1});
    setConfigOfSelected(win::narrow(config));
    select({2});
    answer(id::kEditAddress, L"输入需要设置的连接", "http://u2/", "", L"确 定");
    setInterval("0");

    // The designated path exists: checking the box asks nothing.
    setChecked(id::kDesignatedBox, true);
    ASSERT_TRUE(panel->caughtUp());
    EXPECT_EQ(panel->modalWindows(), "");
    launchAll();
    const std::string d = quotedBrowser();
    EXPECT_EQ(launched(3), (Lines{d + " http://u0/", d + " http://u1/", d}));

    // The menu's designated launch ignores the unchecked box; the plain one
    // follows it; with nothing selected nothing starts.
    setChecked(id::kDesignatedBox, false);
    select({0, 1});
    ASSERT_TRUE(panel->command(id::kLaunchSelectedDesignated));
    ASSERT_EQ(launched(5).size(), 5u);
    select({1});
    ASSERT_TRUE(panel->command(id::kLaunchSelected));
    ASSERT_EQ(launched(6).size(), 6u);
    select({});
    ASSERT_TRUE(panel->command(id::kLaunchSelected));
    ASSERT_TRUE(panel->command(id::kStartBrowser));  // 启动鹭行: the browser alone
    ASSERT_EQ(launched(7).size(), 7u);
    ASSERT_TRUE(walkOver());
    const Lines all = launched(7);
    EXPECT_EQ(Lines(all.begin() + 3, all.end()),
              (Lines{d + " http://u0/", d + " http://u1/", browserLine("http://u1/", " 0000 ", false, win::narrow(config)),
                     d}));
}

TEST_F(LaunchWalks, DesignatedBoxWithoutABrowserWarnsAndOffersThePathDialog) {
    startPanel();
    for (int round = 0; round < 2; ++round) {
        setChecked(id::kDesignatedBox, false);
        ASSERT_TRUE(panel->click(id::kDesignatedBox));
        const std::optional<MessageBoxInfo> box = panel->messageBox(gbk(L"提醒"));
        ASSERT_TRUE(box) << "round " << round;
        EXPECT_EQ(box->text, gbk(L"为设置指定浏览器。"));
        ASSERT_TRUE(pressButton(box->window));
        HWND dialog = findDialog(panel->pid(), L"设置批量启动指定浏览器的路径（支持文件拖拽）");
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(windowText(findDescendant(dialog, L"Edit", nullptr)), L"");
        ASSERT_TRUE(PostMessageW(dialog, WM_CLOSE, 0, 0));
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog); }));
        EXPECT_TRUE(checked(id::kDesignatedBox)) << "the box stays checked";
    }
    // Unchecking does nothing else.
    ASSERT_TRUE(panel->click(id::kDesignatedBox));
    ASSERT_TRUE(waitUntil([&] { return !checked(id::kDesignatedBox); }));
    ASSERT_TRUE(panel->caughtUp());
    EXPECT_EQ(panel->modalWindows(), "");
}

TEST_F(LaunchWalks, IntervalIsTheLeadingNumberOfItsTextAndNothingWhenThereIsNone) {
    startPanel();
    addLines({"http://one/"});
    const auto walk = [&](const char* interval) {
        setInterval(interval);
        const auto started = Clock::now();
        launchAll();
        return std::chrono::duration_cast<Ms>(Clock::now() - started);
    };
    const Ms numbered = walk(" +4000ms");
    const Ms none = walk("abc");
    EXPECT_GE(numbered.count(), 4000);
    // Only starting the browser and the wait until it is idle (at most
    // 1000 ms) remain: far below a bound no busy machine reaches.
    EXPECT_LT(none.count(), 20000);
    EXPECT_EQ(launched(2).size(), 2u);
}

}  // namespace
}  // namespace vuv::e2e
