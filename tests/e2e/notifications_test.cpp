// Notifications from stand-in browsers, end to end: the fixed keywords, the
// bookmark hand-out with its exhaustion notice, and the notification rules
// entered through the rule page's controls.
#include "e2e/instance_fixture.h"
#include "e2e/notification_helpers.h"

#include <set>

namespace vuv::e2e {
namespace {

const std::string kAdjust(text::kMsgAdjust);
const std::string kJump(text::kMsgJump);
const std::string kToolbarRefresh = toolbarPayload(text::kToolbarRefresh);
const std::string kToolbarStop = toolbarPayload(text::kToolbarStop);
const std::string kUnused(text::kStateUnused);
const std::string kOpened(text::kStateOpened);
const std::string kNotice = "\xCA\xE9\xC7\xA9\xB9\xDC\xC0\xED\xCA\xE9\xC7\xA9\xD2\xD1\xC8\xAB\xB2\xBF\xCA\xB9\xD3\xC3\xA1\xA3";  // 书签管理书签已全部使用。
const std::string kNoticeCaption = "\xCC\xE1\xD0\xD1";  // 提醒
constexpr int kBookmarkAction = 0;                      // 从书签管理打开连接
constexpr int kOpenLinkAction = 1;                      // 打开指定连接

using Strings = std::vector<std::string>;

class Notifications : public InstanceFixture {
protected:
    void startPanel() {
        InstanceFixture::startPanel();
        ASSERT_FALSE(browsers.empty());
        ASSERT_TRUE(waitUntilListening(*browsers.front()));
    }

    // Every notification must be acknowledged; the panel has handled it,
    // including what it sent back, by the time the send returns.
    void send(StandinProcess& from, const std::string& payload) {
        ASSERT_EQ(from.notify(payload), std::optional<bool>(true)) << payload;
    }
    void say(StandinProcess& from, std::string_view content) { send(from, notification(from.commandWindow(), content)); }

    void fillBookmarks(const Strings& addresses) {
        EXPECT_TRUE(importBookmarks(*panel, sandbox.directory(), addresses));
    }
    // The 书签状态 column, top to bottom.
    Strings states() {
        Strings out;
        for (const auto& row : readListView(panel->control(id::kBookmarkList))) out.push_back(row.at(2));
        return out;
    }
    void addRule(const std::string& condition, int action, const std::string& link = {}) {
        const std::size_t before = readListView(panel->control(id::kRuleList)).size();
        ASSERT_TRUE(addRuleThroughControls(panel->mainWindow(), condition, action, link)) << condition;
        ASSERT_EQ(readListView(panel->control(id::kRuleList)).size(), before + 1) << condition;
    }
    // Exhaustion notices open now.
    std::vector<HWND> notices() {
        std::vector<HWND> open;
        for (HWND w : topLevelWindows(panel->pid(), L"#32770", win::widen(kNoticeCaption).c_str())) {
            if (IsWindowVisible(w)) open.push_back(w);
        }
        return open;
    }

    // Answers the notices until none is left (one is open at a time; a
    // request after it was answered may open the next).
    bool closeNotices() {
        return waitUntil([&] {
            const std::vector<HWND> open = notices();
            for (HWND notice : open) PostMessageW(notice, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            return open.empty();
        });
    }
};

// ---------------------------------------------------------------------------
// Fixed keywords

TEST_F(Notifications, RefreshAndStopGoToTheCommandWindowNamedInTheTextAndOtherTextsDoNothing) {
    StandinProcess& a = browser();
    StandinProcess& b = browser();
    startPanel();

    say(a, text::kKeywordRefresh);
    say(a, text::kKeywordStop);
    // The handle in the text decides, not who sent it.
    send(a, notification(b.commandWindow(), text::kKeywordRefresh));
    // Nothing for a text no rule matches, nor for a malformed one (the
    // parsing itself is covered by the core's tests).
    say(a, "no rule for this");
    send(a, join({text::kTagVuv, handleText(a.commandWindow()), text::kKeywordStop}));

    EXPECT_EQ(received(a, kAdjust), (Strings{kToolbarRefresh, kToolbarStop})) << dump(a);
    EXPECT_EQ(received(b, kAdjust), (Strings{kToolbarRefresh})) << dump(b);
    EXPECT_TRUE(received(a, kJump).empty());
}

TEST_F(Notifications, CloseRescansFirstThenClosesTheSendersFrameWhoseRowStaysUntilTheNextScan) {
    StandinProcess& a = browser();
    startPanel();
    StandinProcess& late = browser();  // not listed yet

    // A handle that is no browser's command window closes nothing.
    send(a, notification(a.frameWindow(), text::kKeywordClose));
    EXPECT_TRUE(a.running());

    say(a, text::kKeywordClose);
    const std::optional<StandinRecord> closed = a.waitForRecord(isKind("CLOSE"));
    ASSERT_TRUE(closed) << dump(a);
    EXPECT_EQ(closed->name, "frame");
    EXPECT_TRUE(a.waitForExit());
    EXPECT_TRUE(late.running());
    // The rescan ran before the close: the late browser is listed, the closed
    // one still has its row.
    const auto listed = [&] {
        std::set<std::string> pids;
        for (const auto& row : readListView(table)) pids.insert(row.at(0));
        return pids;
    };
    EXPECT_EQ(listed(), (std::set<std::string>{std::to_string(a.pid()), std::to_string(late.pid())}));
    ASSERT_TRUE(panel->click(id::kScanBrowsers));
    EXPECT_TRUE(waitUntil([&] { return listed() == std::set<std::string>{std::to_string(late.pid())}; }));
}

// ---------------------------------------------------------------------------
// Bookmarks

TEST_F(Notifications, BookmarksGoOutInTableOrderThenUsedUpRequestsShareOneNotice) {
    StandinProcess& a = browser();
    startPanel();
    fillBookmarks({"http://a.cn/", "http://b.cn/", "http://a.cn/"});
    EXPECT_EQ(readListView(panel->control(id::kBookmarkList), kBookmarkTableColumns),
              (Table{{"", "http://a.cn/", kUnused}, {"", "http://b.cn/", kUnused}, {"", "http://a.cn/", kUnused}}));

    for (int i = 0; i < 3; ++i) say(a, text::kKeywordBookmark);
    EXPECT_EQ(received(a, kJump), (Strings{"http://a.cn/", "http://b.cn/", "http://a.cn/"}));
    EXPECT_EQ(states(), (Strings{kOpened, kOpened, kOpened}));
    // A notice is posted: it would be open once a later message is handled.
    ASSERT_TRUE(panel->caughtUp());
    EXPECT_EQ(panel->modalWindows(), "");

    // Used up: each request answers at once; the first raises the notice,
    // shown after the notification was handled, and one while it is open
    // adds none. Requests go on being served while it is open.
    say(a, text::kKeywordBookmark);
    say(a, text::kKeywordBookmark);
    ASSERT_TRUE(waitUntil([&] { return notices().size() == 1; })) << notices().size();
    ASSERT_TRUE(panel->caughtUp());
    EXPECT_EQ(notices().size(), 1u);
    const std::optional<MessageBoxInfo> box = panel->messageBox(kNoticeCaption);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, kNotice);
    EXPECT_EQ(received(a, kJump).size(), 3u);
    EXPECT_EQ(states(), (Strings{kOpened, kOpened, kOpened}));
    EXPECT_TRUE(closeNotices());

    // 清空书签状态 starts the table over.
    ASSERT_TRUE(panel->click(id::kResetStates));
    ASSERT_TRUE(waitUntil([&] { return states() == Strings{kUnused, kUnused, kUnused}; }));
    say(a, text::kKeywordBookmark);
    EXPECT_EQ(received(a, kJump).back(), "http://a.cn/");
    EXPECT_EQ(states(), (Strings{kOpened, kUnused, kUnused}));

    // 清空 leaves an empty table: a request gives a notice again.
    ASSERT_TRUE(panel->click(id::kBookmarkClear));
    ASSERT_TRUE(waitUntil([&] { return states().empty(); }));
    say(a, text::kKeywordBookmark);
    ASSERT_TRUE(waitUntil([&] { return notices().size() == 1; }));
    EXPECT_TRUE(closeNotices());
    EXPECT_EQ(received(a, kJump).size(), 4u);

    // Bookmarks added after 清空 are all unused and go out from the first.
    fillBookmarks({"http://c.cn/", "http://d.cn/"});
    EXPECT_EQ(states(), (Strings{kUnused, kUnused}));
    say(a, text::kKeywordBookmark);
    say(a, text::kKeywordBookmark);
    EXPECT_EQ(received(a, kJump), (Strings{"http://a.cn/", "http://b.cn/", "http://a.cn/", "http://a.cn/",
                                           "http://c.cn/", "http://d.cn/"}));
    EXPECT_EQ(states(), (Strings{kOpened, kOpened}));
}

TEST_F(Notifications, LoopOpeningResetsQuietlyInsteadOfTheNoticeAndSendsNothingThatTime) {
    StandinProcess& a = browser();
    startPanel();
    const HWND loop = panel->control(id::kLoopBox);
    ASSERT_TRUE(panel->click(id::kLoopBox));
    ASSERT_TRUE(waitUntil([&] { return sendWithTimeout(loop, BM_GETCHECK, 0, 0) == std::optional<LRESULT>(BST_CHECKED); }));

    // Empty table: nothing visible at all.
    say(a, text::kKeywordBookmark);
    fillBookmarks({"A", "B"});
    for (int i = 0; i < 3; ++i) say(a, text::kKeywordBookmark);
    EXPECT_EQ(received(a, kJump), (Strings{"A", "B"}));
    EXPECT_EQ(states(), (Strings{kUnused, kUnused}));  // the third request only reset
    say(a, text::kKeywordBookmark);
    EXPECT_EQ(received(a, kJump), (Strings{"A", "B", "A"}));
    EXPECT_EQ(states(), (Strings{kOpened, kUnused}));
    ASSERT_TRUE(panel->caughtUp());
    EXPECT_EQ(panel->modalWindows(), "");
}

TEST_F(Notifications, BrowsersShareOneTableAndEachRequestTakesTheNextBookmark) {
    StandinProcess& a = browser();
    StandinProcess& b = browser();
    startPanel();
    fillBookmarks({"1", "2", "3", "4", "5"});
    say(a, text::kKeywordBookmark);
    say(b, text::kKeywordBookmark);
    say(b, text::kKeywordBookmark);
    // A request may name another browser's command window: that one gets it.
    send(a, notification(b.commandWindow(), text::kKeywordBookmark));
    say(a, text::kKeywordBookmark);
    EXPECT_EQ(received(a, kJump), (Strings{"1", "5"}));
    EXPECT_EQ(received(b, kJump), (Strings{"2", "3", "4"}));
    EXPECT_EQ(states(), Strings(5, kOpened));
}

// ---------------------------------------------------------------------------
// Rules

TEST_F(Notifications, RuleEntryStartsWithTheBookmarkActionAndTheLinkBoxFollowsTheAction) {
    browser();
    startPanel();
    const HWND linkBox = panel->control(id::kLinkEdit);
    EXPECT_EQ(windowTextGbk(panel->control(id::kActionCombo)), text::kActionBookmark);
    EXPECT_FALSE(IsWindowEnabled(linkBox));

    // Switching the action enables or disables the link box; typed text stays.
    ASSERT_TRUE(addRuleThroughControls(panel->mainWindow(), "c", kOpenLinkAction, "typed"));
    EXPECT_TRUE(IsWindowEnabled(linkBox));
    ASSERT_TRUE(addRuleThroughControls(panel->mainWindow(), "c", kBookmarkAction, "typed"));
    EXPECT_FALSE(IsWindowEnabled(linkBox));
    EXPECT_EQ(windowTextGbk(linkBox), "typed");
    // An empty condition adds nothing.
    ASSERT_TRUE(addRuleThroughControls(panel->mainWindow(), "", kOpenLinkAction, "x"));
    EXPECT_EQ(readListView(panel->control(id::kRuleList), kRuleTableColumns),
              (Table{{"c", std::string(text::kActionOpenLink), "typed"}, {"c", std::string(text::kActionBookmark), ""}}));
}

TEST_F(Notifications, TheFirstExactMatchWithAKnownActionRunsAndKeywordsNeverReachTheRules) {
    StandinProcess& a = browser();
    startPanel();
    fillBookmarks({"bm1", "bm2"});
    addRule("#\xCD\xA3\xD6\xB9", kOpenLinkAction, "L-stop");  // #停止
    addRule("abc ", kOpenLinkAction, "L-blank");
    addRule("ABC", kOpenLinkAction, "L-upper");
    addRule("two", kOpenLinkAction, "L1");
    addRule("two", kBookmarkAction);
    addRule("rev", kBookmarkAction);
    addRule("rev", kOpenLinkAction, "L2");
    addRule("none", -1, "ignored");
    addRule("none", kOpenLinkAction, "L3");
    addRule("empty", kOpenLinkAction, "");
    addRule("switched", kBookmarkAction, "typed while the link box was enabled");
    addRule("x\r\ny", kOpenLinkAction, "L4");

    for (const char* content : {"#\xCD\xA3\xD6\xB9", "abc", "two", "rev", "none", "empty", "switched", "x\ny", "x\r\ny"}) {
        say(a, content);
    }
    EXPECT_EQ(received(a, kAdjust), (Strings{kToolbarStop}));
    EXPECT_EQ(received(a, kJump), (Strings{"L1", "bm1", "L3", "", "bm2", "L4"})) << dump(a);

    const Table rules = readListView(panel->control(id::kRuleList), kRuleTableColumns);
    ASSERT_EQ(rules.size(), 12u);
    EXPECT_EQ(rules[7], (std::vector<std::string>{"none", "", ""}));
    EXPECT_EQ(rules[10], (std::vector<std::string>{"switched", std::string(text::kActionBookmark), ""}));
    EXPECT_EQ(rules[11][0], "x\r\ny");
}

TEST_F(Notifications, ModifyReplacesEverySelectedRuleWithTheEntryAndKeepsItsPlace) {
    StandinProcess& a = browser();
    startPanel();
    addRule("m", kOpenLinkAction, "old");
    addRule("k", kOpenLinkAction, "K");
    addRule("m", kOpenLinkAction, "second");
    const HWND rules = panel->control(id::kRuleList);

    // Without a selection, or with an empty condition, nothing changes.
    ASSERT_TRUE(addRuleThroughControls(panel->mainWindow(), "", kOpenLinkAction, "x"));
    ASSERT_TRUE(panel->click(id::kRuleModify));
    ASSERT_TRUE(selectRows(rules, {0}));
    ASSERT_TRUE(panel->click(id::kRuleModify));
    // The clicks are posted and the notification is sent, which would be
    // handled first: the clicks are handled before the test goes on.
    ASSERT_TRUE(panel->caughtUp());
    say(a, "m");
    EXPECT_EQ(received(a, kJump), (Strings{"old"}));

    // Load the entry, then "修 改": the first rule now opens "new", still ahead of the third.
    ASSERT_TRUE(sendWithTimeout(panel->control(id::kConditionEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"m")));
    ASSERT_TRUE(sendWithTimeout(panel->control(id::kLinkEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"new")));
    ASSERT_TRUE(panel->click(id::kRuleModify));
    ASSERT_TRUE(waitUntil([&] { return readListView(rules, kRuleTableColumns)[0][2] == "new"; }));
    say(a, "m");
    EXPECT_EQ(received(a, kJump), (Strings{"old", "new"}));

    // Two rows selected: both take the entry.
    ASSERT_TRUE(selectRows(rules, {0, 1}));
    ASSERT_TRUE(addRuleThroughControls(panel->mainWindow(), "", kBookmarkAction, ""));  // picks the action only
    ASSERT_TRUE(sendWithTimeout(panel->control(id::kConditionEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"z")));
    ASSERT_TRUE(panel->click(id::kRuleModify));
    const std::vector<std::string> replaced{"z", std::string(text::kActionBookmark), ""};
    ASSERT_TRUE(waitUntil([&] { return readListView(rules, kRuleTableColumns)[1] == replaced; }));
    EXPECT_EQ(readListView(rules, kRuleTableColumns), (Table{replaced, replaced, {"m", std::string(text::kActionOpenLink), "second"}}));
}

}  // namespace
}  // namespace vuv::e2e
