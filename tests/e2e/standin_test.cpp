// The harness and the stand-in browser on their own, without the panel: the
// transfers, posts and orders that panel tests build on arrive as sent.
#include "e2e/harness.h"

#include "common/encoding_win.h"
#include "common/texts.h"
#include "link/channel_win.h"
#include "link/payloads.h"
#include "link/window_source_win.h"

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace vuv::e2e {
namespace {

using win::widen;

std::string dump(const std::vector<StandinRecord>& records) {
    std::string out;
    for (const StandinRecord& r : records) out += r.line.substr(0, 200) + "\n";
    return out;
}

class StandinTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sandbox.ok()) << "lxbr.exe must be built beside the tests";
    }
    Sandbox sandbox;
};

TEST_F(StandinTest, TransfersArriveIntactAtTheAddressedStandinOnly) {
    StandinProcess first(sandbox);
    StandinProcess second(sandbox);
    ASSERT_TRUE(first.ready() && second.ready());
    ASSERT_NE(first.commandWindow(), second.commandWindow());

    // A renaming text whose name straddles "■" and holds a trail byte 0x7C.
    const std::string rename = join({text::kTagBasic, text::kKeyTitle, text::kBars, "\xC5\x7C", text::kSeparator, "x"});
    const std::string url = "http://example.test/a?b=1&c=2";
    std::string big(1024 * 1024, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 251);

    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(win::sendTransfer(first.commandWindow(), text::kMsgAdjust, rename));
    const auto oneTransfer = std::chrono::steady_clock::now() - started;
    EXPECT_TRUE(win::sendTransfer(second.commandWindow(), text::kMsgJump, url));
    EXPECT_TRUE(win::sendTransfer(first.commandWindow(), text::kMsgAdjust, ""));
    EXPECT_TRUE(win::sendTransfer(first.commandWindow(), text::kMsgAdjust, big));

    EXPECT_TRUE(first.waitForRecord(isReceived(std::string(text::kMsgAdjust), rename))) << dump(first.log());
    EXPECT_TRUE(first.waitForRecord(isReceived(std::string(text::kMsgAdjust), "")));
    EXPECT_TRUE(first.waitForRecord(isReceived(std::string(text::kMsgAdjust), big)));
    EXPECT_TRUE(second.waitForRecord(isReceived(std::string(text::kMsgJump), url))) << dump(second.log());
    // Nothing else reached the second one: its start records and the URL.
    EXPECT_EQ(second.log().size(), 3u) << dump(second.log());

    // The rename is carried out as a browser would, so panel tests can see it.
    EXPECT_TRUE(waitUntil([&] { return windowTextGbk(first.frameWindow()) == join({"\xC5\x7C", text::kSeparator, "x"}); }));
    std::cout << "one transfer took " << std::chrono::duration_cast<std::chrono::microseconds>(oneTransfer).count()
              << " us\n";
}

TEST_F(StandinTest, DeafStandinReadsButTheTransferCountsAsFailed) {
    StandinOptions deaf;
    deaf.acknowledge = false;
    StandinProcess standin(sandbox, deaf);
    ASSERT_TRUE(standin.ready());
    EXPECT_FALSE(win::sendTransfer(standin.commandWindow(), text::kMsgAdjust, "vuv|||x"));
    EXPECT_TRUE(standin.waitForRecord(isReceived(std::string(text::kMsgAdjust), "vuv|||x")));
}

TEST_F(StandinTest, HungStandinFailsTheTransferWithinTheChannelTimeout) {
    StandinOptions hung;
    hung.hangMs = 12000;
    StandinProcess standin(sandbox, hung);
    ASSERT_TRUE(standin.ready());
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(win::sendTransfer(standin.commandWindow(), text::kMsgAdjust, "vuv|||x"));
    const auto waited = std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now() - started);
    EXPECT_GE(waited.count(), win::kTransferTimeoutMs - 100);
    // Given up while the stand-in still stalls (it reads the text after its
    // stall, 9 s after the timeout): the send did not wait for it.
    EXPECT_TRUE(standin.waitForRecord(isKind("HANG")));
    EXPECT_FALSE(standin.waitForRecord(isKind("RECV"), Ms{0})) << dump(standin.log());

    // Another transfer goes out while the hung browser still sleeps; when it
    // wakes it must read its own text, not the later one's.
    StandinProcess other(sandbox);
    ASSERT_TRUE(other.ready());
    EXPECT_TRUE(win::sendTransfer(other.commandWindow(), text::kMsgAdjust, "vuv|||later"));
    EXPECT_TRUE(standin.waitForRecord(isReceived(std::string(text::kMsgAdjust), "vuv|||x"), Ms{30000}));
}

// The stand-in finds the panel by caption; here a window of the test plays
// the panel's main window for a moment.
TEST_F(StandinTest, NotificationIsAcknowledgedOnlyByAWindowWithThePanelCaption) {
    const std::wstring caption = widen(text::kMainCaption);
    if (FindWindowW(nullptr, caption.c_str()) != nullptr) GTEST_SKIP() << "a panel is running in this Wine prefix";
    StandinProcess standin(sandbox);
    ASSERT_TRUE(standin.ready());
    const std::string payload = notificationPayload(win::toWindowId(standin.commandWindow()), text::kKeywordRefresh);

    EXPECT_EQ(standin.notify(payload), std::optional<bool>(false));

    struct Counter final : win::TransferHandler {
        int received = 0;
        std::uint32_t sender = 0;
        std::string payload;
        void onTransfer(std::string_view, const win::ReceivedTransfer& transfer) override {
            ++received;
            sender = transfer.senderProcessId;
            payload = transfer.payload;
        }
    };
    static Counter counter;
    const int& received = counter.received;
    HWND fake = CreateWindowExW(0, L"STATIC", caption.c_str(), WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(fake, nullptr);
    ASSERT_TRUE(win::subclassWindow(fake));
    ASSERT_TRUE(win::registerReceiver(text::kMsgNotify, &counter));
    EXPECT_EQ(standin.notify(payload), std::optional<bool>(true));
    EXPECT_EQ(received, 1);
    EXPECT_EQ(counter.sender, standin.pid()) << "the sender's process id comes with each transfer";
    EXPECT_EQ(counter.payload, payload);
    EXPECT_EQ(standin.notifyMany(payload, 20), std::optional<unsigned>(20));
    EXPECT_EQ(received, 21);
    DestroyWindow(fake);

    EXPECT_EQ(standin.notify(payload), std::optional<bool>(false));
    int acked = 0;
    int refused = 0;
    for (const StandinRecord& r : standin.log()) {
        if (r.kind != "NOTIFY") continue;
        EXPECT_EQ(r.bytes, payload);
        (r.numbers[0] == 1 ? acked : refused) += 1;
    }
    EXPECT_EQ(acked, 21);
    EXPECT_EQ(refused, 2);
}

TEST_F(StandinTest, CommandLineIsLoggedByteForByte) {
    // What the panel passes: path, URL, two blanks, time, flag, blank, config.
    StandinOptions options;
    options.arguments = widen("http://a.test/?q=\xD6\xD0\xCE\xC4  0000 \xBC\xD9 C:\\\xC5\xE4\xD6\xC3\\\xA1\xF6.ini");
    StandinProcess standin(sandbox, options);
    ASSERT_TRUE(standin.ready());
    const std::optional<StandinRecord> logged = standin.waitForRecord(isKind("CMDLINE"));
    ASSERT_TRUE(logged);
    EXPECT_EQ(logged->bytes, win::narrow(standin.commandLine()));
    EXPECT_NE(logged->bytes.find("  0000 \xBC\xD9 C:"), std::string::npos);
}

TEST_F(StandinTest, ProxyPostsAreLoggedInOrderAndCloseEndsTheProcess) {
    StandinProcess standin(sandbox);
    ASSERT_TRUE(standin.ready());
    ASSERT_TRUE(PostMessageW(standin.frameWindow(), 10004, 0, 80));
    ASSERT_TRUE(PostMessageW(standin.frameWindow(), 10004, 127 * 10000 + 0, 1 * 10000 + 0));
    ASSERT_TRUE(PostMessageW(standin.frameWindow(), WM_CLOSE, 0, 0));
    ASSERT_TRUE(standin.waitForExit());

    std::vector<std::vector<long long>> posts;
    std::string closed;
    for (const StandinRecord& r : standin.log()) {
        if (r.kind == "POST") posts.push_back(r.numbers);
        if (r.kind == "CLOSE") closed = r.name;
    }
    EXPECT_EQ(posts, (std::vector<std::vector<long long>>{{10004, 0, 80}, {10004, 1270000, 10000}}));
    EXPECT_EQ(closed, "frame");
}

TEST_F(StandinTest, WindowsAndTitlesFollowTheOptions) {
    const std::wstring frameClass = widen(text::kClassFrame);
    const std::wstring commandClass = widen(text::kClassCommand);
    const std::wstring thirdClass = widen(text::kClassThird);
    const auto classes = [&](DWORD pid) {
        return std::vector<std::size_t>{topLevelWindows(pid, frameClass.c_str()).size(),
                                        topLevelWindows(pid, commandClass.c_str()).size(),
                                        topLevelWindows(pid, thirdClass.c_str()).size()};
    };

    StandinOptions noFrame;
    noFrame.frame = false;
    StandinOptions onlyThird;
    onlyThird.onlyThird = true;
    StandinOptions emptyTitle;
    emptyTitle.title = "";
    StandinOptions blankTitle;
    blankTitle.title = " ";
    StandinProcess plain(sandbox), withoutFrame(sandbox, noFrame), third(sandbox, onlyThird),
        empty(sandbox, emptyTitle), blank(sandbox, blankTitle);
    ASSERT_TRUE(plain.ready() && withoutFrame.ready() && third.ready() && empty.ready() && blank.ready());

    EXPECT_EQ(classes(plain.pid()), (std::vector<std::size_t>{1, 1, 1}));
    EXPECT_EQ(classes(withoutFrame.pid()), (std::vector<std::size_t>{0, 1, 1}));
    EXPECT_EQ(classes(third.pid()), (std::vector<std::size_t>{0, 0, 1}));
    EXPECT_TRUE(IsWindowVisible(plain.frameWindow()));
    EXPECT_FALSE(IsWindowVisible(plain.commandWindow()));
    EXPECT_EQ(windowTextGbk(plain.frameWindow()), "Standin " + std::to_string(plain.pid()));
    EXPECT_EQ(windowTextGbk(empty.frameWindow()), "");
    EXPECT_EQ(windowTextGbk(blank.frameWindow()), " ");

    // Orders through WM_COPYDATA, and the toolbar actions the boss key uses.
    EXPECT_TRUE(plain.setTitle("\xB2\xE2\xCA\xD4"));
    EXPECT_EQ(windowTextGbk(plain.frameWindow()), "\xB2\xE2\xCA\xD4");
    EXPECT_FALSE(third.setTitle("x"));
    win::sendBasic(plain.commandWindow(), text::kKeyToolbar, text::kToolbarHide);
    EXPECT_TRUE(waitUntil([&] { return !IsWindowVisible(plain.frameWindow()); }));
    win::sendBasic(plain.commandWindow(), text::kKeyToolbar, text::kToolbarShow);
    EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(plain.frameWindow()) != FALSE; }));
    win::sendBasic(plain.commandWindow(), text::kKeyToolbar, text::kToolbarPageTitle);
    EXPECT_TRUE(waitUntil([&] { return windowTextGbk(plain.frameWindow()) == "Standin " + std::to_string(plain.pid()); }));
}

// A window with the panel's caption that reads each "通知" transfer itself
// and keeps it, for the notifications a stand-in sends by itself.
class NotificationCatcher {
public:
    NotificationCatcher() {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &procedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VuvTestNotificationCatcher";
        RegisterClassExW(&wc);
        received().clear();
        window_ = CreateWindowExW(0, wc.lpszClassName, widen(text::kMainCaption).c_str(), WS_POPUP, 0, 0, 10, 10,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~NotificationCatcher() {
        if (window_ != nullptr) DestroyWindow(window_);
    }
    NotificationCatcher(const NotificationCatcher&) = delete;
    NotificationCatcher& operator=(const NotificationCatcher&) = delete;

    [[nodiscard]] bool ok() const noexcept { return window_ != nullptr; }
    static std::vector<win::ReceivedTransfer>& received() {
        static std::vector<win::ReceivedTransfer> all;
        return all;
    }

private:
    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        static const UINT notify = win::registeredMessage(text::kMsgNotify);
        if (notify != 0 && message == notify) {
            if (std::optional<win::ReceivedTransfer> transfer = win::receiveTransfer(wParam, lParam)) {
                received().push_back(std::move(*transfer));
            }
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    HWND window_ = nullptr;
};

// The options that make a copy the panel starts send by itself, given on
// the command line or (as the panel's copies inherit it) in the environment.
TEST_F(StandinTest, SendsLinkRecordsAndAsksForBookmarksByItself) {
    if (FindWindowW(nullptr, widen(text::kMainCaption).c_str()) != nullptr) {
        GTEST_SKIP() << "a panel is running in this Wine prefix";
    }
    NotificationCatcher catcher;
    ASSERT_TRUE(catcher.ok());
    auto& received = NotificationCatcher::received();

    StandinOptions counting;
    counting.environment = {{L"VUV_STANDIN_OPTIONS", L"--standin-notify=5,20"}};
    StandinProcess sender(sandbox, counting);
    ASSERT_TRUE(sender.ready());
    ASSERT_TRUE(waitUntil([&] { return received.size() >= 5; }, Ms{20000})) << received.size();
    const std::string pid = std::to_string(sender.pid());
    for (std::size_t i = 0; i < received.size(); ++i) {
        EXPECT_EQ(received[i].senderProcessId, sender.pid());
        EXPECT_EQ(received[i].payload, recordPayload(text::kTagLinkCode, pid, pid + "-" + std::to_string(i + 1)));
    }

    // Asks, reports what it was given and asks again, twice in all.
    received.clear();
    StandinOptions asking;
    asking.arguments = L"--standin-bookmarks=2";
    StandinProcess reader(sandbox, asking);
    ASSERT_TRUE(reader.ready());
    const std::string readerPid = std::to_string(reader.pid());
    const std::string ask = notificationPayload(win::toWindowId(reader.commandWindow()), text::kKeywordBookmark);
    for (const char* address : {"http://b.test/1", "http://b.test/2"}) {
        ASSERT_TRUE(waitUntil([&] { return !received.empty(); }, Ms{20000}));
        EXPECT_EQ(received.back().payload, ask);
        received.clear();
        EXPECT_EQ(win::sendOpenLink(reader.commandWindow(), address), win::Delivery::Acknowledged);
        ASSERT_TRUE(waitUntil([&] { return !received.empty(); }, Ms{20000}));
        EXPECT_EQ(received.front().payload,
                  recordPayload(text::kTagLinkCode, readerPid, std::string(address) + "#" + readerPid));
        received.erase(received.begin());
    }
    // No third request: the next thing the catcher hears is an order's.
    EXPECT_TRUE(reader.notify("end").has_value());
    ASSERT_TRUE(waitUntil([&] { return !received.empty(); }));
    EXPECT_EQ(received.front().payload, "end");
}

}  // namespace
}  // namespace vuv::e2e
