// The router as a pure function: security first, then path, method and the
// parameters of each route, with the GBK conversion at the edge.
#include "api/request.h"
#include "api/event_store.h"
#include "core/api/iconv_codec.h"
#include "common/texts.h"

#include <boost/json/serialize.hpp>

#include <gtest/gtest.h>

#include <string>

namespace vuv::api {
namespace {

namespace json = boost::json;

const Listening kListening{"127.0.0.1", 17801, "secret-token"};

struct Req {
    std::string method = "GET";
    std::string target = "/v1/health";
    std::optional<std::string> host = std::string("127.0.0.1:17801");
    std::optional<std::string> origin;
    std::optional<std::string> authorization = std::string("Bearer secret-token");
    std::optional<std::string> lastEventId;
    std::string body;
};

Decision run(const Req& r, const Listening& listening = kListening) {
    static const test::IconvCodec codec;
    RequestView v;
    v.method = r.method;
    v.target = r.target;
    if (r.host) v.host = *r.host;
    if (r.origin) v.origin = *r.origin;
    if (r.authorization) v.authorization = *r.authorization;
    if (r.lastEventId) v.lastEventId = *r.lastEventId;
    v.body = r.body;
    return decide(v, listening, codec);
}

unsigned status(const Req& r) {
    const Decision d = run(r);
    return d.error ? d.error->status : 200;
}

std::string message(const Req& r) {
    const Decision d = run(r);
    if (!d.error) return "(no error)";
    return std::string(d.error->body.at("error").at("message").as_string());
}

Req post(std::string target, std::string body) {
    Req r;
    r.method = "POST";
    r.target = std::move(target);
    r.body = std::move(body);
    return r;
}

TEST(Router, RefusesWebPagesAndForeignHostsBeforeAnythingElse) {
    Req r;
    r.origin = "http://localhost:17801";
    EXPECT_EQ(status(r), 403u);
    r.authorization.reset();  // still 403: the page learns nothing of the token
    EXPECT_EQ(status(r), 403u);

    for (const char* good : {"127.0.0.1:17801", "localhost:17801", "LocalHost:17801", "[::1]:17801"}) {
        Req h;
        h.host = std::string(good);
        EXPECT_EQ(status(h), 200u) << good;
    }
    for (const char* bad : {"127.0.0.1", "127.0.0.1:80", "evil.example:17801", "localhost.evil:17801",
                            "127.0.0.2:17801", "", "::1:17801", "localhost:178010"}) {
        Req h;
        h.host = std::string(bad);
        EXPECT_EQ(status(h), 403u) << bad;
    }
    Req none;
    none.host.reset();
    EXPECT_EQ(status(none), 403u);

    // A panel listening on an IPv6 address is reached in brackets.
    Req v6;
    v6.host = std::string("[fe80::1]:17801");
    const Decision d = run(v6, Listening{"fe80::1", 17801, "secret-token"});
    EXPECT_FALSE(d.error);
}

TEST(Router, NeedsTheTokenInTheHeaderOrOnTheStreamInTheQuery) {
    Req r;
    r.authorization.reset();
    EXPECT_EQ(status(r), 401u);
    for (const char* bad : {"Bearer secret-toke", "Bearer secret-tokenn", "Bearer Secret-token", "secret-token",
                            "Basic secret-token", "Bearer ", "Bearer  secret-token"}) {
        r.authorization = std::string(bad);
        EXPECT_EQ(status(r), 401u) << bad;
    }
    r.authorization = std::string("bearer secret-token");  // the scheme's case does not matter
    EXPECT_EQ(status(r), 200u);

    Req events;
    events.target = "/v1/events?token=secret-token";
    events.authorization.reset();
    EXPECT_EQ(status(events), 200u);
    events.target = "/v1/events?token=secret%2Dtoken";  // decoded like any value
    EXPECT_EQ(status(events), 200u);
    events.target = "/v1/events?token=wrong";
    EXPECT_EQ(status(events), 401u);

    // Anywhere else the query's token is refused, even beside a good header.
    Req other;
    other.target = "/v1/health?token=secret-token";
    EXPECT_EQ(status(other), 401u);
    other.authorization.reset();
    EXPECT_EQ(status(other), 401u);

    // A panel without a token lets nobody in.
    Req empty;
    empty.authorization = std::string("Bearer ");
    EXPECT_TRUE(run(empty, Listening{"127.0.0.1", 17801, ""}).error);
    EXPECT_TRUE(run(Req{}, Listening{"127.0.0.1", 17801, ""}).error);
}

TEST(Router, ComparesSecretsWholly) {
    EXPECT_TRUE(sameSecret("abc", "abc"));
    EXPECT_TRUE(sameSecret("", ""));
    EXPECT_FALSE(sameSecret("abc", "abd"));
    EXPECT_FALSE(sameSecret("abc", "ab"));
    EXPECT_FALSE(sameSecret("ab", "abc"));
    EXPECT_FALSE(sameSecret(std::string("a\0", 2), "a"));
}

TEST(Router, TellsUnknownPathsFromWrongMethods) {
    Req r;
    r.target = "/v1/healthz";
    EXPECT_EQ(status(r), 404u);
    r.target = "/v1/health/";
    EXPECT_EQ(status(r), 404u);
    r.target = "/v1/rules/x";
    EXPECT_EQ(status(r), 404u);
    r.method = "DELETE";
    r.target = "/v1/rules/99999999999";
    EXPECT_EQ(status(r), 404u);
    r.target = "/v1/rules/%31";  // no route has escapes in its path
    EXPECT_EQ(status(r), 400u);

    Req m;
    m.method = "PUT";
    m.target = "/v1/bookmarks";
    EXPECT_EQ(status(m), 405u);
    EXPECT_EQ(message(m), "this path takes GET, POST, DELETE");
    m.method = "get";  // methods are case-sensitive
    EXPECT_EQ(status(m), 405u);
}

TEST(Router, TakesThePathsIndexAndTheRoutesQuery) {
    Req r;
    r.method = "DELETE";
    r.target = "/v1/rules/12";
    Decision d = run(r);
    ASSERT_FALSE(d.error);
    EXPECT_EQ(d.call.route, Route::RulesDelete);
    EXPECT_EQ(d.call.pathIndex, 12);

    Req q;
    q.target = "/v1/bookmarks?state=opened&offset=5&limit=10";
    d = run(q);
    ASSERT_FALSE(d.error);
    EXPECT_EQ(d.call.params.at("state").as_string(), "opened");
    EXPECT_EQ(d.call.params.at("offset").as_int64(), 5);
    EXPECT_EQ(d.call.params.at("limit").as_int64(), 10);

    for (const char* bad : {"?state=hung", "?offset=-1", "?offset=1e3", "?limit=0", "?offset=99999999999999999999",
                            "?bogus=1", "?offset=1&offset=2", "?offset="}) {
        Req b;
        b.target = std::string("/v1/bookmarks") + bad;
        EXPECT_EQ(status(b), 422u) << bad;
    }
    Req broken;
    broken.target = "/v1/copies?state=%4";
    EXPECT_EQ(status(broken), 400u);
    Req copies;
    copies.target = "/v1/copies?state=hung";
    EXPECT_EQ(run(copies).call.params.at("state").as_string(), "hung");
}

TEST(Router, ResumesAStreamFromTheQueryOrTheLastEventId) {
    Req r;
    r.target = "/v1/events";
    r.lastEventId = "41";
    EXPECT_EQ(run(r).call.params.at("after").as_int64(), 41);
    r.target = "/v1/events?after=7";
    EXPECT_EQ(run(r).call.params.at("after").as_int64(), 7);
    r.target = "/v1/events";
    r.lastEventId = "x";
    EXPECT_EQ(status(r), 422u);
    r.lastEventId.reset();
    EXPECT_FALSE(run(r).call.params.contains("after"));
}

TEST(Router, RefusesBodiesThatAreNotWhatTheRouteTakes) {
    EXPECT_EQ(status(post("/v1/bookmarks", "{\"urls\":[\"a\"")), 400u);  // cut short
    EXPECT_EQ(status(post("/v1/bookmarks", "{\"urls\":[\"a\"]} x")), 400u);
    EXPECT_EQ(status(post("/v1/bookmarks", "[1]")), 422u);
    EXPECT_EQ(status(post("/v1/bookmarks", "\"x\"")), 422u);
    EXPECT_EQ(status(post("/v1/bookmarks", "{}")), 422u);
    EXPECT_EQ(message(post("/v1/bookmarks", "{}")), "field \"urls\" is missing");
    EXPECT_EQ(status(post("/v1/bookmarks", "{\"urls\":[\"a\"],\"more\":1}")), 422u);
    EXPECT_EQ(message(post("/v1/bookmarks", "{\"urls\":[\"a\",2]}")), "field \"urls[1]\" must be a string");
    EXPECT_EQ(status(post("/v1/bookmarks", "{\"urls\":\"a\"}")), 422u);
    // Invalid UTF-8, comments and deep nesting are refused by the parser.
    EXPECT_EQ(status(post("/v1/bookmarks", "{\"urls\":[\"\xC4\xE3\"]}")), 400u);
    EXPECT_EQ(status(post("/v1/bookmarks", "{/*c*/\"urls\":[]}")), 400u);
    EXPECT_EQ(status(post("/v1/bookmarks", std::string(100, '[') + std::string(100, ']'))), 400u);
    EXPECT_EQ(status(post("/v1/bookmarks", "{\"urls\":[\"a\\u0000b\"]}")), 422u);
    // A route that takes no body takes none, but an empty object is nothing.
    EXPECT_EQ(status(post("/v1/scan", "")), 200u);
    EXPECT_EQ(status(post("/v1/scan", "  {} ")), 200u);
    EXPECT_EQ(status(post("/v1/scan", "{\"x\":1}")), 422u);
}

TEST(Router, ChecksNumbersExactly) {
    auto count = [](const std::string& n) { return post("/v1/browsers", "{\"count\":" + n + "}"); };
    EXPECT_EQ(run(count("3")).call.params.at("count").as_int64(), 3);
    for (const char* bad : {"0", "-1", "1001", "2.5", "1.0", "1e2", "18446744073709551616", "1e400", "\"3\"", "true",
                            "null", "9223372036854775808"}) {
        EXPECT_EQ(status(count(bad)), 422u) << bad;
    }
    auto to = [](const std::string& n) { return post("/v1/rules/0/move", "{\"to\":" + n + "}"); };
    EXPECT_EQ(status(to("0")), 200u);
    EXPECT_EQ(status(to("10000001")), 422u);
}

TEST(Router, ConvertsTextsToGbkAndNamesTheFieldGbkCannotHold) {
    Decision d = run(post("/v1/bookmarks", "{\"urls\":[\"http://a/\",\"\xE4\xBD\xA0\xE5\xA5\xBD\"]}"));
    ASSERT_FALSE(d.error);
    EXPECT_EQ(d.call.params.at("urls").at(1).as_string(), "\xC4\xE3\xBA\xC3");  // 你好 in GBK
    EXPECT_EQ(d.call.params.at("urls").at(0).as_string(), "http://a/");

    // An emoji and a Hangul syllable have no GBK form.
    const Req emoji = post("/v1/launch-list", "{\"rows\":[{\"url\":\"a\"},{\"url\":\"b\",\"name\":\"\xF0\x9F\x98\x80\"}]}");
    EXPECT_EQ(status(emoji), 422u);
    EXPECT_EQ(run(emoji).error->body.at("error").at("code").as_string(), "not_gbk");
    EXPECT_EQ(message(emoji), "field \"rows[1].name\" holds a character that GBK cannot hold");
    EXPECT_EQ(message(post("/v1/rules", "{\"condition\":\"\xEA\xB0\x80\",\"action\":\"bookmark\"}")),
              "field \"condition\" holds a character that GBK cannot hold");

    // Launch rows get their missing texts as empty ones; the address is needed.
    d = run(post("/v1/launch-list", "{\"rows\":[{\"url\":\"u\"}]}"));
    ASSERT_FALSE(d.error);
    EXPECT_EQ(json::serialize(d.call.params.at("rows")), "[{\"url\":\"u\",\"name\":\"\",\"config\":\"\"}]");
    EXPECT_EQ(message(post("/v1/launch-list", "{\"rows\":[{\"name\":\"n\"}]}")), "field \"rows[0].url\" is missing");
    EXPECT_EQ(message(post("/v1/launch-list", "{\"rows\":[{\"url\":\"u\",\"x\":\"\"}]}")),
              "field \"rows[0].x\" is not a field of a launch row");
}

TEST(Router, ChecksACommandAgainstWhatItTakes) {
    auto cmd = [](const std::string& rest) { return post("/v1/commands", "{" + rest + "}"); };
    EXPECT_EQ(status(cmd("\"command\":\"refresh\",\"target\":{\"all\":true}")), 200u);
    EXPECT_EQ(status(cmd("\"command\":\"refresh\",\"target\":{\"state\":\"hung\"}")), 200u);
    const Decision d = run(cmd("\"command\":\"flash\",\"target\":{\"pids\":[3,1,2]}"));
    ASSERT_FALSE(d.error);
    EXPECT_EQ(json::serialize(d.call.params.at("target")), "{\"pids\":[3,1,2]}");

    for (const char* bad : {
             "\"command\":\"jump\",\"target\":{\"all\":true}",
             "\"command\":\"refresh\"",
             "\"command\":\"refresh\",\"target\":{}",
             "\"command\":\"refresh\",\"target\":{\"all\":false}",
             "\"command\":\"refresh\",\"target\":{\"all\":true,\"pids\":[1]}",
             "\"command\":\"refresh\",\"target\":{\"pids\":[0]}",
             "\"command\":\"refresh\",\"target\":{\"pids\":[4294967296]}",
             "\"command\":\"refresh\",\"target\":{\"state\":\"asleep\"}",
             "\"command\":\"config\",\"target\":{\"all\":true}",
             "\"command\":\"rename\",\"target\":{\"all\":true}",
             "\"command\":\"open\",\"target\":{\"all\":true}",
             "\"command\":\"proxy\",\"target\":{\"all\":true}",
             "\"command\":\"proxy\",\"target\":{\"all\":true},\"proxy\":\"1.2.3.4:5\",\"proxies\":[]",
             "\"command\":\"refresh\",\"target\":{\"all\":true},\"url\":\"x\"",
         }) {
        EXPECT_EQ(status(cmd(bad)), 422u) << bad;
    }
    EXPECT_EQ(status(cmd("\"command\":\"rename\",\"target\":{\"all\":true},\"name\":\"\"")), 200u);
    EXPECT_EQ(status(cmd("\"command\":\"proxy\",\"target\":{\"all\":true},\"proxies\":[\"1.2.3.4:5\"]")), 200u);

    EXPECT_EQ(status(post("/v1/bookmarks/return", "{}")), 422u);
    EXPECT_EQ(status(post("/v1/bookmarks/return", "{\"exited\":false}")), 422u);
    EXPECT_EQ(status(post("/v1/bookmarks/return", "{\"exited\":true,\"indices\":[1]}")), 422u);
    EXPECT_EQ(status(post("/v1/bookmarks/return", "{\"indices\":[1,2]}")), 200u);
    EXPECT_EQ(status(post("/v1/rules", "{\"condition\":\"c\",\"action\":\"link\"}")), 422u);
    EXPECT_EQ(status(post("/v1/launch", "{\"rows\":\"some\"}")), 422u);
    EXPECT_EQ(run(post("/v1/launch", "{\"rows\":\"all\"}")).call.params.at("rows").as_string(), "all");
    Req patch;
    patch.method = "PATCH";
    patch.target = "/v1/options";
    patch.body = "{\"wap\":1}";
    EXPECT_EQ(status(patch), 422u);
    patch.body = "{\"wap\":true,\"interval_ms\":500}";
    EXPECT_EQ(status(patch), 200u);
}

TEST(Router, KeepsMessagesPrintableWhateverTheClientSent) {
    const std::string m = message(post("/v1/bookmarks", "{\"\xE4\xBD\xA0\\n\\\"\":1}"));
    for (const char c : m) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << m;
}

TEST(EventStore, GivesConsecutiveIdsAndTellsOfGaps) {
    EventStore store(3);
    int told = 0;
    store.setListener([&] { ++told; });
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(store.append("t", 1, text::kEventCommand, std::to_string(i)), static_cast<std::uint64_t>(i));
    EXPECT_EQ(told, 5);
    EXPECT_EQ(store.lastId(), 5u);

    EventStore::Page page = store.after(0, 10);
    EXPECT_EQ(page.gapFrom, 1u);
    EXPECT_EQ(page.gapTo, 2u);
    ASSERT_EQ(page.rows.size(), 3u);
    EXPECT_EQ(page.rows[0].id, 3u);
    EXPECT_EQ(page.rows[0].kind, "command");
    EXPECT_EQ(page.rows[2].content, "5");

    page = store.after(3, 1);
    EXPECT_EQ(page.gapTo, 0u);
    ASSERT_EQ(page.rows.size(), 1u);
    EXPECT_EQ(page.rows[0].id, 4u);
    EXPECT_TRUE(store.after(5, 10).rows.empty());
    // A place from an earlier run of the panel reads from the start.
    page = store.after(500, 10);
    EXPECT_EQ(page.gapFrom, 1u);
    EXPECT_EQ(page.rows.size(), 3u);
}

TEST(EventStore, NamesEveryRunLogKind) {
    const std::pair<std::string_view, std::string_view> kinds[] = {
        {text::kEventNotification, "notice"}, {text::kEventLinkCode, "link"},
        {text::kEventPageSource, "page"},     {text::kEventRule, "rule"},
        {text::kEventBookmark, "bookmark"},   {text::kEventNoBookmark, "exhausted"},
        {text::kEventStart, "launch"},        {text::kEventStartFailed, "launch_failed"},
        {text::kEventCommand, "command"},     {text::kEventState, "state"},
        {text::kEventRestart, "restart"},     {text::kEventRestartRefused, "restart_refused"},
        {text::kEventWorkspace, "workspace"}, {text::kEventFailure, "failure"},
    };
    for (const auto& [log, word] : kinds) EXPECT_EQ(eventKindOf(log), word);
    EXPECT_EQ(eventKindOf("x"), "other");
}

TEST(EventTimes, WriteLocalTimeWithItsOffset) {
    EXPECT_EQ(timeText(2026, 12, 8, 9, 5, 3, 8 * 3600), "2026-12-08T09:05:03+08:00");
    EXPECT_EQ(timeText(2026, 1, 1, 0, 0, 0, -(5 * 3600 + 30 * 60)), "2026-01-01T00:00:00-05:30");
    EXPECT_EQ(timeText(2026, 1, 1, 0, 0, 0, 0), "2026-01-01T00:00:00+00:00");
    // The run log's time of day on the moment's local day.
    const std::string t = localTimeTextAt(1'800'000'000, 3723);
    ASSERT_EQ(t.size(), 25u) << t;
    EXPECT_EQ(t.substr(10, 10), "T01:02:03+");
    EXPECT_EQ(localTimeTextAt(1'800'000'000, -1), localTimeText(1'800'000'000));
    const LocalDay day(1'800'000'000);
    for (const std::int32_t s : {-1, 0, 3723, 86399, 86400}) EXPECT_EQ(day.at(s), localTimeTextAt(1'800'000'000, s)) << s;
}

}  // namespace
}  // namespace vuv::api
