// The panel without a mouse: Ctrl+Tab and Ctrl+Shift+Tab switch pages (with
// the same effect as a click on a tab), Tab walks the current page in layout
// order, and every small dialog takes Tab in layout order and Esc as cancel.
// Keys are typed with SendInput, as a keyboard would, into whichever panel
// window has the focus.
#include "e2e/instance_fixture.h"

#include "e2e/expected_layout.h"

namespace vuv::e2e {
namespace {

void press(WORD vk, std::initializer_list<WORD> modifiers = {}) { pressKey(vk, modifiers); }

// The control with the keyboard focus in the thread of window.
HWND focusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

int focusedId(HWND window) {
    HWND focus = focusOf(window);
    return focus != nullptr ? GetDlgCtrlID(focus) : 0;
}

// Presses Tab (Shift+Tab when backwards) until the sequence of focused
// control ids has as many entries as expected, and returns it.
std::vector<int> tabWalk(HWND window, std::size_t steps, bool backwards = false) {
    std::vector<int> seen;
    for (std::size_t i = 0; i < steps; ++i) {
        const HWND before = focusOf(window);
        if (backwards) {
            press(VK_TAB, {VK_SHIFT});
        } else {
            press(VK_TAB);
        }
        waitUntil([&] { return focusOf(window) != before; }, Ms{3000});
        seen.push_back(focusedId(window));
    }
    return seen;
}

// Dialog control ids, from the program's own header.
using namespace id::dialog;
constexpr int kProxyField = kPromptField;
constexpr int kAddressConfirm = IDOK;

class Keyboard : public InstanceFixture {
protected:
    HWND tab() const { return panel->control(id::kTabs); }
    bool pageIs(int page) const {
        return waitUntil([&] { return currentTab(tab()) == page; }, Ms{3000});
    }
    // Only the controls of page are shown.
    void expectOnlyPageShown(int page) const {
        const auto& pages = expected::pages();
        for (std::size_t p = 0; p < pages.size(); ++p) {
            for (const expected::Control& c : pages[p].controls) {
                EXPECT_EQ(IsWindowVisible(panel->control(c.id)) != FALSE, static_cast<int>(p) == page) << c.id << " on " << page;
            }
        }
    }
    void focusMainWindow() {
        SetForegroundWindow(panel->mainWindow());
        ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == panel->mainWindow(); }, Ms{3000}));
    }
};

TEST_F(Keyboard, CtrlTabSwitchesPagesBothWaysAndTheInstancePageRescansAsOnAClick) {
    browser();
    startPanel();
    focusMainWindow();
    for (int page = 1; page < id::kPageCount; ++page) {
        press(VK_TAB, {VK_CONTROL});
        ASSERT_TRUE(pageIs(page));
        expectOnlyPageShown(page);
    }
    // A browser started meanwhile is listed once the first page comes back.
    browser();
    ASSERT_TRUE(browsers.back()->ready());
    EXPECT_EQ(readListView(table).size(), 1u);
    press(VK_TAB, {VK_CONTROL});  // from the last page round to the first
    ASSERT_TRUE(pageIs(id::kInstancesPage));
    expectOnlyPageShown(id::kInstancesPage);
    EXPECT_TRUE(waitUntil([&] { return readListView(table).size() == 2; }));

    press(VK_TAB, {VK_CONTROL, VK_SHIFT});  // backwards, round to the last page (集群)
    ASSERT_TRUE(pageIs(id::kClusterPage));
    press(VK_TAB, {VK_CONTROL, VK_SHIFT});
    ASSERT_TRUE(pageIs(id::kLogPage));
    expectOnlyPageShown(id::kLogPage);
    // The tab control has the focus after a switch, as after a click.
    EXPECT_EQ(focusOf(panel->mainWindow()), tab());
}

TEST_F(Keyboard, TabWalksTheCurrentPageInLayoutOrderAndAMultiLineBoxKeepsItsTab) {
    startPanel();
    focusMainWindow();
    press(VK_TAB, {VK_CONTROL});
    ASSERT_TRUE(pageIs(id::kLaunchPage));
    ASSERT_EQ(focusOf(panel->mainWindow()), tab());

    // 标签1 and the label take no focus.
    const std::vector<int> launchOrder{id::kLaunchClear, id::kLaunchTextImport,      id::kLaunchFileImport,  id::kLaunchExport,  id::kLaunchAll, id::kInterval,
                                       id::kLaunchList, id::kDesignatedBox, id::kWapBox, id::kTabs};
    EXPECT_EQ(tabWalk(panel->mainWindow(), launchOrder.size()), launchOrder);
    std::vector<int> back(launchOrder.rbegin() + 1, launchOrder.rend());
    back.push_back(id::kTabs);
    EXPECT_EQ(tabWalk(panel->mainWindow(), back.size(), true), back);

    // On the rules page the disabled link box is passed over; in the
    // condition box Tab is typed as text, as it always was.
    press(VK_TAB, {VK_CONTROL});
    ASSERT_TRUE(pageIs(id::kRulesPage));
    const std::vector<int> rulesStart{id::kRuleList, id::kConditionEdit};
    EXPECT_EQ(tabWalk(panel->mainWindow(), rulesStart.size()), rulesStart);
    press(VK_TAB);
    EXPECT_TRUE(waitUntil([&] { return windowText(panel->control(id::kConditionEdit)) == L"\t"; }, Ms{3000}))
        << win::narrow(windowText(panel->control(id::kConditionEdit)));
    EXPECT_EQ(focusedId(panel->mainWindow()), id::kConditionEdit);
}

// On every page Tab goes from the tab control through the controls that take
// the focus in the order of the page's rows and back to the tab control, and
// Shift+Tab the other way. A multi-line edit box keeps Tab for itself, so a
// walk ends there: forwards it covers the rows before the first such box,
// backwards those after the last; together every row.
TEST_F(Keyboard, TabOnEveryPageFollowsItsRowsBothWays) {
    startPanel();
    focusMainWindow();
    const auto& pages = expected::pages();
    // Page p current and the tab control focused: to the next page and back,
    // as a page switch leaves the focus on the tab control.
    const auto onTabControlOf = [&](std::size_t p) {
        press(VK_TAB, {VK_CONTROL});
        if (!pageIs(static_cast<int>((p + 1) % pages.size()))) return false;
        press(VK_TAB, {VK_CONTROL, VK_SHIFT});
        return pageIs(static_cast<int>(p)) &&
               waitUntil([&] { return focusOf(panel->mainWindow()) == tab(); }, Ms{3000});
    };
    for (std::size_t p = 0; p < pages.size(); ++p) {
        SCOPED_TRACE(win::narrow(pages[p].title));
        if (p != 0) {
            press(VK_TAB, {VK_CONTROL});
            ASSERT_TRUE(pageIs(static_cast<int>(p)));
        }
        // What takes the focus, read from the running controls.
        std::vector<int> takers;
        std::vector<bool> keepsTab;
        for (const expected::Control& c : pages[p].controls) {
            HWND control = panel->control(c.id);
            const LONG style = GetWindowLongW(control, GWL_STYLE);
            if ((style & WS_TABSTOP) == 0 || !IsWindowEnabled(control)) continue;
            takers.push_back(c.id);
            keepsTab.push_back(className(control) == L"Edit" && (style & ES_MULTILINE) != 0);
        }
        ASSERT_FALSE(takers.empty());

        std::vector<int> forwards;
        for (std::size_t i = 0; i < takers.size(); ++i) {
            forwards.push_back(takers[i]);
            if (keepsTab[i]) break;
        }
        if (forwards.size() == takers.size() && !keepsTab.back()) forwards.push_back(id::kTabs);
        ASSERT_TRUE(onTabControlOf(p));
        EXPECT_EQ(tabWalk(panel->mainWindow(), forwards.size()), forwards);

        std::vector<int> backwards;
        for (std::size_t i = takers.size(); i-- > 0;) {
            backwards.push_back(takers[i]);
            if (keepsTab[i]) break;
        }
        if (backwards.size() == takers.size() && !keepsTab.front()) backwards.push_back(id::kTabs);
        ASSERT_TRUE(onTabControlOf(p));
        EXPECT_EQ(tabWalk(panel->mainWindow(), backwards.size(), true), backwards);
    }
}

// Enter confirms: in the proxy prompt from its field, in the address list
// from its buttons (in the text box Enter starts a new line).
TEST_F(Keyboard, EnterConfirmsTheProxyPromptAndTheAddressList) {
    StandinProcess& target = browser();
    startPanel();
    select({0});
    ASSERT_TRUE(panel->command(id::kSetProxy));
    HWND prompt = findDialog(panel->pid(), L"批量设置WAP模式代理IP");
    ASSERT_NE(prompt, nullptr);
    ASSERT_TRUE(setEditText(findDescendant(prompt, L"Edit", nullptr), "127.0.0.1:80"));
    ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == prompt; }, Ms{3000}));
    press(VK_RETURN);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(prompt); }));
    EXPECT_TRUE(target.waitForRecord(isKind("POST"))) << dump(target);

    ASSERT_TRUE(selectTab(tab(), id::kLaunchPage));
    ASSERT_TRUE(panel->click(id::kLaunchTextImport));
    HWND list = findDialog(panel->pid(), L"输入需要访问的地址");
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(setEditText(findDescendant(list, L"Edit", nullptr), "http://a.example/\r\nhttp://b.example/"));
    ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == list && focusOf(list) != nullptr; }, Ms{3000}));
    HWND box = findDescendant(list, L"Edit", nullptr);
    const std::size_t typed = windowText(box).size();
    press(VK_RETURN);  // a new line in the box, nothing else
    EXPECT_TRUE(waitUntil([&] { return windowText(box).size() == typed + 2; }, Ms{3000}));
    EXPECT_TRUE(IsWindow(list));
    EXPECT_EQ(tabWalk(list, 2), (std::vector<int>{kAddressClear, kAddressConfirm}));
    press(VK_RETURN);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(list); }));
    EXPECT_TRUE(waitUntil([&] { return readListView(panel->control(id::kLaunchList)).size() == 2; }));
}

// Each dialog, opened by its command: the order Tab takes through it from
// where the focus starts, and Esc closing it without any effect.
struct DialogCase {
    const char* name;
    int command;  // a menu command, or a button clicked with BM_CLICK
    bool isButton;
    const wchar_t* caption;
    std::vector<int> tabOrder;  // control ids from the first Tab on
};

void PrintTo(const DialogCase& c, std::ostream* out) { *out << c.name; }

class DialogKeys : public Keyboard, public ::testing::WithParamInterface<DialogCase> {};

TEST_P(DialogKeys, TabFollowsTheLayoutAndEscCancels) {
    const DialogCase& c = GetParam();
    browser();
    startPanel();
    select({0});
    if (c.isButton) {
        ASSERT_TRUE(panel->click(c.command));
    } else {
        ASSERT_TRUE(panel->command(c.command));
    }
    HWND dialog = findDialog(panel->pid(), c.caption);
    ASSERT_NE(dialog, nullptr) << c.name;
    ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == dialog && focusOf(dialog) != nullptr; }, Ms{3000}));

    EXPECT_EQ(tabWalk(dialog, c.tabOrder.size()), c.tabOrder) << c.name;

    press(VK_ESCAPE);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(dialog); }, Ms{5000})) << c.name << " stayed open after Esc";
    // Nothing reached the browser and nothing else opened: the panel sends
    // to browsers and opens boxes while it handles a message, so all of it
    // would be done once a later message has been handled.
    ASSERT_TRUE(panel->caughtUp());
    EXPECT_TRUE(received(*browsers.front(), text::kMsgAdjust).empty()) << dump(*browsers.front());
    EXPECT_TRUE(received(*browsers.front(), text::kMsgJump).empty()) << dump(*browsers.front());
    EXPECT_EQ(panel->modalWindows(), "");
}


INSTANTIATE_TEST_SUITE_P(
    Dialogs, DialogKeys,
    ::testing::Values(
        DialogCase{"path", id::kSetDefaultConfig, false, L"选择需要设置的默认配置",
                   {kPathBrowse, kPathConfirm, kPathField, kPathBrowse}},
        DialogCase{"input", id::kOpenLink, false, L"输入要访问的地址", {kInputButton, kInputField, kInputButton}},
        DialogCase{"proxy", id::kSetProxy, false, L"批量设置WAP模式代理IP", {IDOK, IDCANCEL, kProxyField, IDOK}},
        DialogCase{"rename", id::kRename, false, L"输入要取的名字", {kRenameConfirm, kRenameField, kRenameConfirm}},
        DialogCase{"addresses", id::kLaunchTextImport, true, L"输入需要访问的地址",
                   {kAddressClear, kAddressConfirm, kAddressText, kAddressClear}},
        DialogCase{"proxylist", id::kProxyList, false, L"按列表设置代理IP",
                   {IDOK, IDCANCEL, kProxyListText, IDOK}},
        DialogCase{"launchsettings", id::kLaunchSettings, false, L"启动设置",
                   {kJitterField, IDOK, IDCANCEL, kMaxRunningField, kJitterField}}),
    [](const ::testing::TestParamInfo<DialogCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vuv::e2e
