// The panel's frame seen from outside: caption, pages and their controls,
// status bar, the window-level menu commands, the exit paths, and a message
// channel that answers good transfers and shrugs off bad ones.
#include "e2e/panel_fixture.h"
#include "support/forged_transfer.h"

#include "common/control_ids.h"
#include "e2e/expected_layout.h"
#include "common/encoding_win.h"
#include "common/texts.h"
#include "link/payloads.h"
#include "link/window_source_win.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vuv::e2e {
namespace {

// "vuv|||<command window>■<content>", as a browser sends it.
std::string notification(const StandinProcess& browser, std::string_view content) {
    return notificationPayload(win::toWindowId(browser.commandWindow()), content);
}

class MainWindowTest : public PanelFixture {
protected:
    void SetUp() override {
        PanelFixture::SetUp();
        if (HasFatalFailure()) return;
        writeSettingsWithBrowser();
    }

    void startPanel() {
        panel = std::make_unique<PanelProcess>(sandbox);
        ASSERT_TRUE(panel->ready()) << panel->startError();
    }

    // Texts and right edges of the status bar's fields, read through memory
    // in the panel's process.
    std::vector<std::wstring> statusTexts() {
        HWND status = panel->control(id::kStatusBar);
        std::vector<std::wstring> texts;
        RemoteMemory remote(panel->pid(), 1024);
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(sendWithTimeout(status, SB_GETTEXTW, static_cast<WPARAM>(i), static_cast<LPARAM>(remote.address())));
            wchar_t buffer[256] = {};
            EXPECT_TRUE(remote.read(0, buffer, sizeof buffer - sizeof(wchar_t)));
            texts.emplace_back(buffer);
        }
        return texts;
    }
    std::vector<int> statusEdges() {
        RemoteMemory remote(panel->pid(), 64);
        HWND status = panel->control(id::kStatusBar);
        EXPECT_TRUE(sendWithTimeout(status, SB_GETPARTS, 3, static_cast<LPARAM>(remote.address())));
        int edges[3] = {};
        EXPECT_TRUE(remote.read(0, edges, sizeof edges));
        return {edges[0], edges[1], edges[2]};
    }

};

TEST_F(MainWindowTest, StartsWithCaptionItsPagesAndStatusTexts) {
    startPanel();
    EXPECT_EQ(windowTextGbk(panel->mainWindow()), text::kMainCaption);
    RECT outer{};
    GetWindowRect(panel->mainWindow(), &outer);
    EXPECT_EQ(outer.right - outer.left, expected::kMainWidth);
    EXPECT_EQ(outer.bottom - outer.top, expected::kMainHeight);

    const std::vector<std::string> tabs = readTabs(panel->control(id::kTabs));
    ASSERT_EQ(tabs.size(), expected::pages().size());
    for (std::size_t i = 0; i < tabs.size(); ++i) {
        EXPECT_EQ(win::widen(tabs[i]), expected::pages()[i].title) << i;
    }
    EXPECT_EQ(currentTab(panel->control(id::kTabs)), 0);

    const std::vector<std::wstring> status = statusTexts();
    EXPECT_EQ(status[0], L"默认路径");
    EXPECT_EQ(status[1], L"");
    EXPECT_EQ(status[2], L"vuv beta");
    const std::vector<int> edges = statusEdges();
    EXPECT_EQ(edges[0], expected::kStatusField0);
    EXPECT_EQ(edges[1] - edges[0], expected::kStatusField1);
    EXPECT_EQ(edges[2] - edges[1], expected::kStatusField2);
}

TEST_F(MainWindowTest, EveryControlStandsWhereTheLayoutPutsItAndOnlyItsPageShows) {
    startPanel();
    HWND main = panel->mainWindow();
    HWND tab = panel->control(id::kTabs);
    RECT tabBox{};
    GetWindowRect(tab, &tabBox);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&tabBox), 2);
    EXPECT_EQ(tabBox.left, expected::kTab.x);
    EXPECT_EQ(tabBox.top, expected::kTab.y);
    EXPECT_EQ(tabBox.right - tabBox.left, expected::kTab.w);
    EXPECT_EQ(tabBox.bottom - tabBox.top, expected::kTab.h);
    const auto& pages = expected::pages();
    for (std::size_t shown = 0; shown < pages.size(); ++shown) {
        if (shown != 0) {
            ASSERT_TRUE(selectTab(tab, static_cast<int>(shown)));
        }
        for (std::size_t p = 0; p < pages.size(); ++p) {
            for (const expected::Control& c : pages[p].controls) {
                HWND control = panel->control(c.id);
                ASSERT_NE(control, nullptr) << c.id;
                // A control without a fixed place is checked by Dpi/AppearanceAt
                // (inside its page, clear of the others) and Keyboard (Tab order).
                if (c.box) {
                    RECT r{};
                    GetWindowRect(control, &r);
                    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
                    EXPECT_EQ(r.left, expected::kTab.x + c.box->x) << c.id;
                    EXPECT_EQ(r.top, expected::kTab.y + c.box->y) << c.id;
                    EXPECT_EQ(r.right - r.left, c.box->w) << c.id;
                    if (!c.dropDown) {
                        EXPECT_EQ(r.bottom - r.top, c.box->h) << c.id;
                    }
                }
                EXPECT_EQ(IsWindowVisible(control) != FALSE, p == shown) << "control " << c.id << " page " << shown;
                if (c.caption != nullptr) {
                    EXPECT_EQ(windowText(control), c.caption) << c.id;
                }
            }
        }
    }
    // Initial states.
    EXPECT_EQ(windowText(panel->control(id::kInterval)), L"800");
    EXPECT_FALSE(IsWindowEnabled(panel->control(id::kLinkEdit)));
    for (int box : {id::kDesignatedBox, id::kWapBox, id::kLoopBox}) {
        EXPECT_EQ(sendWithTimeout(panel->control(box), BM_GETCHECK, 0, 0).value_or(-1), BST_UNCHECKED) << box;
    }
}

// A larger window: the middle status field follows the width (width − 160);
// the list grows by as much as the window, the buttons to its right keep
// their distance from the right edge; back at the first size every control
// stands where it stood.
TEST_F(MainWindowTest, GrowingTheWindowGrowsTheListsAndKeepsTheStatusRule) {
    startPanel();
    HWND main = panel->mainWindow();
    HWND list = panel->control(id::kInstanceTable);
    HWND scan = panel->control(id::kScanBrowsers);
    const auto rectOf = [](HWND w) {
        RECT r{};
        GetWindowRect(w, &r);
        return r;
    };
    RECT outer = rectOf(main);
    const RECT listBefore = rectOf(list);
    const RECT scanBefore = rectOf(scan);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    ASSERT_TRUE(SetWindowPos(main, nullptr, 0, 0, width + 111, height + 77, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
    ASSERT_TRUE(waitUntil([&] {
        const std::vector<int> edges = statusEdges();
        return edges[1] - edges[0] == width + 111 - 160;
    }));
    const std::vector<int> edges = statusEdges();
    EXPECT_EQ(edges[0], 60);
    EXPECT_EQ(edges[2] - edges[1], 90);
    const RECT listAfter = rectOf(list);
    const RECT scanAfter = rectOf(scan);
    EXPECT_EQ(listAfter.right - listAfter.left, listBefore.right - listBefore.left + 111);
    EXPECT_EQ(listAfter.bottom - listAfter.top, listBefore.bottom - listBefore.top + 77);
    EXPECT_EQ(scanAfter.left - listAfter.right, scanBefore.left - listBefore.right);
    EXPECT_EQ(scanAfter.right - scanAfter.left, scanBefore.right - scanBefore.left);

    ASSERT_TRUE(SetWindowPos(main, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
    ASSERT_TRUE(waitUntil([&] { return statusEdges()[1] - statusEdges()[0] == width - 160; }));
    const RECT listBack = rectOf(list);
    const RECT scanBack = rectOf(scan);
    EXPECT_EQ(listBack.right - listBack.left, listBefore.right - listBefore.left);
    EXPECT_EQ(listBack.bottom - listBack.top, listBefore.bottom - listBefore.top);
    EXPECT_EQ(scanBack.left - listBack.left, scanBefore.left - listBefore.left);
}

TEST_F(MainWindowTest, AlwaysOnTopTogglesAndTwiceLeavesNormalStacking) {
    startPanel();
    auto topmost = [&] { return (GetWindowLongW(panel->mainWindow(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
    EXPECT_FALSE(topmost());
    ASSERT_TRUE(panel->command(id::kAlwaysOnTop));
    EXPECT_TRUE(waitUntil(topmost));
    ASSERT_TRUE(panel->command(id::kAlwaysOnTop));
    EXPECT_TRUE(waitUntil([&] { return !topmost(); }));
}

TEST_F(MainWindowTest, ExitAndCloseBoxBothSaveTheWapModeAndEndTheProcess) {
    for (bool viaMenu : {true, false}) {
        startPanel();
        if (!viaMenu) {
            // Tick "WAP浏览模式" first: the close box must save it too.
            ASSERT_TRUE(selectTab(panel->control(id::kTabs), 1));
            ASSERT_TRUE(panel->click(id::kWapBox));
            ASSERT_TRUE(waitUntil([&] {
                return sendWithTimeout(panel->control(id::kWapBox), BM_GETCHECK, 0, 0).value_or(0) == BST_CHECKED;
            }));
        }
        if (viaMenu) {
            ASSERT_TRUE(panel->command(id::kExit));
        } else {
            ASSERT_TRUE(PostMessageW(panel->mainWindow(), WM_CLOSE, 0, 0));
        }
        ASSERT_TRUE(waitUntil([&] { return !panel->running(); }));
        const std::optional<std::string> settings = readFileBytes(settingsFile());
        ASSERT_TRUE(settings);
        const std::string wap = std::string(text::kKeyWapMode) + "=" + std::string(viaMenu ? text::kFalse : text::kTrue);
        EXPECT_NE(settings->find(wap), std::string::npos) << *settings;
        // The browser path survives the save.
        EXPECT_NE(settings->find(win::narrow(sandbox.standinExe())), std::string::npos);
        EXPECT_EQ(panel->exceptionCount(), 0) << panel->wineLog();
        panel.reset();
    }
}

TEST_F(MainWindowTest, NotificationIsAcknowledgedAndAnswered) {
    StandinProcess browser(sandbox);
    ASSERT_TRUE(browser.ready());
    startPanel();
    EXPECT_EQ(browser.notify(notification(browser, text::kKeywordRefresh)), std::optional<bool>(true));
    EXPECT_TRUE(browser.waitForRecord(isReceived(std::string(text::kMsgAdjust), toolbarPayload(text::kToolbarRefresh))));
}

// Transfers whose parameters or descriptor are not well formed are dropped:
// no acknowledgement, no effect, and the panel keeps answering.
TEST_F(MainWindowTest, MalformedTransfersLeaveThePanelRunningAndAnswering) {
    StandinProcess browser(sandbox);
    ASSERT_TRUE(browser.ready());
    startPanel();
    const UINT notify = RegisterWindowMessageW(win::widen(text::kMsgNotify).c_str());
    ASSERT_NE(notify, 0u);

    // Bad descriptors in this process's memory below 2 GB, where the wire
    // format's 32-bit addresses can reach them: [reply cell][descriptor].
    const testing_support::LowMemory memory(4096);
    ASSERT_TRUE(memory.ok());
    char* const block = memory.at(0);
    auto wparamFor = [](std::size_t descriptorLength) {
        return testing_support::wParamFor(GetCurrentProcessId(), descriptorLength);
    };
    const std::string replyAt = std::to_string(reinterpret_cast<std::uintptr_t>(block));
    const std::vector<std::string> badDescriptors{
        "12345",                      // no separators
        "1$2",                        // no "&"
        replyAt + "&2$3",             // wrong order
        replyAt + "$-5&4096",         // negative length
        replyAt + "$99999999&4096",   // above the cap
        replyAt + "$1x&4096",         // junk in a number
        replyAt + " $1&4096",         // a blank
    };
    for (const std::string& bad : badDescriptors) {
        block[0] = 0x01;
        std::copy(bad.begin(), bad.end(), block + 1);
        const auto address = static_cast<LPARAM>(reinterpret_cast<std::uintptr_t>(block + 1));
        EXPECT_TRUE(sendWithTimeout(panel->mainWindow(), notify, wparamFor(bad.size()), address)) << bad;
        EXPECT_EQ(block[0], 0x01) << "acknowledged: " << bad;
    }
    // The same block with a sound descriptor is acknowledged: the cases above
    // failed for their descriptors, not for the addresses.
    const std::string good = replyAt + "$0&" + replyAt;
    block[0] = 0x01;
    std::copy(good.begin(), good.end(), block + 1);
    EXPECT_TRUE(sendWithTimeout(panel->mainWindow(), notify, wparamFor(good.size()),
                                static_cast<LPARAM>(reinterpret_cast<std::uintptr_t>(block + 1))));
    EXPECT_EQ(block[0], 0x02);

    // Parameters that do not decode, and descriptors at unmapped addresses.
    for (WPARAM w : {WPARAM{0}, WPARAM{7}, WPARAM{0x7FFFFFFF}, WPARAM{0xFFFFFFFF}, wparamFor(0), wparamFor(99)}) {
        for (LPARAM l : {LPARAM{0}, LPARAM{16}, LPARAM{0x7FFF0000}}) {
            EXPECT_TRUE(sendWithTimeout(panel->mainWindow(), notify, w, l)) << w << " " << l;
        }
    }
    EXPECT_TRUE(panel->running());
    EXPECT_TRUE(sendWithTimeout(panel->mainWindow(), WM_NULL, 0, 0));

    // A good notification still has its effect afterwards.
    EXPECT_EQ(browser.notify(notification(browser, text::kKeywordStop)), std::optional<bool>(true));
    EXPECT_TRUE(browser.waitForRecord(isReceived(std::string(text::kMsgAdjust), toolbarPayload(text::kToolbarStop))));
}

TEST_F(MainWindowTest, WithoutSettingsTheBrowserPathIsAskedForFirst) {
    ASSERT_TRUE(DeleteFileW(settingsFile().c_str()));
    PanelOptions options;
    options.waitForChannel = false;  // the channel opens after the first-run dialog
    panel = std::make_unique<PanelProcess>(sandbox, options);
    ASSERT_TRUE(panel->ready()) << panel->startError();
    const std::optional<MessageBoxInfo> warning = panel->messageBox(win::narrow(L"提醒"));
    ASSERT_TRUE(warning);
    EXPECT_EQ(win::widen(warning->text), L"未设置正确鹭行路径请设置\r\n否则将无法使用批量启动功能");
    ASSERT_TRUE(pressButton(warning->window));
    // Then the path dialog for the browser path.
    HWND dialog = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        for (HWND w : topLevelWindows(panel->pid())) {
            if (IsWindowVisible(w) && windowText(w) == L"设置鹭行的路径（支持文件拖拽）") dialog = w;
        }
        return dialog != nullptr;
    }));
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(dialog); }));
}

}  // namespace
}  // namespace vuv::e2e
