// The shared queue end to end: the real panel and stand-in browsers against
// a real Redis server, which scripts/with-redis starts for this program on a
// free loopback port and stops when it ends. The test reads and feeds the
// server with the same client library the panel uses.
#include "e2e/instance_fixture.h"
#include "e2e/notification_helpers.h"
#include "e2e/pictures.h"
#include "standin/protocol.h"

#include "common/control_ids.h"
#include "common/encoding_win.h"
#include "common/texts.h"

#include <hiredis/hiredis.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace vuv::e2e {
namespace {

using Clock = std::chrono::steady_clock;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The test's own connection to the server.
class Redis {
public:
    struct Value {
        long long integer = 0;
        std::string text;
        std::vector<Value> elements;
        bool error = false;
        bool nil = false;
    };

    Redis() { reconnect(); }
    ~Redis() {
        if (context_ != nullptr) redisFree(context_);
    }
    bool reconnect() {
        if (context_ != nullptr) redisFree(context_);
        timeval timeout{2, 0};
        context_ = redisConnectWithTimeout("127.0.0.1", port(), timeout);
        if (context_ != nullptr && context_->err == 0) {
            redisSetTimeout(context_, timeval{5, 0});
            return true;
        }
        if (context_ != nullptr) redisFree(context_);
        context_ = nullptr;
        return false;
    }
    [[nodiscard]] bool ok() const { return context_ != nullptr; }
    static int port() { return std::atoi(environment("VUV_REDIS_PORT").c_str()); }

    std::optional<Value> run(const std::vector<std::string>& args) {
        if (context_ == nullptr && !reconnect()) return std::nullopt;
        std::vector<const char*> argv;
        std::vector<std::size_t> lengths;
        for (const std::string& a : args) {
            argv.push_back(a.data());
            lengths.push_back(a.size());
        }
        auto* reply = static_cast<redisReply*>(
            redisCommandArgv(context_, static_cast<int>(argv.size()), argv.data(), lengths.data()));
        if (reply == nullptr) {
            redisFree(context_);
            context_ = nullptr;
            return std::nullopt;
        }
        Value v = valueOf(reply);
        freeReplyObject(reply);
        return v;
    }
    // Sends the commands in one round trip; true when every one succeeded.
    bool pipeline(const std::vector<std::vector<std::string>>& commands) {
        if (context_ == nullptr && !reconnect()) return false;
        for (const auto& args : commands) {
            std::vector<const char*> argv;
            std::vector<std::size_t> lengths;
            for (const std::string& a : args) {
                argv.push_back(a.data());
                lengths.push_back(a.size());
            }
            if (redisAppendCommandArgv(context_, static_cast<int>(argv.size()), argv.data(), lengths.data()) != REDIS_OK) {
                return false;
            }
        }
        bool ok = true;
        for (std::size_t i = 0; i < commands.size(); ++i) {
            void* reply = nullptr;
            if (redisGetReply(context_, &reply) != REDIS_OK || reply == nullptr) return false;
            ok = ok && static_cast<redisReply*>(reply)->type != REDIS_REPLY_ERROR;
            freeReplyObject(reply);
        }
        return ok;
    }
    long long integer(const std::vector<std::string>& args) {
        const auto v = run(args);
        return v ? v->integer : -1;
    }
    // The group's pending entries and lag (XINFO GROUPS), -1 when unknown.
    std::pair<long long, long long> pendingAndLag(const std::string& queue, const std::string& group) {
        const auto v = run({"XINFO", "GROUPS", queue});
        if (!v) return {-1, -1};
        for (const Value& g : v->elements) {
            long long pending = -1, lag = -1;
            bool ours = false;
            for (std::size_t i = 0; i + 1 < g.elements.size(); i += 2) {
                if (g.elements[i].text == "name") ours = g.elements[i + 1].text == group;
                if (g.elements[i].text == "pending") pending = g.elements[i + 1].integer;
                if (g.elements[i].text == "lag") lag = g.elements[i + 1].integer;
            }
            if (ours) return {pending, lag};
        }
        return {-1, -1};
    }
    // Entries of a stream as field maps, oldest first.
    std::vector<std::map<std::string, std::string>> range(const std::string& key) {
        std::vector<std::map<std::string, std::string>> out;
        const auto v = run({"XRANGE", key, "-", "+"});
        if (!v) return out;
        for (const Value& e : v->elements) {
            if (e.elements.size() != 2) continue;
            std::map<std::string, std::string> fields{{"", e.elements[0].text}};
            for (std::size_t i = 0; i + 1 < e.elements[1].elements.size(); i += 2) {
                fields[e.elements[1].elements[i].text] = e.elements[1].elements[i + 1].text;
            }
            out.push_back(std::move(fields));
        }
        return out;
    }

private:
    static Value valueOf(const redisReply* r) {
        Value v;
        switch (r->type) {
            case REDIS_REPLY_INTEGER: v.integer = r->integer; break;
            case REDIS_REPLY_NIL: v.nil = true; break;
            case REDIS_REPLY_ERROR: v.error = true; v.text.assign(r->str, r->len); break;
            case REDIS_REPLY_ARRAY:
                for (std::size_t i = 0; i < r->elements; ++i) v.elements.push_back(valueOf(r->element[i]));
                break;
            default: v.text.assign(r->str, r->len); break;
        }
        return v;
    }
    redisContext* context_ = nullptr;
};

// The server's folder as Wine shows it, and the control files of scripts/with-redis.
std::wstring serverFile(const char* name) {
    std::wstring path = L"Z:" + win::widen(environment("VUV_REDIS_DIR")) + L"\\" + win::widen(name);
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}
bool serverState(const char* state) {
    const std::optional<std::string> now = readFileBytes(serverFile("state"));
    return now && now->rfind(state, 0) == 0;
}
bool tellServer(const char* order, const char* stateAfter) {
    if (!writeFileBytes(serverFile(order), "1")) return false;
    return waitUntil([&] { return serverState(stateAfter); }, Ms{20000}, Ms{50});
}

constexpr const char* kQueue = "vuv:bookmarks";

class SharedQueueTest : public InstanceFixture {
protected:
    void SetUp() override {
        InstanceFixture::SetUp();
        ASSERT_GT(Redis::port(), 0) << "run through scripts/with-redis (VUV_REDIS_PORT)";
        ASSERT_TRUE(waitUntil([&] { return redis.reconnect(); }, Ms{20000}, Ms{100}));
        redis.run({"FLUSHALL"});
    }

    std::string queueSettings(const std::string& member, int leaseSeconds, int maxDeliveries = 5, int port = 0) {
        const auto line = [](std::string_view key, const std::string& value) {
            return std::string(key) + "=" + value + "\r\n";
        };
        return line(text::kKeyQueueOn, std::string(text::kTrue)) +
               line(text::kKeyQueueServer, "redis://127.0.0.1:" + std::to_string(port != 0 ? port : Redis::port())) +
               line(text::kKeyQueueMember, member) + line(text::kKeyQueueLease, std::to_string(leaseSeconds)) +
               line(text::kKeyQueueMaxDeliveries, std::to_string(maxDeliveries));
    }

    void startPanelWithQueue(const std::string& settings) {
        writeSettingsWithBrowser(settings);
        panel = std::make_unique<PanelProcess>(sandbox);
        ASSERT_TRUE(panel->ready()) << panel->startError();
    }

    void push(const std::string& prefix, int count) {
        for (int first = 0; first < count; first += 1000) {
            std::vector<std::vector<std::string>> commands;
            for (int i = first; i < std::min(count, first + 1000); ++i) {
                commands.push_back({"XADD", kQueue, "*", "url", prefix + std::to_string(i)});
            }
            ASSERT_TRUE(redis.pipeline(commands));
        }
    }

    StandinProcess& asker(unsigned ms, const std::wstring& more = {}) {
        StandinOptions options;
        options.arguments = std::wstring(standin::kOptAskBookmarkMs) + std::to_wstring(ms) + more;
        return browser(options);
    }

    // Every address the stand-ins were sent, with how often.
    std::map<std::string, int> opened() {
        std::map<std::string, int> count;
        for (const auto& b : browsers) {
            for (const std::string& address : received(*b, text::kMsgJump)) ++count[address];
        }
        return count;
    }
    std::size_t openedTotal() {
        std::size_t n = 0;
        for (const auto& [address, times] : opened()) n += static_cast<std::size_t>(times);
        return n;
    }
    // Every one of the entries was opened exactly once, and the group has
    // nothing pending or undelivered left.
    void expectEachOpenedOnceNothingPending(std::size_t entries) {
        const std::map<std::string, int> addresses = opened();
        EXPECT_EQ(addresses.size(), entries);
        for (const auto& [address, times] : addresses) EXPECT_EQ(times, 1) << address;
        EXPECT_TRUE(waitUntil(
            [&] { return redis.pendingAndLag(kQueue, "vuv") == std::pair<long long, long long>{0, 0}; }, Ms{20000},
            Ms{100}))
            << redis.pendingAndLag(kQueue, "vuv").first;
    }

    std::string clusterState() { return windowTextGbk(panel->control(id::kClusterState)); }
    bool connected() { return clusterState().find(win::narrow(L"已连接")) != std::string::npos; }

    static void terminate(DWORD pid) {
        const HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        ASSERT_NE(h, nullptr);
        TerminateProcess(h, 9);
        WaitForSingleObject(h, 10000);
        CloseHandle(h);
    }

    Redis redis;
};

// One panel, five copies that ask again 20 ms after each address: every
// entry is opened exactly once, and once the copies have asked past their
// last entries nothing is pending and nothing is left undelivered.
TEST_F(SharedQueueTest, OnePanelDrainsTheQueueOpeningEveryEntryOnce) {
    constexpr int kEntries = 300;
    push("http://drain.example/", kEntries);
    ASSERT_NO_FATAL_FAILURE(startPanelWithQueue(queueSettings("A", 30)));
    ASSERT_TRUE(waitUntil([&] { return connected(); }, Ms{15000})) << clusterState();
    const auto began = Clock::now();
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(asker(20).ready());
    ASSERT_TRUE(waitUntil([&] { return openedTotal() >= kEntries; }, Ms{150000}, Ms{200})) << openedTotal();
    const double seconds = std::chrono::duration<double>(Clock::now() - began).count();
    expectEachOpenedOnceNothingPending(static_cast<std::size_t>(kEntries));
    std::printf("[figure] one panel, 5 copies: %d entries in %.1f s, %.0f entries/s\n", kEntries, seconds,
                kEntries / seconds);
    // The roll-call hash of the panel is there, with what it finished.
    EXPECT_TRUE(waitUntil(
        [&] {
            const auto acked = redis.run({"HGET", "vuv:panels:A", "acked"});
            return acked && acked->text == std::to_string(kEntries);
        },
        Ms{10000}, Ms{200}));
    EXPECT_GT(redis.integer({"TTL", "vuv:panels:A"}), 0);
    const auto trips = redis.run({"HGET", "vuv:panels:A", "roundtrips"});
    ASSERT_TRUE(trips.has_value());
    std::printf("[figure] server round trips per entry: %.2f (%s in all, roll-calls and figures included)\n",
                std::atof(trips->text.c_str()) / kEntries, trips->text.c_str());
    // The bookmark page shows each entry handed out as a row.
    EXPECT_GE(listRowCount(panel->control(id::kBookmarkList)), static_cast<std::size_t>(kEntries));
}

// Two panels, each on a desktop of its own (window messages find only the
// windows of their desktop) with five copies (by default) that ask again 20 ms after each
// address, drain one queue: every entry is opened exactly once, both panels
// take part, and nothing is left pending.
TEST_F(SharedQueueTest, TwoPanelsOnTwoDesktopsDrainOneQueueOpeningEveryEntryOnce) {
    // VUV_QUEUE_DRAIN_ENTRIES and VUV_QUEUE_DRAIN_COPIES make it a benchmark
    // (with VUV_TEST_LIMIT_SECONDS raised), e.g. 100000 entries and 10 copies.
    const auto sized = [](const char* name, int fallback) {
        const int n = std::atoi(environment(name).c_str());
        return n > 0 ? n : fallback;
    };
    const int kEntries = sized("VUV_QUEUE_DRAIN_ENTRIES", 1000);
    const int kCopies = sized("VUV_QUEUE_DRAIN_COPIES", 5);
    const Ms drainLimit{std::max(170000, kEntries * 20)};
    push("http://two.example/", kEntries);
    ASSERT_NO_FATAL_FAILURE(startPanelWithQueue(queueSettings("A", 30)));
    ASSERT_TRUE(waitUntil([&] { return connected(); }, Ms{15000})) << clusterState();

    // Panel B: a sandbox and a desktop of its own.
    Sandbox other;
    ASSERT_TRUE(other.ok());
    const std::string settingsB = std::string("[") + std::string(text::kSettingsSection) + "]\r\n" +
                                  std::string(text::kKeyBrowserPath) + "=" + win::narrow(other.standinExe()) + "\r\n" +
                                  queueSettings("B", 30);
    ASSERT_TRUE(writeFileBytes(other.path(win::widen(text::kSettingsFile)), settingsB));
    const wchar_t* desktopName = L"vuv-queue-b";
    HDESK desktop = CreateDesktopW(desktopName, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    ASSERT_NE(desktop, nullptr) << GetLastError();
    StartOptions startB;
    startB.commandLine = L"\"" + other.panelExe() + L"\"";
    startB.directory = other.directory();
    startB.environment = {{standin::kLogDirVariable, other.logDirectory()}};
    startB.desktop = desktopName;
    Process& panelB = other.start(startB);
    ASSERT_TRUE(panelB.running());
    std::vector<std::unique_ptr<StandinProcess>> copiesB;
    for (int i = 0; i < kCopies; ++i) {
        StartOptions copy = startB;
        copy.commandLine = L"\"" + other.standinExe() + L"\" " + std::wstring(standin::kOptAskBookmarkMs) + L"20";
        Process& started = other.start(copy);
        ASSERT_TRUE(started.running());
        copiesB.push_back(std::make_unique<StandinProcess>(other, started.pid()));
        ASSERT_TRUE(copiesB.back()->ready());
    }
    const auto began = Clock::now();
    for (int i = 0; i < kCopies; ++i) ASSERT_TRUE(asker(20).ready());
    std::map<std::string, int> all;
    std::size_t byA = 0, byB = 0;
    const auto count = [&] {
        all.clear();
        byA = byB = 0;
        for (const auto& b : browsers) {
            for (const std::string& address : received(*b, text::kMsgJump)) ++all[address], ++byA;
        }
        for (const auto& b : copiesB) {
            for (const std::string& address : received(*b, text::kMsgJump)) ++all[address], ++byB;
        }
        return byA + byB;
    };
    ASSERT_TRUE(waitUntil([&] { return count() >= static_cast<std::size_t>(kEntries); }, drainLimit,
                          Ms{kEntries > 10000 ? 5000 : 250}))
        << byA << " + " << byB;
    const double seconds = std::chrono::duration<double>(Clock::now() - began).count();
    EXPECT_EQ(all.size(), static_cast<std::size_t>(kEntries));
    for (const auto& [address, times] : all) EXPECT_EQ(times, 1) << address;
    EXPECT_GT(byA, 0u);
    EXPECT_GT(byB, 0u);
    EXPECT_TRUE(waitUntil([&] { return redis.pendingAndLag(kQueue, "vuv") == std::pair<long long, long long>{0, 0}; },
                          Ms{20000}, Ms{100}))
        << redis.pendingAndLag(kQueue, "vuv").first;
    std::printf("[figure] two panels x %d copies: %d entries in %.1f s, %.0f entries/s (A %zu, B %zu)\n", kCopies,
                kEntries, seconds, kEntries / seconds, byA, byB);
    for (const char* member : {"A", "B"}) {
        const auto trips = redis.run({"HGET", std::string("vuv:panels:") + member, "roundtrips"});
        const auto acked = redis.run({"HGET", std::string("vuv:panels:") + member, "acked"});
        const auto tick = redis.run({"HGET", std::string("vuv:panels:") + member, "longest_tick_us"});
        if (trips && acked && tick) {
            std::printf("[figure] panel %s: %s round trips for %s acknowledged entries (%.2f each); longest "
                        "refresh of the page 集群 on the interface thread %s us\n",
                        member, trips->text.c_str(), acked->text.c_str(),
                        std::atof(trips->text.c_str()) / std::max(1.0, std::atof(acked->text.c_str())),
                        tick->text.c_str());
        }
    }
    // The page 集群 of panel A lists both live panels.
    ASSERT_TRUE(selectTab(panel->control(id::kTabs), id::kClusterPage));
    Table rows;
    EXPECT_TRUE(waitUntil(
        [&] {
            rows = readListView(panel->control(id::kClusterList));
            return rows.size() == 2 && rows[0].size() > 5 && rows[0][0] == "A" && rows[1][0] == "B" &&
                   rows[0][5] == std::to_string(byA) && rows[1][5] == std::to_string(byB);
        },
        Ms{15000}, Ms{200}))
        << [&] {
               std::string shown;
               for (const auto& row : rows) {
                   for (const auto& cell : row) shown += cell + " | ";
                   shown += "\n";
               }
               return shown;
           }();
    if (!screenshotDirectory().empty()) {
        // Both desktops draw on one display: panel B's window would cover
        // A's. Once B is gone, A still lists it until its roll-call expires
        // (10 s after its last refresh), long enough for the picture.
        panelB.kill();
        ASSERT_TRUE(panelB.waitForExit(Ms{10000}));
        // The copies' frames, shown without activation, lie over the panel.
        SetWindowPos(panel->mainWindow(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        EXPECT_TRUE(savePicture(*panel, screenshotDirectory() + L"cluster-two-panels.bmp"));
        SetWindowPos(panel->mainWindow(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        EXPECT_EQ(readListView(panel->control(id::kClusterList)).size(), 2u) << "the picture may show one panel";
    }
    panelB.kill();
    CloseDesktop(desktop);
}

// The server killed during a drain and started again from its append-only
// file: the panel reconnects within its back-off, the acknowledgements it
// kept meanwhile reach the server, and no entry is lost or opened twice.
TEST_F(SharedQueueTest, TheServerKilledDuringADrainLosesNothing) {
    constexpr int kEntries = 300;
    push("http://restart.example/", kEntries);
    ASSERT_NO_FATAL_FAILURE(startPanelWithQueue(queueSettings("A", 30)));
    ASSERT_TRUE(waitUntil([&] { return connected(); }, Ms{15000})) << clusterState();
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(asker(20).ready());
    ASSERT_TRUE(waitUntil([&] { return openedTotal() >= kEntries / 3; }, Ms{60000}, Ms{50}));
    ASSERT_TRUE(tellServer("kill", "down"));
    ASSERT_TRUE(waitUntil([&] { return clusterState().find(win::narrow(L"已断开")) != std::string::npos; }, Ms{20000}))
        << clusterState();
    ASSERT_TRUE(tellServer("start", "up"));
    const auto up = Clock::now();
    ASSERT_TRUE(waitUntil([&] { return connected(); }, Ms{20000})) << clusterState();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - up).count();
    std::printf("[figure] reconnected %.0f ms after the server was back\n", ms);
    EXPECT_LT(ms, 5000 + 5000);  // the back-off is at most 5 s; the rest is margin
    ASSERT_TRUE(redis.reconnect());
    ASSERT_TRUE(waitUntil([&] { return openedTotal() >= kEntries; }, Ms{120000}, Ms{200})) << openedTotal();
    expectEachOpenedOnceNothingPending(static_cast<std::size_t>(kEntries));
}

// "工具 › 共享队列…": off by default (nothing connects, the page says so);
// confirmed with 启用 ticked, the fields land in "设置.ini" and the panel
// connects, making the group; a second start reads them back.
TEST_F(SharedQueueTest, TheDialogSwitchesTheQueueOnAndKeepsItsFields) {
    writeSettingsWithBrowser();
    panel = std::make_unique<PanelProcess>(sandbox);
    ASSERT_TRUE(panel->ready()) << panel->startError();
    EXPECT_NE(clusterState().find(win::narrow(L"未启用")), std::string::npos) << clusterState();
    EXPECT_EQ(redis.integer({"EXISTS", kQueue}), 0);

    ASSERT_TRUE(panel->command(id::kSharedQueue));
    const HWND dialog = findDialog(panel->pid(), L"共享队列");
    ASSERT_NE(dialog, nullptr);
    namespace d = id::dialog;
    EXPECT_EQ(windowText(GetDlgItem(dialog, d::kQueueName)), L"vuv:bookmarks");
    EXPECT_EQ(windowText(GetDlgItem(dialog, d::kQueueGroup)), L"vuv");
    EXPECT_EQ(windowText(GetDlgItem(dialog, d::kQueueLease)), L"300");
    EXPECT_EQ(windowText(GetDlgItem(dialog, d::kQueueMax)), L"5");
    EXPECT_FALSE(windowText(GetDlgItem(dialog, d::kQueueMember)).empty());  // the computer's name
    ASSERT_TRUE(sendWithTimeout(GetDlgItem(dialog, d::kQueueOn), BM_SETCHECK, BST_CHECKED, 0).has_value());
    ASSERT_TRUE(setEditText(GetDlgItem(dialog, d::kQueueServer), "redis://127.0.0.1:" + std::to_string(Redis::port())));
    ASSERT_TRUE(setEditText(GetDlgItem(dialog, d::kQueueName), "jobs"));
    ASSERT_TRUE(setEditText(GetDlgItem(dialog, d::kQueueGroup), "farm"));
    ASSERT_TRUE(setEditText(GetDlgItem(dialog, d::kQueueMember), "pc-7"));
    ASSERT_TRUE(setEditText(GetDlgItem(dialog, d::kQueueLease), "60"));
    ASSERT_TRUE(setEditText(GetDlgItem(dialog, d::kQueueMax), "3"));
    ASSERT_TRUE(clickAndWaitGone(dialog, L"确定"));
    ASSERT_TRUE(waitUntil([&] { return connected(); }, Ms{15000})) << clusterState();
    EXPECT_EQ(redis.pendingAndLag("jobs", "farm"), (std::pair<long long, long long>{0, 0}));
    EXPECT_TRUE(waitUntil([&] { return redis.integer({"EXISTS", "vuv:panels:pc-7"}) == 1; }, Ms{10000}, Ms{100}));

    const std::optional<std::string> stored = readFileBytes(settingsFile());
    ASSERT_TRUE(stored.has_value());
    const auto has = [&](std::string_view key, const std::string& value) {
        return stored->find(std::string(key) + "=" + value + "\r\n") != std::string::npos;
    };
    EXPECT_TRUE(has(text::kKeyQueueOn, std::string(text::kTrue))) << *stored;
    EXPECT_TRUE(has(text::kKeyQueueServer, "redis://127.0.0.1:" + std::to_string(Redis::port())));
    EXPECT_TRUE(has(text::kKeyQueueName, "jobs"));
    EXPECT_TRUE(has(text::kKeyQueueGroup, "farm"));
    EXPECT_TRUE(has(text::kKeyQueueMember, "pc-7"));
    EXPECT_TRUE(has(text::kKeyQueueLease, "60"));
    EXPECT_TRUE(has(text::kKeyQueueMaxDeliveries, "3"));

    // Restarted, the panel joins again under the same name, its hash gone
    // with the first run (closed: the worker leaves the roll-call).
    ASSERT_TRUE(panel->close());
    panel = std::make_unique<PanelProcess>(sandbox);
    ASSERT_TRUE(panel->ready()) << panel->startError();
    ASSERT_TRUE(waitUntil([&] { return connected(); }, Ms{20000})) << clusterState();
}

// With the queue on, "导入" on 书签管理 adds to the stream (UTF-8 there, GBK
// in the file) instead of the local table, and the entries come back to a
// copy that asks, shown in GBK.
TEST_F(SharedQueueTest, ImportedAddressesGoToTheQueue) {
    ASSERT_NO_FATAL_FAILURE(startPanelWithQueue(queueSettings("I", 30)));
    ASSERT_TRUE(waitUntil([&] { return connected(); }, Ms{15000})) << clusterState();
    const std::string chinese = win::narrow(L"http://例子.example/页");
    const std::wstring path = sandbox.path(L"queue-import.txt");
    ASSERT_TRUE(writeFileBytes(path, "http://import.example/1\r\n" + chinese + "\r\n"));
    ASSERT_TRUE(panel->command(id::kBookmarkFileImport));
    ASSERT_TRUE(answerFileDialog(panel->pid(), path));
    std::vector<std::map<std::string, std::string>> entries;
    ASSERT_TRUE(waitUntil([&] { return (entries = redis.range(kQueue)).size() == 2; }, Ms{15000}, Ms{100}));
    EXPECT_EQ(entries[0]["url"], "http://import.example/1");
    EXPECT_EQ(entries[1]["url"], "http://\xE4\xBE\x8B\xE5\xAD\x90.example/\xE9\xA1\xB5");  // UTF-8
    EXPECT_EQ(listRowCount(panel->control(id::kBookmarkList)), 0u);
    StandinProcess& b = asker(20);
    ASSERT_TRUE(b.ready());
    ASSERT_TRUE(waitUntil([&] { return received(b, text::kMsgJump).size() >= 2; }, Ms{15000}, Ms{100}));
    EXPECT_EQ(received(b, text::kMsgJump), (std::vector<std::string>{"http://import.example/1", chinese}));
}

// A request answered from the buffer takes about as long as one answered
// from the local table: the server is never waited for while the buffer
// holds an entry. Prints both means; each request must bring its address.
TEST_F(SharedQueueTest, AHandOutFromTheBufferCostsAboutWhatALocalOneDoes) {
    constexpr int kRequests = 150;
    const auto timeRequests = [&](StandinProcess& b, const char* what) {
        double total = 0;
        for (int i = 0; i < kRequests; ++i) {
            const std::size_t before = received(b, text::kMsgJump).size();
            const auto start = Clock::now();
            if (b.notify(notification(b.commandWindow(), text::kKeywordBookmark)) != std::optional<bool>(true)) return -1.0;
            total += std::chrono::duration<double, std::micro>(Clock::now() - start).count();
            if (received(b, text::kMsgJump).size() != before + 1) return -1.0;
            Sleep(20);  // a copy loads its page meanwhile; the buffer is refilled
        }
        std::printf("[figure] %s: %.0f us per request (mean of %d)\n", what, total / kRequests, kRequests);
        return total / kRequests;
    };
    // Local: the queue off, the table filled by 导入.
    writeSettingsWithBrowser();
    panel = std::make_unique<PanelProcess>(sandbox);
    ASSERT_TRUE(panel->ready()) << panel->startError();
    std::vector<std::string> addresses;
    for (int i = 0; i < kRequests; ++i) addresses.push_back("http://local.example/" + std::to_string(i));
    ASSERT_TRUE(importBookmarks(*panel, sandbox.directory(), addresses));
    StandinProcess& b = browser();
    ASSERT_TRUE(b.ready());
    ASSERT_TRUE(waitUntilListening(b));
    const double local = timeRequests(b, "hand-out from the local table");
    ASSERT_GT(local, 0);
    ASSERT_TRUE(panel->close());

    push("http://buffer.example/", kRequests + 10);
    ASSERT_NO_FATAL_FAILURE(startPanelWithQueue(queueSettings("T", 60)));
    ASSERT_TRUE(waitUntil([&] { return connected(); }, Ms{15000})) << clusterState();
    ASSERT_TRUE(waitUntilListening(b));
    const double shared = timeRequests(b, "hand-out from the shared queue's buffer");
    ASSERT_GT(shared, 0);
    std::printf("[figure] buffer / local: %.2f\n", shared / local);
}

// Link codes and page sources go to vuv:records with the panel's member and
// the sender's process id.
TEST_F(SharedQueueTest, RecordsReachTheRecordsStream) {
    ASSERT_NO_FATAL_FAILURE(startPanelWithQueue(queueSettings("R", 30)));
    StandinProcess& b = browser();
    ASSERT_TRUE(b.ready());
    ASSERT_TRUE(waitUntilListening(b));
    ASSERT_EQ(b.notify(linkCode("code-1")), std::optional<bool>(true));
    ASSERT_EQ(b.notify(pageSource("<html>page</html>")), std::optional<bool>(true));
    std::vector<std::map<std::string, std::string>> records;
    ASSERT_TRUE(waitUntil([&] { return (records = redis.range("vuv:records")).size() >= 2; }, Ms{15000}, Ms{100}));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]["member"], "R");
    EXPECT_EQ(records[0]["kind"], "link");
    EXPECT_EQ(records[0]["pid"], std::to_string(b.pid()));
    EXPECT_NE(records[0]["text"].find("code-1"), std::string::npos);
    EXPECT_EQ(records[1]["kind"], "page");
    EXPECT_FALSE(records[1]["time"].empty());
}

// The server down when the panel starts: the panel starts as always, the
// copies' requests are used up (no box), and once the server is there the
// panel connects within its back-off and the copies get the entries.
TEST_F(SharedQueueTest, TheServerDownAtStartIsWaitedFor) {
    ASSERT_TRUE(tellServer("stop", "down"));
    ASSERT_NO_FATAL_FAILURE(startPanelWithQueue(queueSettings("D", 30)));
    ASSERT_TRUE(waitUntil([&] { return clusterState().find(win::narrow(L"已断开")) != std::string::npos; }, Ms{15000}))
        << clusterState();
    StandinProcess& b = browser();
    ASSERT_TRUE(b.ready());
    ASSERT_TRUE(waitUntilListening(b));
    ASSERT_EQ(b.notify(notification(b.commandWindow(), text::kKeywordBookmark)), std::optional<bool>(true));
    // The answer comes inside the request: none came, and no box opened.
    EXPECT_TRUE(received(b, text::kMsgJump).empty());
    ASSERT_TRUE(panel->caughtUp());
    EXPECT_EQ(panel->modalWindows(), "");

    ASSERT_TRUE(tellServer("start", "up"));
    const auto up = Clock::now();
    ASSERT_TRUE(redis.reconnect());
    push("http://late.example/", 3);
    ASSERT_TRUE(waitUntil([&] { return connected(); }, Ms{15000})) << clusterState();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - up).count();
    std::printf("[figure] connected %.0f ms after the server came up (the page refreshes every 2 s)\n", ms);
    EXPECT_LT(ms, 5000 + 5000);  // the back-off is at most 5 s; the rest is margin
    StandinProcess& c = asker(20);
    ASSERT_TRUE(c.ready());
    ASSERT_TRUE(waitUntil([&] { return openedTotal() >= 3; }, Ms{20000}, Ms{100})) << openedTotal();
    EXPECT_EQ(opened().size(), 3u);
}

// An entry whose copies all end on it comes back to the next copy until it
// has been delivered more than 最多投递 times; then it goes to the dead-letter
// stream with its history and is acknowledged.
TEST_F(SharedQueueTest, AnEntryThatAlwaysFailsEndsInTheDeadLetters) {
    push("http://dead.example/", 1);
    writeSettingsWithBrowser(queueSettings("X", 30, 2) + std::string(text::kKeyAutoReturn) + "=" +
                             std::string(text::kTrue) + "\r\n");
    panel = std::make_unique<PanelProcess>(sandbox);
    ASSERT_TRUE(panel->ready()) << panel->startError();
    ASSERT_TRUE(waitUntil([&] { return connected(); }, Ms{15000})) << clusterState();
    for (int round = 0; round < 2; ++round) {
        StandinProcess& b = browser();
        ASSERT_TRUE(b.ready());
        ASSERT_TRUE(waitUntilListening(b));
        ASSERT_EQ(b.notify(notification(b.commandWindow(), text::kKeywordBookmark)), std::optional<bool>(true));
        ASSERT_EQ(received(b, text::kMsgJump), std::vector<std::string>{"http://dead.example/0"}) << round;
        terminate(b.pid());
        // Given back once the panel has seen the copy end.
        ASSERT_TRUE(waitUntil(
            [&] {
                const Table rows = readListView(panel->control(id::kBookmarkList));
                return !rows.empty() && rows.back().size() > 2 && rows.back()[2] == win::narrow(L"未使用");
            },
            Ms{15000}, Ms{100}))
            << round;
    }
    // The third delivery would be one too many.
    StandinProcess& last = browser();
    ASSERT_TRUE(last.ready());
    ASSERT_TRUE(waitUntilListening(last));
    ASSERT_EQ(last.notify(notification(last.commandWindow(), text::kKeywordBookmark)), std::optional<bool>(true));
    EXPECT_TRUE(received(last, text::kMsgJump).empty());
    std::vector<std::map<std::string, std::string>> dead;
    ASSERT_TRUE(waitUntil([&] { return (dead = redis.range(std::string(kQueue) + ":dead")).size() == 1; }, Ms{10000},
                          Ms{100}));
    EXPECT_EQ(dead[0]["url"], "http://dead.example/0");
    EXPECT_EQ(dead[0]["deliveries"], "3");
    EXPECT_EQ(dead[0]["member"], "X");
    EXPECT_FALSE(dead[0]["id"].empty());
    EXPECT_TRUE(waitUntil([&] { return redis.pendingAndLag(kQueue, "vuv").first == 0; }, Ms{10000}, Ms{100}));
}

// A panel killed while it holds entries: another member takes them over once
// the lease (3 s) has run out, and every entry is opened and acknowledged.
TEST_F(SharedQueueTest, EntriesOfAKilledPanelAreTakenOverAfterTheLease) {
    constexpr int kEntries = 20;
    push("http://kill.example/", kEntries);
    ASSERT_NO_FATAL_FAILURE(startPanelWithQueue(queueSettings("A", 3)));
    ASSERT_TRUE(waitUntil([&] { return connected(); }, Ms{15000})) << clusterState();
    // Three copies each take one entry and keep it (they ask once).
    for (int i = 0; i < 3; ++i) {
        StandinProcess& b = browser();
        ASSERT_TRUE(b.ready());
        ASSERT_TRUE(waitUntilListening(b));
        ASSERT_EQ(b.notify(notification(b.commandWindow(), text::kKeywordBookmark)), std::optional<bool>(true));
        ASSERT_EQ(received(b, text::kMsgJump).size(), 1u);
    }
    const std::map<std::string, int> heldByA = opened();
    ASSERT_EQ(heldByA.size(), 3u);
    // Pending under A: its three held entries and its buffer.
    const long long pendingA = redis.pendingAndLag(kQueue, "vuv").first;
    ASSERT_GE(pendingA, 3);
    terminate(panel->pid());
    for (const auto& b : browsers) terminate(b->pid());
    const auto killed = Clock::now();
    panel.reset();
    browsers.clear();
    // Only A's leases keep the entries: B reads the rest at once and A's
    // after the lease.
    ASSERT_NO_FATAL_FAILURE(startPanelWithQueue(queueSettings("B", 3)));
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(asker(20).ready());
    std::map<std::string, int> byB;
    ASSERT_TRUE(waitUntil(
        [&] {
            byB = opened();
            for (const auto& [address, times] : heldByA) {
                if (byB.count(address) == 0) return false;
            }
            return true;
        },
        Ms{30000}, Ms{100}));
    const double seconds = std::chrono::duration<double>(Clock::now() - killed).count();
    std::printf("[figure] the killed panel's entries were opened again %.1f s after it died (lease 3 s)\n", seconds);
    EXPECT_LT(seconds, 3 + 5 + 10);  // lease + 5 s, with the panel's own start-up on top
    ASSERT_TRUE(waitUntil([&] { return opened().size() >= static_cast<std::size_t>(kEntries - 3) + 3; }, Ms{60000},
                          Ms{200}));
    for (const auto& [address, times] : opened()) EXPECT_EQ(times, 1) << address;
    EXPECT_TRUE(waitUntil([&] { return redis.pendingAndLag(kQueue, "vuv") == std::pair<long long, long long>{0, 0}; },
                          Ms{20000}, Ms{100}));
}

// A second live panel under a member name already in use is refused with a
// message and keeps to its local bookmarks.
TEST_F(SharedQueueTest, ASecondPanelWithTheSameMemberIsRefused) {
    ASSERT_TRUE(redis.run({"HSET", "vuv:panels:SAME", "owner", "another-panel", "time", "now"}).has_value());
    ASSERT_EQ(redis.integer({"EXPIRE", "vuv:panels:SAME", "120"}), 1);
    push("http://shared.example/", 2);
    ASSERT_NO_FATAL_FAILURE(startPanelWithQueue(queueSettings("SAME", 30)));
    const std::optional<MessageBoxInfo> box = panel->messageBox(win::narrow(L"共享队列"), Ms{20000});
    ASSERT_TRUE(box.has_value());
    EXPECT_NE(box->text.find(win::narrow(L"SAME")), std::string::npos);
    ASSERT_TRUE(pressButton(box->window));
    ASSERT_TRUE(importBookmarks(*panel, sandbox.directory(), {"http://local.example/"}));
    StandinProcess& b = browser();
    ASSERT_TRUE(b.ready());
    ASSERT_TRUE(waitUntilListening(b));
    ASSERT_EQ(b.notify(notification(b.commandWindow(), text::kKeywordBookmark)), std::optional<bool>(true));
    EXPECT_EQ(received(b, text::kMsgJump), std::vector<std::string>{"http://local.example/"});
    // The queue was left alone: the other panel's hash, no pending entry.
    EXPECT_EQ(redis.run({"HGET", "vuv:panels:SAME", "owner"})->text, "another-panel");
    EXPECT_EQ(redis.pendingAndLag(kQueue, "vuv").first, 0);
}

}  // namespace
}  // namespace vuv::e2e
