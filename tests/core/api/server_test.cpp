// The interface's server on loopback with a fake panel: limits, security
// and the event stream, through real sockets.
#include "api/server.h"
#include "core/api/iconv_codec.h"
#include "core/api/http_client.h"

#include <boost/asio/connect.hpp>
#include <boost/json/parse.hpp>
#include <boost/json/serialize.hpp>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <random>
#include <thread>

namespace vuv::api {
namespace {

namespace json = boost::json;
using test::exchange;
using test::rawExchange;
using test::Reply;

constexpr char kToken[] = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

// Answers every call with its route and parameters, texts as GBK.
class FakePanel final : public Executor {
public:
    Answer carryOut(const Call& call) override {
        calls.fetch_add(1);
        if (call.route == Route::Scan && holdScans) {
            // Held until the test opens the gate (at most 20 s).
            std::unique_lock<std::mutex> lock(mutex);
            scanWaiting = true;
            changed.notify_all();
            changed.wait_for(lock, std::chrono::seconds(20), [this] { return !holdScans; });
        }
        json::object o;
        o["route"] = static_cast<int>(call.route);
        o["index"] = call.pathIndex;
        o["params"] = call.params;
        o["gbk"] = "\xC4\xE3\xBA\xC3";  // 你好
        return Answer{call.route == Route::LaunchStart ? 202u : 200u, std::move(o)};
    }
    void openGate() {
        const std::lock_guard<std::mutex> lock(mutex);
        holdScans = false;
        changed.notify_all();
    }
    bool waitForScan() {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), [this] { return scanWaiting; });
    }

    std::atomic<int> calls{0};
    bool holdScans = false;
    bool scanWaiting = false;
    std::mutex mutex;
    std::condition_variable changed;
};

std::string readStream(std::uint16_t port, const std::string& head, std::string_view until);
std::string streamHead(std::uint16_t port, std::string_view query, std::string_view extra = {});

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(server.start(Listening{"127.0.0.1", 0, kToken}), "");
        port = server.port();
        ASSERT_NE(port, 0);
    }

    Reply get(std::string_view target, std::map<std::string, std::string> headers = {}) {
        headers.emplace("Authorization", std::string("Bearer ") + kToken);
        return exchange(port, "GET", target, headers);
    }

    // Waits (up to 10 s) until the server counts n connections.
    bool connectionsReach(std::size_t n) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < end) {
            if (server.connections() == n) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    FakePanel panel;
    EventStore events{100};
    test::IconvCodec codec;
    Server server{panel, events, codec, "1.2.3", ServerTimings{2, 1}};
    std::uint16_t port = 0;
};

TEST_F(ServerTest, AnswersACallAsJsonInUtf8WithoutCrossOriginHeaders) {
    const Reply r = get("/v1/health");
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(r.headers.at("content-type"), "application/json; charset=utf-8");
    for (const auto& [name, value] : r.headers) EXPECT_NE(name.rfind("access-control", 0), 0u) << name;
    const json::value body = json::parse(r.body);
    EXPECT_EQ(body.at("route").as_int64(), static_cast<int>(Route::Health));
    EXPECT_EQ(body.at("gbk").as_string(), "\xE4\xBD\xA0\xE5\xA5\xBD");  // 你好 in UTF-8
    EXPECT_EQ(panel.calls.load(), 1);
}

TEST_F(ServerTest, RefusalsNeverReachThePanel) {
    EXPECT_EQ(exchange(port, "GET", "/v1/health").status, 401);
    EXPECT_EQ(get("/v1/health", {{"Authorization", "Bearer wrong"}}).status, 401);
    EXPECT_EQ(get("/v1/health", {{"Origin", "http://example.invalid"}}).status, 403);
    EXPECT_EQ(get("/v1/health", {{"Host", "evil.example:" + std::to_string(port)}}).status, 403);
    EXPECT_EQ(get("/v1/nothing").status, 404);
    EXPECT_EQ(exchange(port, "DELETE", "/v1/health", {{"Authorization", std::string("Bearer ") + kToken}}).status,
              405);
    const Reply r = exchange(port, "POST", "/v1/commands", {{"Authorization", std::string("Bearer ") + kToken}},
                             "{\"command\":");
    EXPECT_EQ(r.status, 400);
    EXPECT_EQ(json::parse(r.body).at("error").at("code").as_string(), "bad_json");
    EXPECT_EQ(panel.calls.load(), 0);
    // The server still answers after all of them.
    EXPECT_EQ(get("/v1/health").status, 200);
}

TEST_F(ServerTest, EveryRouteOfTheDocumentRefusesWhatItMust) {
    const Reply doc = get("/v1/openapi.json");
    ASSERT_EQ(doc.status, 200);
    const json::value parsed = json::parse(doc.body);
    const json::object& paths = parsed.at("paths").as_object();
    int checked = 0;
    for (const auto& [pathTemplate, item] : paths) {
        std::string path(pathTemplate);
        const std::size_t brace = path.find("{index}");
        if (brace != std::string::npos) path.replace(brace, 7, "0");
        for (const auto& [lowerMethod, op] : item.as_object()) {
            std::string method(lowerMethod);
            for (char& c : method) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            const std::string bearer = std::string("Bearer ") + kToken;
            SCOPED_TRACE(method + " " + path);
            EXPECT_EQ(exchange(port, method, path).status, 401);
            EXPECT_EQ(exchange(port, method, path, {{"Authorization", "Bearer x" + std::string(kToken).substr(1)}})
                          .status,
                      401);
            EXPECT_EQ(exchange(port, method, path, {{"Authorization", bearer}, {"Origin", "null"}}).status, 403);
            EXPECT_EQ(exchange(port, method, path, {{"Authorization", bearer}, {"Host", "localhost.evil:1"}}).status,
                      403);
            EXPECT_EQ(exchange(port, method, path + "x", {{"Authorization", bearer}}).status, 404);
            EXPECT_EQ(exchange(port, "PUT", path, {{"Authorization", bearer}}).status, 405);
            EXPECT_EQ(exchange(port, method, path, {{"Authorization", bearer}, {"X-Pad", std::string(9000, 'a')}})
                          .status,
                      431);
            EXPECT_EQ(exchange(port, method, path, {{"Authorization", bearer}}, std::string(kBodyLimit + 1, ' '))
                          .status,
                      413);
            ++checked;
        }
    }
    EXPECT_EQ(panel.calls.load(), 0);
    std::size_t routes = 0;
    (void)routeTable(routes);
    EXPECT_EQ(checked, static_cast<int>(routes));
}

TEST_F(ServerTest, TheDocumentListsExactlyTheRoutesTheRouterTakes) {
    const json::value doc = json::parse(get("/v1/openapi.json").body);
    std::size_t count = 0;
    const RouteSpec* table = routeTable(count);
    std::size_t operations = 0;
    for (const auto& [path, item] : doc.at("paths").as_object()) operations += item.as_object().size();
    EXPECT_EQ(operations, count);
    for (std::size_t i = 0; i < count; ++i) {
        std::string method(table[i].method);
        for (char& c : method) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const json::object& item = doc.at("paths").at(table[i].path).as_object();
        ASSERT_TRUE(item.contains(method)) << table[i].path << " " << method;
        // What the document calls required, the router refuses without.
        if (table[i].body != nullptr) {
            for (std::size_t b = 0; b < table[i].bodyCount; ++b) {
                const json::object& schema =
                    item.at(method).at("requestBody").at("content").at("application/json").at("schema").as_object();
                EXPECT_TRUE(schema.at("properties").as_object().contains(table[i].body[b].name));
            }
        }
    }
}

TEST_F(ServerTest, ALongCallHoldsUpNoOtherConnectionNorTheStream) {
    panel.holdScans = true;
    std::thread slow([&] {
        const Reply r = exchange(port, "POST", "/v1/scan", {{"Authorization", std::string("Bearer ") + kToken}}, {},
                                 std::chrono::seconds(30));
        EXPECT_EQ(r.status, 200);
    });
    ASSERT_TRUE(panel.waitForScan());
    // While the scan is held: the document, the log page and the stream answer.
    EXPECT_EQ(get("/v1/openapi.json").status, 200);
    EXPECT_EQ(get("/v1/log").status, 200);
    events.append("t", 1, "x", "during");
    const std::string got = readStream(port, streamHead(port, std::string("?token=") + kToken), "during");
    EXPECT_NE(got.find("\"content\":\"during\""), std::string::npos);
    panel.openGate();
    slow.join();
}

TEST_F(ServerTest, KeepsAConnectionForManyRequests) {
    // Two requests in one write, answered in order on the same connection.
    const std::string one = "GET /v1/openapi.json HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                            "\r\nAuthorization: Bearer " + kToken + "\r\n\r\n";
    const std::string last = "GET /v1/nothing HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                             "\r\nAuthorization: Bearer " + kToken + "\r\nConnection: close\r\n\r\n";
    const std::string got = rawExchange(port, one + last);
    EXPECT_EQ(got.find("HTTP/1.1 200"), 0u);
    EXPECT_NE(got.find("HTTP/1.1 404"), std::string::npos);
}

TEST_F(ServerTest, ClosesSlowAndIdleConnections) {
    // Half a head, then nothing: closed after the idle time (2 s here), with no answer.
    const auto start = std::chrono::steady_clock::now();
    const std::string got = rawExchange(port, "GET /v1/health HTTP/1.1\r\nHost: 127", std::chrono::seconds(8));
    EXPECT_EQ(got, "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(7));
    EXPECT_TRUE(connectionsReach(0));
}

TEST_F(ServerTest, RefusesConnectionsBeyondTheLimit) {
    namespace asio = boost::asio;
    asio::io_context ioc;
    std::vector<asio::ip::tcp::socket> held;
    const asio::ip::tcp::endpoint to(asio::ip::make_address("127.0.0.1"), port);
    for (std::size_t i = 0; i < kConnectionLimit; ++i) {
        held.emplace_back(ioc);
        held.back().connect(to);
    }
    ASSERT_TRUE(connectionsReach(kConnectionLimit));
    EXPECT_EQ(get("/v1/health", {}).status, 0);
    held.pop_back();
    ASSERT_TRUE(connectionsReach(kConnectionLimit - 1));
    EXPECT_EQ(get("/v1/health").status, 200);
    held.clear();
    EXPECT_TRUE(connectionsReach(0));
}

std::string readStream(std::uint16_t port, const std::string& head, std::string_view until) {
    return test::readUntil(port, head, until);
}

std::string streamHead(std::uint16_t port, std::string_view query, std::string_view extra) {
    return "GET /v1/events" + std::string(query) + " HTTP/1.1\r\nHost: localhost:" + std::to_string(port) + "\r\n" +
           std::string(extra) + "\r\n";
}

TEST_F(ServerTest, StreamsRowsWithConsecutiveIdsAndResumes) {
    events.append("2026-01-01T00:00:00+08:00", 7, "\xCD\xA8\xD6\xAA", "a");             // 通知
    events.append("2026-01-01T00:00:01+08:00", 7, "\xC3\xFC\xC1\xEE", "\xC4\xE3\xBA\xC3");  // 命令 你好
    // The query's token on /v1/events, and rows after id 1.
    std::string got = readStream(port, streamHead(port, std::string("?after=1&token=") + kToken), "id: 2\n");
    EXPECT_EQ(got.find("HTTP/1.1 200 OK\r\n"), 0u);
    EXPECT_NE(got.find("Content-Type: text/event-stream"), std::string::npos);
    EXPECT_EQ(got.find("id: 1\n"), std::string::npos);
    EXPECT_NE(got.find("id: 2\nevent: command\ndata: {\"id\":2,\"time\":\"2026-01-01T00:00:01+08:00\",\"pid\":7,"
                       "\"kind\":\"command\",\"content\":\"\xE4\xBD\xA0\xE5\xA5\xBD\"}\n\n"),
              std::string::npos)
        << got;

    // Rows appended while the stream is open arrive, in order, from another thread.
    std::thread appender([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        for (int i = 0; i < 50; ++i) events.append("t", 1, "\xC1\xAC\xBD\xD3\xC2\xEB", std::to_string(i));
    });
    got = readStream(port, streamHead(port, "", std::string("Authorization: Bearer ") + kToken + "\r\nLast-Event-ID: 2\r\n"),
                     "id: 52\n");
    appender.join();
    std::size_t at = 0;
    for (int id = 3; id <= 52; ++id) {
        const std::size_t next = got.find("id: " + std::to_string(id) + "\nevent: link\n", at);
        ASSERT_NE(next, std::string::npos) << id;
        at = next;
    }
}

TEST_F(ServerTest, TellsOfRowsNoLongerHeld) {
    for (int i = 0; i < 150; ++i) events.append("t", 0, "?", "x");  // the store keeps 100: ids 51..150
    const std::string got =
        readStream(port, streamHead(port, std::string("?after=10&token=") + kToken), "id: 150\n");
    const std::size_t gap = got.find("event: gap\ndata: {\"from\":11,\"to\":50}\n\n");
    ASSERT_NE(gap, std::string::npos) << got.substr(0, 400);
    EXPECT_LT(gap, got.find("id: 51\nevent: other\n"));

    const Reply page = get("/v1/log?after=10&limit=5");
    ASSERT_EQ(page.status, 200);
    const json::value body = json::parse(page.body);
    EXPECT_EQ(body.at("gap").at("from").as_int64(), 11);
    EXPECT_EQ(body.at("rows").as_array().size(), 5u);
    EXPECT_EQ(body.at("rows").at(0).at("id").as_int64(), 51);
    EXPECT_EQ(body.at("last").as_int64(), 150);
}

TEST_F(ServerTest, KeepsAnIdleStreamOpenWithComments) {
    // The comment comes every second here; two of them outlast the 2 s idle limit.
    const std::string got = readStream(port, streamHead(port, std::string("?token=") + kToken),
                                       ": keep-alive\n\n: keep-alive\n\n: keep-alive\n\n");
    EXPECT_NE(got.find(": keep-alive\n\n: keep-alive\n\n: keep-alive\n\n"), std::string::npos) << got;
}

TEST_F(ServerTest, HostileRequestsLeaveItAnswering) {
    std::mt19937 random(12345);
    const std::string bearer = std::string("Bearer ") + kToken;
    const std::string host = "Host: 127.0.0.1:" + std::to_string(port) + "\r\n";
    const std::string auth = "Authorization: " + bearer + "\r\n";
    const std::vector<std::string> bodies = {
        "{", "[]", "{\"urls\":", "{\"urls\":[1e999999]}", std::string(200, '[') + std::string(200, ']'),
        "{\"urls\":[\"\xFF\xFE\"]}", "{\"urls\":[\"\xF0\x9F\x98\x80\"]}", "{\"count\":99999999999999999999999}",
        "\x00\x01\x02", "{\"command\":\"close\",\"target\":{\"pids\":[-1]}}", "nul\u0000l",
    };
    const char* posts[] = {"/v1/bookmarks", "/v1/browsers", "/v1/commands", "/v1/rules/1/move"};
    const char* strange[] = {"/v1/%zz", "//v1//health", "/v1/events?after=-1", "*", "/v1/health?x=%",
                             "/v1/health?token=1", "/v1/../v1/health", "/V1/HEALTH"};
    int answered = 0;
    for (int i = 0; i < 400; ++i) {
        std::string request;
        switch (i % 4) {
            case 0:  // broken JSON and wrong types on real routes
            case 1: {
                const std::string& body = bodies[random() % bodies.size()];
                request = std::string("POST ") + posts[random() % std::size(posts)] + " HTTP/1.1\r\n" + host + auth +
                          "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
                break;
            }
            case 2:  // strange targets and methods
                request = (i % 3 ? std::string("GET ") + strange[random() % std::size(strange)]
                                 : std::string("BREW ") + posts[random() % std::size(posts)]) +
                          " HTTP/1.1\r\n" + host + auth + "Connection: close\r\n\r\n";
                break;
            default: {  // garbage, and a chunked body that breaks its own rules
                std::string junk(1 + random() % 300, '\0');
                for (char& c : junk) c = static_cast<char>(random());
                request = i % 2 ? junk + "\r\n\r\n"
                                : "POST /v1/bookmarks HTTP/1.1\r\n" + host + auth +
                                      "Transfer-Encoding: chunked\r\n\r\nzz\r\n";
            }
        }
        if (rawExchange(port, request, std::chrono::seconds(5)).rfind("HTTP/1.1 4", 0) == 0) ++answered;
    }
    // Slow and half-closed clients, all at once: a head cut short, a body
    // shorter than its length; each is closed after the idle time.
    std::vector<std::thread> slow;
    for (const std::string& request : {std::string("GET /v1/health HTTP/1.1\r\nHost: "),
                                       "POST /v1/bookmarks HTTP/1.1\r\n" + host + auth +
                                           "Content-Length: 10\r\n\r\n{}"}) {
        for (int n = 0; n < 4; ++n) {
            slow.emplace_back([this, request] { EXPECT_EQ(rawExchange(port, request, std::chrono::seconds(8)), ""); });
        }
    }
    for (std::thread& t : slow) t.join();
    EXPECT_EQ(answered, 400);  // every one with a 4xx answer
    EXPECT_EQ(panel.calls.load(), 0);
    EXPECT_TRUE(connectionsReach(0));
    EXPECT_EQ(get("/v1/health").status, 200);
}

TEST(ServerStart, APortInUseIsReportedAndNothingRuns) {
    FakePanel panel;
    EventStore events;
    test::IconvCodec codec;
    Server first(panel, events, codec, "1");
    ASSERT_EQ(first.start(Listening{"127.0.0.1", 0, kToken}), "");
    Server second(panel, events, codec, "1");
    const std::string error = second.start(Listening{"127.0.0.1", first.port(), kToken});
    EXPECT_NE(error.find("127.0.0.1:" + std::to_string(first.port())), std::string::npos) << error;
    EXPECT_FALSE(second.running());
    EXPECT_NE(second.start(Listening{"no address", 1, kToken}), "");
    first.stop();
    EXPECT_FALSE(first.running());
}

}  // namespace
}  // namespace vuv::api
