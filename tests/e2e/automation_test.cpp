// The automation interface of the real panel: switched on in "设置.ini",
// driven over loopback with an HTTP client while stand-in browsers run.
#include "e2e/instance_fixture.h"

#include "core/api/http_client.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/json/parse.hpp>
#include <boost/json/serialize.hpp>

#include <set>

namespace vuv::e2e {
namespace {

namespace json = boost::json;
using test::exchange;
using test::Reply;

constexpr char kToken[] = "7f3c1e2d4b5a69788796a5b4c3d2e1f00f1e2d3c4b5a69788796a5b4c3d2e1f0";

// A port no one listens on now (the system's choice for a moment's socket).
std::uint16_t freePort() {
    boost::asio::io_context ioc;
    boost::asio::ip::tcp::acceptor probe(ioc, {boost::asio::ip::make_address("127.0.0.1"), 0});
    return probe.local_endpoint().port();
}

// A path as a JSON string's contents: UTF-8, backslashes escaped.
std::string jsonPath(const std::wstring& path) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, path.c_str(), static_cast<int>(path.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string utf8(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, path.c_str(), static_cast<int>(path.size()), utf8.data(), n, nullptr, nullptr);
    std::string escaped;
    for (const char c : utf8) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return escaped;
}

class Automation : public InstanceFixture {
protected:
    // Starts the panel with the interface on at a free port.
    void startWithInterface(std::uint16_t onPort = 0) {
        port = onPort != 0 ? onPort : freePort();
        writeSettingsWithBrowser(join({text::kKeyApiEnabled, "=", text::kTrue, "\r\n", text::kKeyApiPort, "=",
                                       std::to_string(port), "\r\n", text::kKeyApiToken, "=", kToken, "\r\n"}));
        for (const auto& b : browsers) ASSERT_TRUE(b->ready());
        panel = std::make_unique<PanelProcess>(sandbox);
        ASSERT_TRUE(panel->ready()) << panel->startError();
        table = panel->control(id::kInstanceTable);
        ASSERT_TRUE(waitUntil([&] { return readListView(table).size() == browsers.size(); }));
    }

    Reply call(std::string_view method, std::string_view target, std::string body = {}) {
        return exchange(port, method, target, {{"Authorization", std::string("Bearer ") + kToken}}, std::move(body),
                        std::chrono::seconds(20));
    }

    json::value answer(std::string_view method, std::string_view target, std::string body = {},
                       int expected = 200) {
        const Reply r = call(method, target, std::move(body));
        EXPECT_EQ(r.status, expected) << method << " " << target << ": " << r.body;
        boost::system::error_code ec;
        json::value v = json::parse(r.body, ec);
        EXPECT_FALSE(ec) << r.body;
        return v;
    }

    std::uint16_t port = 0;
};

TEST_F(Automation, ListsTheCopiesAndCommandsThemInTheOrderGiven) {
    StandinProcess& a = browser();
    StandinProcess& b = browser();
    startWithInterface();

    const json::value health = answer("GET", "/v1/health");
    EXPECT_EQ(health.at("copies").at("running").as_int64(), 2);
    EXPECT_EQ(health.at("walking").as_bool(), false);

    // The copies in the table's order, named by process id.
    const json::value copies = answer("GET", "/v1/copies");
    const Table rows = readListView(table);
    ASSERT_EQ(copies.at("copies").as_array().size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(std::to_string(copies.at("copies").at(i).at("pid").as_int64()), rows[i][0]);
        EXPECT_EQ(copies.at("copies").at(i).at("state").as_string(), "running");
    }
    EXPECT_EQ(answer("GET", "/v1/copies?state=hung").at("copies").as_array().size(), 0u);

    // A command to b, a and a copy that is not listed: results in that order.
    const std::string body = "{\"command\":\"flash\",\"target\":{\"pids\":[" + std::to_string(b.pid()) + "," +
                             std::to_string(a.pid()) + ",4]}}";
    const json::value results = answer("POST", "/v1/commands", body).at("results");
    ASSERT_EQ(results.as_array().size(), 3u);
    EXPECT_EQ(results.at(0).at("pid").as_int64(), static_cast<std::int64_t>(b.pid()));
    EXPECT_EQ(results.at(0).at("outcome").as_string(), "acknowledged");
    EXPECT_EQ(results.at(1).at("pid").as_int64(), static_cast<std::int64_t>(a.pid()));
    EXPECT_EQ(results.at(1).at("outcome").as_string(), "acknowledged");
    EXPECT_EQ(results.at(2).at("outcome").as_string(), "gone");
    const std::string flash = join({text::kTagVuv, text::kCommandFlash});
    EXPECT_EQ(received(a, text::kMsgAdjust), std::vector<std::string>{flash}) << dump(a);
    EXPECT_EQ(received(b, text::kMsgAdjust), std::vector<std::string>{flash}) << dump(b);

    // A Chinese text travels as UTF-8 and reaches the browser as GBK.
    const std::string rename = "{\"command\":\"rename\",\"target\":{\"all\":true},\"name\":\"\xE6\xB5\x8B\xE8\xAF\x95\"}";
    EXPECT_EQ(answer("POST", "/v1/commands", rename).at("results").as_array().size(), 2u);
    ASSERT_TRUE(waitUntil([&] { return received(a, text::kMsgAdjust).size() == 2; })) << dump(a);
    EXPECT_NE(received(a, text::kMsgAdjust)[1].find("\xB2\xE2\xCA\xD4"), std::string::npos) << dump(a);  // 测试

    // A text GBK cannot hold is refused, naming the field; nothing is sent.
    const Reply refused = call("POST", "/v1/commands",
                               "{\"command\":\"open\",\"target\":{\"all\":true},\"url\":\"\xF0\x9F\x98\x80\"}");
    EXPECT_EQ(refused.status, 422);
    EXPECT_NE(refused.body.find("field \\\"url\\\""), std::string::npos) << refused.body;
    EXPECT_TRUE(panel->caughtUp());
    EXPECT_EQ(received(a, text::kMsgAdjust).size(), 2u);

    // A close goes as 关闭鹭行 sends it, and the row goes at once.
    const json::value closed =
        answer("POST", "/v1/commands", "{\"command\":\"close\",\"target\":{\"pids\":[" + std::to_string(b.pid()) + "]}}");
    EXPECT_EQ(closed.at("results").at(0).at("outcome").as_string(), "posted");
    EXPECT_EQ(readListView(table).size(), 1u);
    const json::value left = answer("GET", "/v1/copies");
    ASSERT_EQ(left.at("copies").as_array().size(), 1u);
    EXPECT_EQ(left.at("copies").at(0).at("pid").as_int64(), static_cast<std::int64_t>(a.pid()));
}

TEST_F(Automation, StreamsTheRunLogWithConsecutiveIds) {
    StandinProcess& a = browser();
    startWithInterface();
    const std::int64_t before = answer("GET", "/v1/health").at("last_event").as_int64();

    constexpr int kNotices = 20;
    for (int i = 0; i < kNotices; ++i) {
        ASSERT_EQ(a.notify("note " + std::to_string(i)), std::optional<bool>(true));
    }
    const std::string head = "GET /v1/events?after=" + std::to_string(before) + "&token=" + kToken +
                             " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n\r\n";
    const std::string stream = test::readUntil(port, head, "\"content\":\"note " + std::to_string(kNotices - 1) + "\"",
                                               std::chrono::seconds(20));
    ASSERT_EQ(stream.find("HTTP/1.1 200 OK"), 0u) << stream.substr(0, 300);

    // Every frame's id follows the one before; the notices come in order.
    std::int64_t expected = before + 1;
    int notices = 0;
    for (std::size_t at = stream.find("\nid: "); at != std::string::npos; at = stream.find("\nid: ", at + 1)) {
        EXPECT_EQ(std::stoll(stream.substr(at + 5)), expected);
        ++expected;
        const std::size_t data = stream.find("data: ", at);
        ASSERT_NE(data, std::string::npos);
        const json::value row = json::parse(stream.substr(data + 6, stream.find('\n', data) - data - 6));
        if (row.at("kind") == "notice") {
            EXPECT_EQ(row.at("pid").as_int64(), static_cast<std::int64_t>(a.pid()));
            EXPECT_EQ(row.at("content").as_string(), "note " + std::to_string(notices));
            EXPECT_EQ(row.at("time").as_string().size(), 25u);
            ++notices;
        }
    }
    EXPECT_EQ(notices, kNotices);

    // The log page gives the same rows.
    const json::value page = answer("GET", "/v1/log?after=" + std::to_string(before) + "&limit=5");
    ASSERT_EQ(page.at("rows").as_array().size(), 5u);
    EXPECT_EQ(page.at("rows").at(0).at("id").as_int64(), before + 1);
}

TEST_F(Automation, RefusesWhatTheRealPanelMustRefuse) {
    browser();
    startWithInterface();
    EXPECT_EQ(exchange(port, "GET", "/v1/health").status, 401);
    EXPECT_EQ(exchange(port, "GET", "/v1/health", {{"Authorization", "Bearer x"}}).status, 401);
    const std::string bearer = std::string("Bearer ") + kToken;
    const Reply origin = exchange(port, "GET", "/v1/health", {{"Authorization", bearer}, {"Origin", "http://a.b"}});
    EXPECT_EQ(origin.status, 403);
    for (const auto& [name, value] : origin.headers) EXPECT_NE(name.rfind("access-control", 0), 0u);
    EXPECT_EQ(exchange(port, "GET", "/v1/health", {{"Authorization", bearer}, {"Host", "rebound.example"}}).status,
              403);
    EXPECT_EQ(exchange(port, "GET", "/v1/health", {{"Authorization", bearer}, {"X", std::string(9000, 'x')}}).status,
              431);
    EXPECT_EQ(answer("GET", "/v1/health").at("copies").at("running").as_int64(), 1);
}

TEST_F(Automation, KeepsTheListsAndTheOptionsAsTheControlsDo) {
    startWithInterface();
    EXPECT_EQ(answer("POST", "/v1/bookmarks", "{\"urls\":[\"http://a/\",\"http://b/\xE4\xB8\xAD\"]}").at("added"), 2);
    const json::value marks = answer("GET", "/v1/bookmarks?state=unused");
    EXPECT_EQ(marks.at("total").as_int64(), 2);
    EXPECT_EQ(marks.at("bookmarks").at(1).at("url").as_string(), "http://b/\xE4\xB8\xAD");
    EXPECT_EQ(readListView(panel->control(id::kBookmarkList)).size(), 2u);

    EXPECT_EQ(answer("POST", "/v1/rules", "{\"condition\":\"c\",\"action\":\"link\",\"link\":\"http://x/\"}")
                  .at("index"),
              0);
    EXPECT_EQ(answer("POST", "/v1/rules", "{\"condition\":\"d\",\"action\":\"bookmark\"}").at("index"), 1);
    const json::value moved = answer("POST", "/v1/rules/1/move", "{\"to\":0}");
    EXPECT_EQ(moved.at("rules").at(0).at("condition").as_string(), "d");
    EXPECT_EQ(answer("DELETE", "/v1/rules/5", {}, 404).at("error").at("code").as_string(), "not_found");

    const json::value options = answer("PATCH", "/v1/options", "{\"interval_ms\":1234,\"wap\":true}");
    EXPECT_EQ(options.at("interval_ms").as_int64(), 1234);
    EXPECT_EQ(options.at("wap").as_bool(), true);
    EXPECT_EQ(SendMessageW(panel->control(id::kWapBox), BM_GETCHECK, 0, 0), BST_CHECKED);

    EXPECT_EQ(answer("POST", "/v1/launch-list", "{\"rows\":[{\"name\":\"n\",\"url\":\"u\"}]}").at("added"), 1);
    EXPECT_EQ(answer("GET", "/v1/launch-list").at("rows").at(0).at("url").as_string(), "u");
    answer("DELETE", "/v1/launch-list");
    EXPECT_EQ(answer("GET", "/v1/launch-list").at("rows").as_array().size(), 0u);

    // A workspace written through the interface opens again; a damaged one
    // is refused with its line, the panel unchanged.
    const std::string escaped = jsonPath(sandbox.path(L"ws.txt"));
    answer("POST", "/v1/workspace/save", "{\"path\":\"" + escaped + "\"}");
    answer("DELETE", "/v1/bookmarks");
    EXPECT_EQ(answer("GET", "/v1/health").at("bookmarks").at("unused").as_int64(), 0);
    answer("POST", "/v1/workspace/open", "{\"path\":\"" + escaped + "\"}");
    EXPECT_EQ(answer("GET", "/v1/health").at("bookmarks").at("unused").as_int64(), 2);
    ASSERT_TRUE(writeFileBytes(sandbox.path(L"bad.txt"), "VUV-WORKSPACE 1\r\n[\r\n"));
    const std::string bad = jsonPath(sandbox.path(L"bad.txt"));
    const json::value damaged = answer("POST", "/v1/workspace/open", "{\"path\":\"" + bad + "\"}", 422);
    EXPECT_EQ(damaged.at("error").at("code").as_string(), "damaged_workspace");
    EXPECT_EQ(answer("GET", "/v1/health").at("bookmarks").at("unused").as_int64(), 2);
    EXPECT_EQ(panel->modalWindows(), "");
}

TEST_F(Automation, StartsFollowsAndEndsAWalk) {
    startWithInterface();
    const std::int64_t before = answer("GET", "/v1/health").at("last_event").as_int64();
    // Three rows and a long pause: the walk is in its first pause while the
    // test looks at it.
    answer("PATCH", "/v1/options", "{\"interval_ms\":60000}");
    answer("POST", "/v1/launch-list", "{\"rows\":[{\"url\":\"http://a/\"},{\"url\":\"http://b/\"},{\"url\":\"http://c/\"}]}");
    const json::value started = answer("POST", "/v1/launch", "{\"rows\":\"all\"}", 202);
    EXPECT_EQ(started.at("walking").as_bool(), true);
    EXPECT_EQ(started.at("remaining").as_int64(), 3);

    ASSERT_TRUE(waitUntil([&] { return answer("GET", "/v1/launch").at("started").as_int64() == 1; }));
    const json::value during = answer("GET", "/v1/launch");
    EXPECT_EQ(during.at("walking").as_bool(), true);
    EXPECT_EQ(during.at("remaining").as_int64(), 2);
    EXPECT_EQ(answer("GET", "/v1/health").at("walking").as_bool(), true);
    // One walk at a time.
    EXPECT_EQ(answer("POST", "/v1/launch", "{\"rows\":[0]}", 409).at("error").at("code").as_string(), "walking");

    answer("DELETE", "/v1/launch");
    ASSERT_TRUE(waitUntil([&] { return !answer("GET", "/v1/launch").at("walking").as_bool(); }));
    const json::value after = answer("GET", "/v1/launch");
    EXPECT_EQ(after.at("started").as_int64(), 1);
    EXPECT_EQ(after.at("remaining").as_int64(), 0);
    // Ended without the notice a walk from the window closes with.
    EXPECT_TRUE(panel->caughtUp());
    EXPECT_EQ(panel->modalWindows(), "");
    // The start is in the run log's stream as "launch".
    const json::value log = answer("GET", "/v1/log?after=" + std::to_string(before));
    int launches = 0;
    for (const json::value& row : log.at("rows").as_array()) launches += row.at("kind") == "launch" ? 1 : 0;
    EXPECT_EQ(launches, 1) << json::serialize(log);
}

TEST_F(Automation, ACallNeverLeavesABoxNobodyWillClick) {
    // An automatically saved workspace beside the program: switching the
    // option on in the window asks what to do with it. Through the interface
    // nothing is shown; the question is answered as cancelled (the option
    // stays off) and its text comes back with the answer.
    ASSERT_TRUE(writeFileBytes(sandbox.path(win::widen(text::kWorkspaceFile)), "VUV-WORKSPACE 1\r\n"));
    startWithInterface();
    const json::value options = answer("PATCH", "/v1/options", "{\"auto_save\":true}");
    EXPECT_EQ(options.at("auto_save").as_bool(), false);
    ASSERT_TRUE(options.as_object().contains("told")) << json::serialize(options);
    EXPECT_EQ(options.at("told").as_array().size(), 1u);
    EXPECT_EQ(panel->modalWindows(), "");
    EXPECT_FALSE(panel->messageBox({}, Ms{0}));
    // The window's own switch still asks.
    ASSERT_TRUE(panel->command(id::kAutoSaveWorkspace));
    const std::optional<MessageBoxInfo> box = panel->messageBox();
    ASSERT_TRUE(box);
    EXPECT_TRUE(pressButton(box->window, IDCANCEL));
}

TEST_F(Automation, TheDialogSwitchesItOnWithANewTokenAndOffAgain) {
    writeSettingsWithBrowser();
    panel = std::make_unique<PanelProcess>(sandbox);
    ASSERT_TRUE(panel->ready()) << panel->startError();
    port = freePort();

    ASSERT_TRUE(panel->command(id::kAutomation));
    HWND dialog = findDialog(panel->pid(), L"自动化接口");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(windowText(controlById(dialog, id::dialog::kApiAddress)), L"127.0.0.1");
    EXPECT_EQ(windowText(controlById(dialog, id::dialog::kApiPort)), L"17801");
    EXPECT_EQ(windowText(controlById(dialog, id::dialog::kApiToken)), L"");
    // 重新生成 makes a token of 64 lowercase hex digits, each time another.
    ASSERT_TRUE(sendWithTimeout(controlById(dialog, id::dialog::kApiRenew), BM_CLICK, 0, 0));
    const std::wstring first = windowText(controlById(dialog, id::dialog::kApiToken));
    ASSERT_TRUE(sendWithTimeout(controlById(dialog, id::dialog::kApiRenew), BM_CLICK, 0, 0));
    const std::wstring token = windowText(controlById(dialog, id::dialog::kApiToken));
    ASSERT_EQ(token.size(), 64u);
    EXPECT_EQ(token.find_first_not_of(L"0123456789abcdef"), std::wstring::npos) << win::narrow(token);
    EXPECT_NE(token, first);
    ASSERT_TRUE(setEditText(controlById(dialog, id::dialog::kApiPort), std::to_string(port)));
    ASSERT_TRUE(sendWithTimeout(controlById(dialog, id::dialog::kApiEnabled), BM_CLICK, 0, 0));
    ASSERT_TRUE(clickAndWaitGone(dialog, L"确定"));

    const std::string bearer = "Bearer " + win::narrow(token);
    EXPECT_EQ(exchange(port, "GET", "/v1/health", {{"Authorization", bearer}}).status, 200);
    const std::optional<std::string> on = readFileBytes(settingsFile());
    ASSERT_TRUE(on);
    EXPECT_NE(on->find(join({text::kKeyApiEnabled, "=", text::kTrue})), std::string::npos);
    EXPECT_NE(on->find(join({text::kKeyApiToken, "=", win::narrow(token)})), std::string::npos);

    // Off again: the port is closed.
    ASSERT_TRUE(panel->command(id::kAutomation));
    dialog = findDialog(panel->pid(), L"自动化接口");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(sendWithTimeout(controlById(dialog, id::dialog::kApiEnabled), BM_CLICK, 0, 0));
    ASSERT_TRUE(clickAndWaitGone(dialog, L"确定"));
    EXPECT_TRUE(panel->caughtUp());
    EXPECT_EQ(exchange(port, "GET", "/v1/health", {{"Authorization", bearer}}, {}, std::chrono::seconds(3)).status, 0);
    const std::optional<std::string> off = readFileBytes(settingsFile());
    ASSERT_TRUE(off);
    EXPECT_NE(off->find(join({text::kKeyApiEnabled, "=", text::kFalse})), std::string::npos);
}

TEST_F(Automation, AnAddressBeyondThisMachineNeedsTheOperatorsConfirmation) {
    writeSettingsWithBrowser();
    panel = std::make_unique<PanelProcess>(sandbox);
    ASSERT_TRUE(panel->ready()) << panel->startError();
    ASSERT_TRUE(panel->command(id::kAutomation));
    const HWND dialog = findDialog(panel->pid(), L"自动化接口");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(setEditText(controlById(dialog, id::dialog::kApiAddress), "192.0.2.1"));
    ASSERT_TRUE(sendWithTimeout(controlById(dialog, id::dialog::kApiEnabled), BM_CLICK, 0, 0));
    const HWND confirm = findDescendant(dialog, L"Button", L"确定");
    ASSERT_NE(confirm, nullptr);
    ASSERT_TRUE(PostMessageW(confirm, BM_CLICK, 0, 0));
    // The warning names the address; declined, the dialog stays and nothing listens.
    const std::optional<MessageBoxInfo> warning = panel->messageBox();
    ASSERT_TRUE(warning);
    EXPECT_NE(warning->text.find("192.0.2.1"), std::string::npos) << warning->text;
    ASSERT_TRUE(pressButton(warning->window, IDCANCEL));
    EXPECT_TRUE(IsWindow(dialog));
    ASSERT_TRUE(clickAndWaitGone(dialog, L"取消"));
    const std::optional<std::string> settings = readFileBytes(settingsFile());
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->find(text::kKeyApiEnabled), std::string::npos);
}

TEST_F(Automation, APortInUseIsToldAndTheInterfaceStaysOff) {
    boost::asio::io_context ioc;
    boost::asio::ip::tcp::acceptor holder(ioc, {boost::asio::ip::make_address("127.0.0.1"), 0});
    const std::uint16_t taken = holder.local_endpoint().port();
    port = taken;
    writeSettingsWithBrowser(join({text::kKeyApiEnabled, "=", text::kTrue, "\r\n", text::kKeyApiPort, "=",
                                   std::to_string(taken), "\r\n", text::kKeyApiToken, "=", kToken, "\r\n"}));
    PanelOptions options;
    options.waitForChannel = false;
    panel = std::make_unique<PanelProcess>(sandbox, options);
    ASSERT_TRUE(panel->ready()) << panel->startError();
    const std::optional<MessageBoxInfo> box = panel->messageBox();
    ASSERT_TRUE(box);
    EXPECT_NE(box->text.find("127.0.0.1:" + std::to_string(taken)), std::string::npos) << box->text;
    ASSERT_TRUE(pressButton(box->window, IDOK));
    // Off, and kept off: the setting says so now.
    const std::optional<std::string> settings = readFileBytes(settingsFile());
    ASSERT_TRUE(settings);
    EXPECT_NE(settings->find(join({text::kKeyApiEnabled, "=", text::kFalse})), std::string::npos);
}

}  // namespace
}  // namespace vuv::e2e
