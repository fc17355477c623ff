// The proxy prompt, the rename dialog and the boss key, driven from outside
// against stand-in browsers.
#include "e2e/instance_fixture.h"

#include <map>

namespace vuv::e2e {
namespace {

const std::string kAdjust(text::kMsgAdjust);

std::vector<std::vector<long long>> posts(StandinProcess& standin) {
    std::vector<std::vector<long long>> found;
    for (const StandinRecord& r : standin.log()) {
        if (r.kind == "POST") found.push_back(r.numbers);
    }
    return found;
}

// ---------------------------------------------------------------------------
// 设置代理IP

class ProxyPrompt : public InstanceFixture {
protected:
    // Answers the prompt (it must start empty) with typed and a button.
    bool answer(const std::string& typed, const wchar_t* button = L"确定") {
        HWND prompt = findDialog(panel->pid(), L"批量设置WAP模式代理IP");
        HWND field = findDescendant(prompt, L"Edit", nullptr);
        return field != nullptr && windowText(field).empty() && setEditText(field, typed) &&
               clickAndWaitGone(prompt, button);
    }
};

TEST_F(ProxyPrompt, AsksAgainAfterABadAddressAndPostsToTheSelectedFramesInOrder) {
    browser();
    browser();
    browser();
    startPanel();
    select({0, 2});
    ASSERT_TRUE(panel->command(id::kSetProxy));
    // The prompt's two lines are joined by a lone carriage return.
    EXPECT_NE(findDescendant(findDialog(panel->pid(), L"批量设置WAP模式代理IP"), L"Static",
                             L"格式为： IP地址:端口\r如： 127.0.0.1:80"),
              nullptr);
    ASSERT_TRUE(answer("1.2.3:80"));
    const std::optional<MessageBoxInfo> box = panel->messageBox("\xCA\xE4\xC8\xEB\xB4\xED\xCE\xF3");  // 输入错误
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "IP\xCA\xE4\xC8\xEB\xB4\xED\xCE\xF3\xA3\xAC\xC7\xEB\xB8\xF9\xBE\xDD\xCC\xE1\xCA\xBE"
                         "\xB8\xF1\xCA\xBD\xCA\xE4\xC8\xEB\xA1\xA3");  // IP输入错误，请根据提示格式输入。
    ASSERT_TRUE(pressButton(box->window));
    // Blanks anywhere, ASCII and full-width, are dropped before the check.
    ASSERT_TRUE(answer(" 127. 0.0.1 \xA1\xA1: 8080"));
    for (int row : {0, 2}) {
        StandinProcess& s = atRow(row);
        ASSERT_TRUE(waitUntil([&] { return posts(s).size() >= 2; })) << dump(s);
        EXPECT_EQ(posts(s), (std::vector<std::vector<long long>>{{10004, 0, 8080}, {10004, 1270000, 10000}}));
    }

    // An empty address part counts as 0, nothing after the colon is port 0;
    // a cancelled prompt posts nothing before the next one.
    const auto ask = [&](const std::string& typed, const wchar_t* button) {
        ASSERT_TRUE(panel->command(id::kSetProxy));
        ASSERT_TRUE(answer(typed, button)) << typed;
    };
    ask("1..2.3:", L"确定");
    ask("4.4.4.4:4", L"取消");
    ask("9.9.9.9:9", L"确定");
    StandinProcess& first = atRow(0);
    ASSERT_TRUE(waitUntil([&] { return posts(first).size() >= 6; })) << dump(first);
    EXPECT_EQ(posts(first), (std::vector<std::vector<long long>>{{10004, 0, 8080},
                                                                 {10004, 1270000, 10000},
                                                                 {10004, 0, 0},
                                                                 {10004, 10002, 30000},
                                                                 {10004, 0, 9},
                                                                 {10004, 90009, 90009}}));
    EXPECT_TRUE(posts(atRow(1)).empty()) << dump(atRow(1));
}

// A copy in tab mode has no frame window: it gets no post, the run log says
// its setting was refused and its 代理 stays empty; the framed copy's posts
// are logged as posted (nothing acknowledges a post) and its 代理 is set.
TEST_F(ProxyPrompt, ACopyWithoutFrameGetsNothingAndItsRefusalIsLogged) {
    startFramedAndTabbedSelected();
    StandinProcess& framed = *browsers[0];
    StandinProcess& frameless = *browsers[1];
    ASSERT_TRUE(panel->command(id::kSetProxy));
    ASSERT_TRUE(answer("10.0.0.1:3128"));
    ASSERT_TRUE(waitUntil([&] { return posts(framed).size() >= 2; })) << dump(framed);
    ASSERT_TRUE(panel->caughtUp());

    // Commands logged per process id; the run log may show them a tick late.
    const auto commandsOf = [&](const StandinProcess& b) { return logRows(*panel, text::kEventCommand, b.pid()); };
    const std::string setting = "10004 10.0.0.1:3128 -> ";
    EXPECT_TRUE(waitUntil([&] { return !commandsOf(framed).empty() && !commandsOf(frameless).empty(); }));
    EXPECT_EQ(commandsOf(framed), std::vector<std::string>{setting + std::string(text::kOutcomePosted)});
    EXPECT_EQ(commandsOf(frameless), std::vector<std::string>{setting + std::string(text::kOutcomeRefused)});

    constexpr std::size_t kProxyColumn = 6;  // 代理
    std::map<std::string, std::string> shown;
    for (const auto& row : readListView(table)) shown[row.at(0)] = row.at(kProxyColumn);
    EXPECT_EQ(shown[std::to_string(framed.pid())], "10.0.0.1:3128");
    EXPECT_EQ(shown[std::to_string(frameless.pid())], "");
}

// ---------------------------------------------------------------------------
// 给鹭行取名

using RenameDialog = InstanceFixture;

TEST_F(RenameDialog, SendsTheNameOrThePageTitleActionToTheRowsSelectedAtConfirmation) {
    browser();
    browser();
    browser();
    startPanel();
    const std::wstring caption = L"输入要取的名字，空白将默认网页名字";

    // Without a selection the dialog does not open: once the panel has
    // handled a later message, no modal window is there.
    select({});
    ASSERT_TRUE(panel->command(id::kRename));
    ASSERT_TRUE(panel->caughtUp());
    EXPECT_EQ(panel->modalWindows(), "");
    EXPECT_EQ(findDialog(panel->pid(), caption, Ms{0}), nullptr);

    // A name, sent unchanged ("|||" included), to rows 0 and 1.
    const std::string name = "\xD0\xC2\xC3\xFB|||\xD7\xD6 ";  // 新名|||字 and a blank
    select({0, 1});
    ASSERT_TRUE(panel->command(id::kRename));
    HWND dialog = findDialog(panel->pid(), caption);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(setEditText(findDescendant(dialog, L"Edit", nullptr), name));
    ASSERT_TRUE(clickAndWaitGone(dialog, L"确定"));
    const std::string renamed = titlePayload(name);
    for (int row : {0, 1}) {
        EXPECT_TRUE(atRow(row).waitForRecord(isReceived(kAdjust, renamed))) << dump(atRow(row));
    }

    // An empty name confirmed with Enter; the selection moves while it is open.
    ASSERT_TRUE(panel->command(id::kRename));
    dialog = findDialog(panel->pid(), caption);
    ASSERT_NE(dialog, nullptr);
    select({2});
    HWND edit = findDescendant(dialog, L"Edit", nullptr);
    ASSERT_TRUE(PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0x001C0001));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog); }));
    const std::string pageTitle = toolbarPayload(text::kToolbarPageTitle);
    EXPECT_TRUE(atRow(2).waitForRecord(isReceived(kAdjust, pageTitle))) << dump(atRow(2));

    EXPECT_EQ(received(atRow(0), kAdjust), std::vector<std::string>{renamed});
    EXPECT_EQ(received(atRow(1), kAdjust), std::vector<std::string>{renamed});
    EXPECT_EQ(received(atRow(2), kAdjust), std::vector<std::string>{pageTitle});
}

// ---------------------------------------------------------------------------
// 超级老板键

class BossKeyTest : public InstanceFixture {
protected:
    void TearDown() override {
        if (keyTaker_ != nullptr) DestroyWindow(keyTaker_);
        InstanceFixture::TearDown();
    }

    // Gives the keyboard to a window of the test: Wine keeps the global key
    // state only for input that some window takes, and once the panel and
    // the browsers hide there may be none.
    void takeKeyboard() {
        if (keyTaker_ == nullptr) {
            keyTaker_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
        }
        SetForegroundWindow(keyTaker_);
    }

    static void send(WORD vk, bool down) { sendKey(vk, down); }

    // Presses or releases the key and waits until the desktop's key state,
    // the one the panel polls, shows it. Wine records a key only when some
    // window takes it: focus changes still in flight (a dialog just closed,
    // the panel hiding) can leave no window active, so the keyboard is taken
    // again and the key sent again until the state follows.
    void key(WORD vk, bool down) {
        const auto shown = [&] { return ((GetAsyncKeyState(vk) & 0x8000) != 0) == down; };
        send(vk, down);
        bool ok = waitUntil(shown, Ms{300});
        for (int attempt = 0; !ok && attempt < 20; ++attempt) {
            if (keyTaker_ != nullptr) SetForegroundWindow(keyTaker_);
            send(vk, down);
            ok = waitUntil(shown, Ms{500});
        }
        ASSERT_TRUE(ok) << "the desktop never showed key " << vk << (down ? " down" : " up");
    }

    // Posts a key-down to the capture box and waits until it shows expected.
    static bool type(HWND edit, WPARAM vk, const wchar_t* expected) {
        PostMessageW(edit, WM_KEYDOWN, vk, 1);
        return waitUntil([&] { return windowText(edit) == expected; }, Ms{3000});
    }

    HWND openDialog() {
        if (!panel->command(id::kSetBossKey)) return nullptr;
        return findDialog(panel->pid(), L"设置老板键");
    }

    bool mainVisible() const { return IsWindowVisible(panel->mainWindow()) != FALSE; }

    // Presses the key and holds it until the main window's visibility is
    // visible, then releases it; true once the panel is back in its message
    // loop and the window still is as wanted (hiding a window takes Wine up
    // to 2 s without a window manager, and the panel and each browser hide
    // in turn). That a held key toggles once, and that only a press after a
    // poll that saw the key up toggles, is shown tick by tick in one process
    // (tests/win/boss_key_test.cpp): from outside, the panel's polls cannot
    // be seen.
    bool pressUntil(WORD vk, bool visible) {
        bool reached = false;
        // A toggle is a press after a poll that saw the key up: released
        // first, whatever state earlier input left it in, for a few poll
        // periods. Should no poll have come meanwhile (a busy machine), the
        // press does not count: released again, for longer each time.
        Ms released = Ms{150};
        for (int attempt = 0; attempt < 6 && !reached; ++attempt, released *= 2) {
            key(vk, false);
            static_cast<void>(waitUntil([] { return false; }, released));
            key(vk, true);
            // When a window of Wine gets the X focus, Wine lines its key
            // state up with the X server's, where an injected key is not
            // down: pressed again while it is not shown down.
            reached = waitUntil(
                [&] {
                    if (mainVisible() == visible) return true;
                    if ((GetAsyncKeyState(vk) & 0x8000) == 0) send(vk, true);
                    return false;
                },
                Ms{5000});
        }
        key(vk, false);
        return reached && backInLoop() && mainVisible() == visible;
    }

    // A posted command is handled only from the message loop: its flash
    // reaching the selected browser shows the panel got there.
    bool backInLoop() {
        if (!selectRows(table, {0})) return false;  // a rescan clears the selection
        StandinProcess& selected = atRow(0);
        const std::string flash = join({text::kTagVuv, text::kCommandFlash});
        const std::size_t before = count(selected, flash);
        if (!panel->command(id::kFlash)) return false;
        return waitUntil([&] { return count(selected, flash) > before; }, Ms{20000});
    }

    static std::size_t count(StandinProcess& s, const std::string& payload) {
        std::size_t n = 0;
        for (const std::string& p : received(s, kAdjust)) n += p == payload ? 1 : 0;
        return n;
    }

    HWND keyTaker_ = nullptr;
};

TEST_F(BossKeyTest, CaptureBoxShowsTheKeyAndRefusesSomeAndNeverInsertsText) {
    startPanel();
    HWND dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    HWND edit = findDescendant(dialog, L"Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(type(edit, 'Q', L"Q"));
    EXPECT_TRUE(type(edit, VK_F5, L""));     // refused: emptied
    EXPECT_TRUE(type(edit, VK_F8, L"F8"));   // shown by name
    // Keys that leave the box alone: handled in order before a later message.
    PostMessageW(edit, WM_KEYDOWN, VK_SHIFT, 1);  // ignored
    PostMessageW(edit, WM_CHAR, 'x', 1);          // never inserted by the edit itself
    ASSERT_TRUE(panel->caughtUp());
    EXPECT_EQ(windowText(edit), L"F8");
    EXPECT_TRUE(type(edit, VK_RETURN, L"Enter"));  // captured, does not confirm
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_TRUE(type(edit, 'W', L"W"));
    ASSERT_TRUE(clickAndWaitGone(dialog, L"确定"));
}

TEST_F(BossKeyTest, KeyHidesThePanelAndEveryBrowserAndShowsThemAgainAfterARescan) {
    StandinProcess& a = browser();
    StandinProcess& b = browser();
    startPanel();

    HWND dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(type(findDescendant(dialog, L"Edit", nullptr), VK_F8, L"F8"));
    ASSERT_TRUE(clickAndWaitGone(dialog, L"确定"));
    takeKeyboard();

    const std::string hide = toolbarPayload(text::kToolbarHide);
    const std::string show = toolbarPayload(text::kToolbarShow);
    ASSERT_TRUE(pressUntil(VK_F8, false));
    for (StandinProcess* s : {&a, &b}) {
        ASSERT_TRUE(s->waitForRecord(isReceived(kAdjust, hide))) << dump(*s);
        EXPECT_TRUE(waitUntil([&] { return !IsWindowVisible(s->frameWindow()); }));
    }

    // A browser started while hidden is listed by the rescan on showing.
    StandinProcess& late = browser();
    ASSERT_TRUE(late.ready());
    ASSERT_TRUE(pressUntil(VK_F8, true));
    for (StandinProcess* s : {&a, &b, &late}) {
        EXPECT_TRUE(s->waitForRecord(isReceived(kAdjust, show))) << dump(*s);
    }
    EXPECT_EQ(count(a, hide), 1u);
    EXPECT_EQ(count(late, hide), 0u);
    EXPECT_EQ(readListView(table).size(), 3u);

    // An empty box switches the boss key off, even with a key in force (that
    // the poll stops is shown in one process, tests/win/boss_key_test.cpp).
    dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(type(findDescendant(dialog, L"Edit", nullptr), VK_F8, L"F8"));
    ASSERT_TRUE(type(findDescendant(dialog, L"Edit", nullptr), VK_F5, L""));
    ASSERT_TRUE(clickAndWaitGone(dialog, L"确定"));
    takeKeyboard();
    key(VK_F8, true);
    key(VK_F8, false);
    ASSERT_TRUE(backInLoop());
    EXPECT_TRUE(mainVisible());
    EXPECT_EQ(count(a, hide), 1u);
}

}  // namespace
}  // namespace vuv::e2e
