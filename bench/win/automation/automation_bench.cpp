// Cost of the automation interface of the real panel, over loopback with
// one kept-alive connection, each figure against its baseline in the same
// run:
//
//   health   GET /v1/health, median and 99th percentile, against a minimal
//            server on the same library in this process that answers every
//            request with a fixed JSON body (target: at most 1.5 times);
//   copies   GET /v1/copies with the stand-ins listed, against /v1/health
//            (target: at most 3 times);
//   command  POST /v1/commands, 刷新 to one copy, acknowledged, against the
//            same command from the window: the copy's row selected in the
//            instance table and the pop-up item's WM_COMMAND sent to the
//            main window, requests taking turns in four rounds; every one
//            must show up in the copy's log (target: at most 2 times);
//   events   a stand-in's notifications while one event stream is open:
//            events delivered per second against notifications received
//            per second (target: at least 1, none lost).
//
//   automation_bench [copies=200] [requests=400] [notifications=2000]
//
// Run it under Wine from the build directory, beside vuv.exe and lxbr.exe.
#include "e2e/notification_helpers.h"

#include "core/api/http_client.h"

#include "../../bench_line.h"
#include "../bench_win.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace vuv;
using namespace vuv::e2e;
namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

constexpr char kToken[] = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

// The least an HTTP server on the same library does: reads a request and
// answers a fixed body, one connection at a time, on a thread of its own.
class MinimalServer {
public:
    MinimalServer() : acceptor_(ioc_, {asio::ip::make_address("127.0.0.1"), 0}) {
        thread_ = std::thread([this] {
            while (!stop_) {
                tcp::socket socket(ioc_);
                beast::error_code ec;
                acceptor_.accept(socket, ec);
                if (ec || stop_) return;
                beast::flat_buffer buffer;
                for (;;) {
                    http::request<http::string_body> req;
                    http::read(socket, buffer, req, ec);
                    if (ec) break;
                    http::response<http::string_body> res{http::status::ok, req.version()};
                    res.set(http::field::content_type, "application/json; charset=utf-8");
                    res.body() = "{\"version\":\"0.1.0\",\"walking\":false}";
                    res.keep_alive(req.keep_alive());
                    res.prepare_payload();
                    http::write(socket, res, ec);
                    if (ec) break;
                }
            }
        });
    }
    ~MinimalServer() {
        stop_ = true;
        beast::error_code ec;
        // A connection wakes the accept, which then sees stop_.
        tcp::socket poke(ioc_);
        poke.connect(acceptor_.local_endpoint(), ec);
        poke.close(ec);
        thread_.join();
    }
    [[nodiscard]] std::uint16_t port() const { return acceptor_.local_endpoint().port(); }

private:
    asio::io_context ioc_;
    tcp::acceptor acceptor_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

// One kept-alive connection; each request timed from its write to the end
// of its answer.
class Client {
public:
    explicit Client(std::uint16_t port) : port_(port), socket_(ioc_) {
        socket_.connect({asio::ip::make_address("127.0.0.1"), port});
    }
    // Milliseconds, or a negative number when the exchange failed.
    double time(const std::string& target, int* status = nullptr) {
        http::request<http::string_body> req{http::verb::get, target, 11};
        return exchange(req, status, nullptr);
    }
    // A POST of a JSON body; its answer's body in answer.
    double post(const std::string& target, const std::string& body, int* status, std::string* answer) {
        http::request<http::string_body> req{http::verb::post, target, 11};
        req.set(http::field::content_type, "application/json");
        req.body() = body;
        req.prepare_payload();
        return exchange(req, status, answer);
    }

private:
    double exchange(http::request<http::string_body>& req, int* status, std::string* answer) {
        req.set(http::field::host, "127.0.0.1:" + std::to_string(port_));
        req.set(http::field::authorization, std::string("Bearer ") + kToken);
        const auto start = Clock::now();
        beast::error_code ec;
        http::write(socket_, req, ec);
        if (ec) return -1;
        http::response<http::string_body> res;
        http::read(socket_, buffer_, res, ec);
        if (ec) return -1;
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (status != nullptr) *status = static_cast<int>(res.result_int());
        if (answer != nullptr) *answer = std::move(res.body());
        return ms;
    }

    std::uint16_t port_;
    asio::io_context ioc_;
    tcp::socket socket_;
    beast::flat_buffer buffer_;
};

struct Spread {
    double median = 0;
    double p99 = 0;
};

Spread spreadOf(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    if (samples.empty()) return {};
    return {samples[samples.size() / 2], samples[std::min(samples.size() - 1, samples.size() * 99 / 100)]};
}

Spread measure(Client& client, const std::string& target, int requests) {
    std::vector<double> samples;
    for (int i = 0; i < requests / 10; ++i) (void)client.time(target);  // warm-up
    for (int i = 0; i < requests; ++i) {
        const double ms = client.time(target);
        if (ms >= 0) samples.push_back(ms);
    }
    return spreadOf(std::move(samples));
}

std::uint16_t freePort() {
    asio::io_context ioc;
    tcp::acceptor probe(ioc, {asio::ip::make_address("127.0.0.1"), 0});
    return probe.local_endpoint().port();
}

}  // namespace

int main(int argc, char** argv) {
    const int copies = argc > 1 ? std::atoi(argv[1]) : 200;
    const int requests = argc > 2 ? std::atoi(argv[2]) : 400;
    const int notifications = argc > 3 ? std::atoi(argv[3]) : 2000;

    Sandbox sandbox;
    if (!sandbox.ok() || !sandbox.hasPanel()) {
        std::fprintf(stderr, "vuv.exe and lxbr.exe must be beside this program\n");
        return 1;
    }
    const std::uint16_t port = freePort();
    const std::string settings =
        join({"[", text::kSettingsSection, "]\r\n", text::kKeyBrowserPath, "=", win::narrow(sandbox.standinExe()),
              "\r\n", text::kKeyApiEnabled, "=", text::kTrue, "\r\n", text::kKeyApiPort, "=", std::to_string(port),
              "\r\n", text::kKeyApiToken, "=", kToken, "\r\n"});
    if (!writeFileBytes(sandbox.path(win::widen(text::kSettingsFile)), settings)) return 1;
    std::vector<std::unique_ptr<StandinProcess>> standins;
    for (int i = 0; i < copies; ++i) {
        standins.push_back(std::make_unique<StandinProcess>(sandbox));
        if (!standins.back()->ready()) {
            std::fprintf(stderr, "stand-in %d did not start\n", i);
            return 1;
        }
    }
    PanelProcess panel(sandbox);
    if (!panel.ready()) {
        std::fprintf(stderr, "panel: %s\n", panel.startError().c_str());
        return 1;
    }
    std::printf("%d stand-ins listed, interface on 127.0.0.1:%u\n", copies, port);

    MinimalServer minimal;
    Client toMinimal(minimal.port());
    Client toPanel(port);
    int status = 0;
    if (toPanel.time("/v1/health", &status) < 0 || status != 200) {
        std::fprintf(stderr, "the interface does not answer (%d)\n", status);
        return 1;
    }
    // Taking turns, so that both see the same machine.
    Spread health{};
    Spread fixed{};
    std::vector<double> h;
    std::vector<double> f;
    for (int round = 0; round < 4; ++round) {
        const Spread a = measure(toPanel, "/v1/health", requests / 4);
        const Spread b = measure(toMinimal, "/v1/health", requests / 4);
        h.push_back(a.median);
        f.push_back(b.median);
        health.p99 = std::max(health.p99, a.p99);
        fixed.p99 = std::max(fixed.p99, b.p99);
    }
    health.median = bench::medianOf(h);
    fixed.median = bench::medianOf(f);
    std::printf("health: median %.3f ms, p99 %.3f ms; minimal server: median %.3f ms, p99 %.3f ms\n", health.median,
                health.p99, fixed.median, fixed.p99);
    bench::figure("automation.health_median", health.median, "ms", fixed.median);
    bench::figure("automation.health_p99", health.p99, "ms", fixed.p99);

    const Spread list = measure(toPanel, "/v1/copies", requests / 2);
    const Spread again = measure(toPanel, "/v1/health", requests / 2);
    std::printf("copies (%d): median %.3f ms against health %.3f ms\n", copies, list.median, again.median);
    bench::figure("automation.copies_" + std::to_string(copies), list.median, "ms", again.median);

    // A command: 刷新 to one copy through the interface, against the same
    // command from the window: the copy's row selected in the instance
    // table and the pop-up item's WM_COMMAND sent to the main window, which
    // returns once the panel has had the copy's answer to the transfer.
    StandinProcess& target = *standins.front();
    const HWND table = panel.control(id::kInstanceTable);
    const std::string pidText = std::to_string(target.pid());
    int row = -1;
    waitUntil(
        [&] {
            const Table rows = readListView(table, 1);
            for (std::size_t i = 0; i < rows.size(); ++i) {
                if (!rows[i].empty() && rows[i][0] == pidText) row = static_cast<int>(i);
            }
            return row >= 0;
        },
        Ms{30000}, Ms{100});
    if (row < 0 || !selectRows(table, {row}) || selectedRows(table) != std::vector<int>{row}) {
        std::fprintf(stderr, "the row of stand-in %s cannot be selected\n", pidText.c_str());
        return 1;
    }
    const std::string refreshBody = "{\"command\":\"refresh\",\"target\":{\"pids\":[" + pidText + "]}}";
    const std::string refreshWire = toolbarPayload(text::kToolbarRefresh);
    // Proof that each command reached the copy: its log's refreshes.
    const auto refreshesReceived = [&] {
        std::size_t n = 0;
        for (const StandinRecord& r : target.log()) {
            if (r.kind == "RECV" && r.name == text::kMsgAdjust && r.bytes == refreshWire) ++n;
        }
        return n;
    };
    std::size_t expected = refreshesReceived();
    int refused = 0;
    const auto throughInterface = [&] {
        int code = 0;
        std::string answer;
        const double ms = toPanel.post("/v1/commands", refreshBody, &code, &answer);
        if (ms < 0 || code != 200 || answer.find("\"outcome\":\"acknowledged\"") == std::string::npos) {
            if (refused++ == 0) std::fprintf(stderr, "interface: %d %s\n", code, answer.c_str());
            return -1.0;
        }
        return ms;
    };
    const auto fromWindow = [&] {
        DWORD_PTR result = 0;
        const auto start = Clock::now();
        if (SendMessageTimeoutW(panel.mainWindow(), WM_COMMAND, MAKEWPARAM(id::kRefresh, 0), 0, SMTO_ABORTIFHUNG,
                                10000, &result) == 0) {
            if (refused++ == 0) std::fprintf(stderr, "window: WM_COMMAND failed (%lu)\n", GetLastError());
            return -1.0;
        }
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    };
    // Each side's round: a few untimed, then the timed ones; every one must
    // show up in the copy's log before the other side's turn.
    bool allArrived = true;
    const auto commandRound = [&](const std::function<double()>& once, int count) {
        std::vector<double> samples;
        for (int i = 0; i < count / 10; ++i) static_cast<void>(once());  // warm-up
        for (int i = 0; i < count; ++i) {
            const double ms = once();
            if (ms >= 0) samples.push_back(ms);
        }
        expected += static_cast<std::size_t>(count / 10 + count);
        if (!waitUntil([&] { return refreshesReceived() >= expected; }, Ms{20000}, Ms{20})) allArrived = false;
        return bench::medianOf(std::move(samples));
    };
    std::vector<double> viaInterface;
    std::vector<double> viaWindow;
    for (int round = 0; round < 4; ++round) {
        viaInterface.push_back(commandRound(throughInterface, requests / 4));
        viaWindow.push_back(commandRound(fromWindow, requests / 4));
    }
    const std::size_t arrived = refreshesReceived();
    if (refused > 0 || !allArrived || arrived != expected) {
        std::fprintf(stderr, "commands: %d failed; the copy received %zu refreshes of %zu sent\n", refused, arrived,
                     expected);
        return 1;
    }
    const double interfaceMs = bench::medianOf(viaInterface);
    const double windowMs = bench::medianOf(viaWindow);
    std::printf("command refresh to one copy: interface median %.3f ms, window median %.3f ms (%zu received)\n",
                interfaceMs, windowMs, arrived);
    bench::figure("automation.command", interfaceMs, "ms", windowMs);

    // Events: one stream open from the current id; a stand-in sends.
    std::string health0;
    {
        const test::Reply r = test::exchange(port, "GET", "/v1/health",
                                             {{"Authorization", std::string("Bearer ") + kToken}});
        health0 = r.body;
    }
    const std::size_t at = health0.find("\"last_event\":");
    const long long last = at == std::string::npos ? 0 : std::atoll(health0.c_str() + at + 13);
    const std::string head = "GET /v1/events?after=" + std::to_string(last) + "&token=" + kToken +
                             " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n\r\n";
    const std::string lastNote = "\"content\":\"bench " + std::to_string(notifications - 1) + "\"";
    std::string stream;
    Clock::time_point streamEnd{};
    std::thread reader([&] {
        stream = test::readUntil(port, head, lastNote, std::chrono::seconds(300));
        streamEnd = Clock::now();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the stream is open before the first send
    const auto sendStart = Clock::now();
    int sent = 0;
    for (int i = 0; i < notifications; ++i) {
        if (standins.front()->notify("bench " + std::to_string(i)) == std::optional<bool>(true)) ++sent;
    }
    const double sendSeconds = std::chrono::duration<double>(Clock::now() - sendStart).count();
    reader.join();
    const double streamSeconds = std::chrono::duration<double>(streamEnd - sendStart).count();
    int delivered = 0;
    for (std::size_t p = stream.find("\"content\":\"bench "); p != std::string::npos;
         p = stream.find("\"content\":\"bench ", p + 1)) {
        ++delivered;
    }
    const double sentRate = sent / sendSeconds;
    const double deliveredRate = delivered / streamSeconds;
    std::printf("events: %d notifications acknowledged in %.3f s (%.0f/s); %d events delivered in %.3f s (%.0f/s)\n",
                sent, sendSeconds, sentRate, delivered, streamSeconds, deliveredRate);
    bench::figure("automation.events_per_s", deliveredRate, "1/s", sentRate);
    bench::figure("automation.events_lost", notifications - delivered, "events", 0);
    return delivered == notifications ? 0 : 2;
}
