// The pauses of a launch walk: the panel stays usable in them, as in its main
// loop (keys, edits, even a second walk), and the walk goes on with what the
// list, the boxes and the interval say at its next step.
#include "e2e/launch_fixture.h"

namespace vuv::e2e {
namespace {

class LaunchPause : public LaunchFixture {
protected:
    void focusMainWindow() {
        SetForegroundWindow(panel->mainWindow());
        ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == panel->mainWindow(); }, Ms{5000}));
    }
    bool tabIs(int page) const {
        return waitUntil([&] { return currentTab(panel->control(id::kTabs)) == page; }, Ms{5000});
    }
    // Answers the notice that ends a walk.
    void finishWalk() {
        const std::optional<MessageBoxInfo> box = panel->messageBox(gbk(L"完成"), Ms{60000});
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text, gbk(L"批量启动完成"));
        ASSERT_TRUE(pressButton(box->window));
    }
    [[nodiscard]] std::string line(const std::string& address) const { return browserLine(address, " 0000 ", false, ""); }
};

// During a long pause Ctrl+Tab switches pages both ways, a row is edited and
// another deleted; the walk then starts the edited row and skips the deleted.
TEST_F(LaunchPause, KeysEditsAndDeletesWorkDuringAPauseAndTheWalkGoesOn) {
    startPanel();
    addLines({"http://p.example/1", "http://p.example/2", "http://p.example/3"});
    setInterval("20000");
    ASSERT_TRUE(panel->click(id::kLaunchAll));
    ASSERT_EQ(launched(1).size(), 1u);  // the first pause has begun, or begins now

    focusMainWindow();
    pressKey(VK_TAB, {VK_CONTROL});
    EXPECT_TRUE(tabIs(id::kRulesPage));
    pressKey(VK_TAB, {VK_CONTROL, VK_SHIFT});
    EXPECT_TRUE(tabIs(id::kLaunchPage));

    setInterval("0");
    select({1});
    answer(id::kEditAddress, L"输入需要设置的连接", "http://p.example/2", "http://edited.example/2", L"确 定");
    select({2});
    ASSERT_TRUE(panel->command(id::kDeleteEntries));
    ASSERT_TRUE(waitUntil([&] { return rows().size() == 2u; }));

    finishWalk();
    EXPECT_EQ(launched(2), (Lines{line("http://p.example/1"), line("http://edited.example/2")}));
}

// A second "全部批量启动" pressed during a pause runs whole inside it; the
// first walk goes on after the second's notice.
TEST_F(LaunchPause, ASecondWalkDuringAPauseRunsWholeAndTheFirstGoesOn) {
    startPanel();
    addLines({"http://w.example/a", "http://w.example/b"});
    setInterval("300");
    ASSERT_TRUE(panel->click(id::kLaunchAll));
    // Posted after the first: taken in the first walk's first pause.
    ASSERT_TRUE(panel->click(id::kLaunchAll));
    finishWalk();
    finishWalk();
    EXPECT_EQ(launched(4), (Lines{line("http://w.example/a"), line("http://w.example/a"), line("http://w.example/b"),
                                  line("http://w.example/b")}));
}

// A browser that cannot be started is passed over without a word, and the
// pause after it still comes: a click on the designated-browser box posted
// behind the walk is taken in that pause, so the next row starts with the
// browser itself instead of the missing designated one.
TEST_F(LaunchPause, ABrowserThatCannotStartIsSkippedSilentlyAndItsPauseStillComes) {
    writeSettingsWithBrowser(join({text::kKeyDesignated, "=", win::narrow(sandbox.path(L"不存在.exe")), "\r\n"}));
    panel = std::make_unique<PanelProcess>(sandbox);
    ASSERT_TRUE(panel->ready()) << panel->startError();
    list = panel->control(id::kLaunchList);
    ASSERT_TRUE(selectTab(panel->control(id::kTabs), id::kLaunchPage));
    addLines({"http://s.example/1", "http://s.example/2"});
    setInterval("300");
    // Checked without a click: a click would ask for the missing browser.
    ASSERT_TRUE(sendWithTimeout(panel->control(id::kDesignatedBox), BM_SETCHECK, BST_CHECKED, 0));

    ASSERT_TRUE(panel->command(id::kLaunchAll));
    ASSERT_TRUE(panel->click(id::kDesignatedBox));  // unchecks it, in the pause after the failed start
    finishWalk();
    EXPECT_FALSE(checked(id::kDesignatedBox));
    EXPECT_EQ(launched(1), (Lines{line("http://s.example/2")}));
}

}  // namespace
}  // namespace vuv::e2e
