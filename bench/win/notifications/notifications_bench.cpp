// Cost of the notification path of the real panel, driven the way browsers
// drive it: a stand-in browser (lxbr.exe) sends transfers under "通知" to the
// window captioned "鹭行vuv测试版". Figures are medians of several rounds,
// measured in the same run:
//
//   notify     a notification no rule matches, sent to the panel and to a
//              minimal receiver in this process (a window that only reads
//              the transfer and acknowledges it, with the channel's own
//              receiveTransfer); both against a bare cross-process
//              SendMessage round trip. The caption decides which of the two
//              the stand-in reaches, so they take turns holding it.
//   bookmarks  "#书签管理" against tables of 1,000 and 100,000 bookmarks
//              (filled through the bookmark page's "导入").
//   records    10,000 link records into an empty link record and into one
//              that already holds 10 MB: what the senders wait, and how long
//              until every line is in the record.
//   soak       four stand-ins sending 5,000 link codes each with bookmark
//              requests and rule notifications mixed in; nothing may be lost.
//
//   notifications_bench [notify] [bookmarks] [records] [soak] [--links=5000] [--interface]
//
// With --interface the panels run with the automation interface on, and
// during "notify" one event stream is open and read to its end: the
// notification's cost with the interface serving it.
//
// With no section named, all four run. Run it under Wine from the build
// directory, beside vuv.exe and lxbr.exe.
#include "e2e/notification_soak.h"

#include "link/channel_win.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/write.hpp>

#include "../../bench_line.h"
#include "../bench_win.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace vuv;
using namespace vuv::e2e;
using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

using vuv::bench::medianOf;

bool withInterface = false;  // --interface
constexpr char kToken[] = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

// A panel and one stand-in that sends to it.
struct Setup {
    Sandbox sandbox;
    std::unique_ptr<StandinProcess> sender;
    std::unique_ptr<PanelProcess> panel;
    std::uint16_t port = 0;  // the automation interface's, with --interface

    bool start() {
        if (!sandbox.ok() || !sandbox.hasPanel()) {
            std::fprintf(stderr, "vuv.exe and lxbr.exe must be beside this program\n");
            return false;
        }
        bool written = writePanelSettings(sandbox);
        if (withInterface) {
            boost::asio::io_context ioc;
            boost::asio::ip::tcp::acceptor probe(ioc, {boost::asio::ip::make_address("127.0.0.1"), 0});
            port = probe.local_endpoint().port();
            probe.close();
            written = writeFileBytes(
                sandbox.path(win::widen(text::kSettingsFile)),
                join({"[", text::kSettingsSection, "]\r\n", text::kKeyBrowserPath, "=", win::narrow(sandbox.standinExe()),
                      "\r\n", text::kKeyApiEnabled, "=", text::kTrue, "\r\n", text::kKeyApiPort, "=",
                      std::to_string(port), "\r\n", text::kKeyApiToken, "=", kToken, "\r\n"}));
        }
        sender = std::make_unique<StandinProcess>(sandbox);
        panel = std::make_unique<PanelProcess>(sandbox);
        if (!written || !sender->ready() || !panel->ready()) {
            std::fprintf(stderr, "start failed: %s\n", panel ? panel->startError().c_str() : "");
            return false;
        }
        return waitUntilListening(*sender, Ms{30000});
    }
};

// ---------------------------------------------------------------------------
// Minimal receiver: a window on its own thread that reads each "通知"
// transfer and acknowledges it, nothing else.

class MinimalReceiver {
public:
    MinimalReceiver() {
        thread_ = std::thread([this] { run(); });
        while (!ready_) Sleep(1);
    }
    ~MinimalReceiver() {
        if (window_ != nullptr) PostMessageW(window_, WM_CLOSE, 0, 0);
        thread_.join();
    }
    [[nodiscard]] HWND window() const noexcept { return window_; }

private:
    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        static const UINT notify = win::registeredMessage(text::kMsgNotify);
        if (message == notify) {
            static_cast<void>(win::receiveTransfer(wParam, lParam));
            return 0;
        }
        if (message == WM_CLOSE) {
            DestroyWindow(hwnd);
            PostQuitMessage(0);
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    void run() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &procedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VuvBenchMinimalReceiver";
        RegisterClassW(&wc);
        window_ = CreateWindowExW(0, wc.lpszClassName, L"bench receiver", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                                  wc.hInstance, nullptr);
        ready_ = true;
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    }

    std::thread thread_;
    HWND window_ = nullptr;
    std::atomic<bool> ready_{false};
};

// An event stream of the automation interface read on a thread of its own
// until stop(), counting the events.
class StreamReader {
public:
    explicit StreamReader(std::uint16_t port) : socket_(ioc_) {
        boost::system::error_code ec;
        socket_.connect({boost::asio::ip::make_address("127.0.0.1"), port}, ec);
        const std::string head = std::string("GET /v1/events?token=") + kToken + " HTTP/1.1\r\nHost: 127.0.0.1:" +
                                 std::to_string(port) + "\r\n\r\n";
        if (!ec) boost::asio::write(socket_, boost::asio::buffer(head), ec);
        ok_ = !ec;
        thread_ = std::thread([this] {
            std::string chunk(16384, '\0');
            std::string tail;
            for (;;) {
                boost::system::error_code rec;
                const std::size_t n = socket_.read_some(boost::asio::buffer(chunk), rec);
                if (rec) return;
                tail.append(chunk.data(), n);
                for (std::size_t at = tail.find("\nid: "); at != std::string::npos; at = tail.find("\nid: ", at + 1)) {
                    ++events_;
                }
                const std::size_t cut = tail.rfind('\n');
                tail.erase(0, cut == std::string::npos ? 0 : cut);
            }
        });
    }
    ~StreamReader() { stop(); }
    void stop() {
        boost::system::error_code ec;
        socket_.shutdown(boost::asio::ip::tcp::socket::shutdown_both, ec);
        socket_.close(ec);
        if (thread_.joinable()) thread_.join();
    }
    [[nodiscard]] bool ok() const noexcept { return ok_; }
    [[nodiscard]] std::size_t events() const noexcept { return events_; }

private:
    boost::asio::io_context ioc_;
    boost::asio::ip::tcp::socket socket_;
    std::thread thread_;
    std::atomic<std::size_t> events_{0};
    bool ok_ = false;
};

// Gives the panel's caption to exactly one of the two windows.
bool captionTo(HWND holder, HWND other) {
    const std::wstring caption = win::widen(text::kMainCaption);
    const wchar_t* parked = L"vuv bench: parked";
    if (!sendWithTimeout(other, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(parked)) ||
        !sendWithTimeout(holder, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption.c_str()))) {
        return false;
    }
    return FindWindowW(nullptr, caption.c_str()) == holder;
}

// Microseconds per notification for count notifications of payload.
double microsecondsPerNotification(const StandinProcess& sender, const std::string& payload, unsigned count) {
    const auto start = Clock::now();
    const std::optional<unsigned> acknowledged = sender.notifyMany(payload, count, Ms{600000});
    const double elapsed = seconds(start);
    if (acknowledged != count) {
        std::fprintf(stderr, "only %u of %u notifications were acknowledged\n", acknowledged.value_or(0), count);
    }
    return elapsed * 1e6 / count;
}

void benchNotify() {
    Setup setup;
    if (!setup.start()) return;
    MinimalReceiver receiver;
    std::unique_ptr<StreamReader> stream;
    if (withInterface) {
        stream = std::make_unique<StreamReader>(setup.port);
        if (!stream->ok()) std::fprintf(stderr, "the event stream could not be opened\n");
    }
    const HWND panel = setup.panel->mainWindow();
    const std::string unmatched = notification(setup.sender->commandWindow(), "bench: no rule matches this");
    // Short rounds, many of them: the panel and the receiver take turns often,
    // so a slow patch of the machine falls on both alike.
    constexpr unsigned kCount = 400;
    constexpr int kRounds = 17;

    std::vector<double> toPanel;
    std::vector<double> toReceiver;
    std::vector<double> bare;
    for (int round = 0; round < kRounds; ++round) {
        if (!captionTo(receiver.window(), panel)) {
            std::fprintf(stderr, "could not hand the caption to the receiver\n");
            break;
        }
        toReceiver.push_back(microsecondsPerNotification(*setup.sender, unmatched, kCount));
        if (!captionTo(panel, receiver.window())) {
            std::fprintf(stderr, "could not hand the caption back to the panel\n");
            break;
        }
        toPanel.push_back(microsecondsPerNotification(*setup.sender, unmatched, kCount));
        const auto start = Clock::now();
        for (unsigned i = 0; i < kCount; ++i) static_cast<void>(sendWithTimeout(setup.sender->frameWindow(), WM_NULL, 0, 0));
        bare.push_back(seconds(start) * 1e6 / kCount);
    }
    const double p = medianOf(toPanel);
    const double r = medianOf(toReceiver);
    std::printf("notification that no rule matches (median of %d rounds of %u)\n", kRounds, kCount);
    std::printf("  to the panel                     %8.1f us\n", p);
    std::printf("  to a minimal receiver            %8.1f us   panel/receiver %.2f (target <= 1.15)\n", r, r > 0 ? p / r : 0);
    std::printf("  bare cross-process SendMessage   %8.1f us   panel/bare %.1f, receiver/bare %.1f\n", medianOf(bare),
                p / medianOf(bare), r / medianOf(bare));
    if (stream) {
        // Every notification the panel took is a row, and every row an event.
        Sleep(500);
        std::printf("  event stream open: %zu events read for %u notifications to the panel\n", stream->events(),
                    kCount * static_cast<unsigned>(toPanel.size()));
        vuv::bench::figure("notifications.unmatched_with_stream", p, "us", r);
    } else {
        vuv::bench::figure("notifications.unmatched", p, "us", r);
    }
    std::fflush(stdout);
}

void benchBookmarks() {
    // Two panels, one per table size, taking turns at the caption so that
    // both sizes are measured under the same load.
    constexpr std::size_t kSizes[] = {1000, 100000};
    constexpr unsigned kCount = 300;
    constexpr int kRounds = 7;
    Setup setups[2];
    for (std::size_t i = 0; i < 2; ++i) {
        if (!setups[i].start()) return;
        const HWND other = i == 0 ? nullptr : setups[0].panel->mainWindow();
        if (other != nullptr) static_cast<void>(sendWithTimeout(other, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"parked")));
        std::vector<std::string> addresses;
        addresses.reserve(kSizes[i]);
        for (std::size_t row = 0; row < kSizes[i]; ++row) addresses.push_back("http://bench.example/page/" + std::to_string(row));
        if (!importBookmarks(*setups[i].panel, setups[i].sandbox.directory(), addresses)) {
            std::fprintf(stderr, "could not import %zu bookmarks\n", kSizes[i]);
            return;
        }
    }
    std::vector<double> samples[2];
    for (int round = 0; round < kRounds; ++round) {
        for (std::size_t i = 0; i < 2; ++i) {
            const HWND panel = setups[i].panel->mainWindow();
            if (!captionTo(panel, setups[1 - i].panel->mainWindow())) {
                std::fprintf(stderr, "could not hand the caption over\n");
                return;
            }
            // Every bookmark unused again, so each request opens one.
            static_cast<void>(sendWithTimeout(panel, WM_COMMAND, MAKEWPARAM(id::kResetStates, BN_CLICKED), 0));
            const std::string request = notification(setups[i].sender->commandWindow(), text::kKeywordBookmark);
            samples[i].push_back(microsecondsPerNotification(*setups[i].sender, request, kCount));
        }
    }
    const double small = medianOf(samples[0]);
    const double large = medianOf(samples[1]);
    std::printf("bookmark request \"#书签管理\" (median of %d rounds of %u)\n", kRounds, kCount);
    std::printf("  %7zu bookmarks                %8.1f us\n", kSizes[0], small);
    std::printf("  %7zu bookmarks                %8.1f us   ratio %.2f (target <= 2)\n", kSizes[1], large,
                small > 0 ? large / small : 0);
    vuv::bench::figure("notifications.bookmark_request_100k", large, "us", small);
    std::fflush(stdout);
}

// Sends count link records and reports what the sender waited and when the
// last line was in the record.
void timeLinkRecords(Setup& setup, const char* label, unsigned count) {
    const HWND box = setup.panel->control(id::kLinkRecord);
    const std::string link = "http://bench.example/link/0123456789";
    const std::optional<LRESULT> before = textLength(box, Ms{600000});
    if (!before) {
        std::fprintf(stderr, "the link record did not answer\n");
        return;
    }
    const LRESULT expected = *before + static_cast<LRESULT>(count * (link.size() + 2));
    const auto start = Clock::now();
    const double perRecord = microsecondsPerNotification(*setup.sender, linkCode(link), count);
    const double sent = seconds(start);
    const bool written = waitUntil([&] { return textLength(box, Ms{600000}) == std::optional<LRESULT>(expected); },
                                   Ms{1800000}, Ms{50});
    std::printf("  %-32s sender %7.1f us each (%.1f s); all in the record after %.1f s%s\n", label, perRecord, sent,
                seconds(start), written ? "" : " (NOT ALL WRITTEN)");
    std::fflush(stdout);
}

// One insertion at the end of a hidden edit box that holds 10 MB, timed in
// this process: what every record would cost its sender if each were
// written on its own while the sender waits.
double insertionIntoTenMegabytesMs(const std::string& line) {
    const HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_POPUP | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL, 0, 0, 500,
                                      330, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (edit == nullptr) return 0;
    SendMessageW(edit, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
    std::wstring big;
    const std::wstring wideLine = win::widen(line) + L"\r\n";
    while (big.size() < 10u * 1024u * 1024u) big += wideLine;
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(big.c_str()));
    std::vector<double> samples;
    for (int i = 0; i < 9; ++i) {
        const auto start = Clock::now();
        const LRESULT end = SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0);
        SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(end), end);
        SendMessageW(edit, EM_SCROLLCARET, 0, 0);
        SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"http://bench.example/link\r\n"));
        samples.push_back(seconds(start) * 1000);
    }
    DestroyWindow(edit);
    return medianOf(samples);
}

void benchRecords() {
    Setup setup;
    if (!setup.start()) return;
    constexpr unsigned kCount = 10000;
    std::printf("link records (%u each)\n", kCount);
    timeLinkRecords(setup, "into an empty record", kCount);

    // 10 MB of lines in one record, then the same again.
    const HWND box = setup.panel->control(id::kLinkRecord);
    SendMessageTimeoutW(setup.panel->mainWindow(), WM_COMMAND, MAKEWPARAM(id::kLinkClear, BN_CLICKED), 0, SMTO_NORMAL,
                        60000, nullptr);
    std::string big;
    const std::string line = "http://bench.example/already/recorded/page.html?session=0123456789abcdef";
    while (big.size() + line.size() + 2 < 10u * 1024u * 1024u) big += line + "\r\n";
    big += line;
    const auto start = Clock::now();
    // Sent from this process, which plays a browser here: a message that
    // carries data across processes under Wine holds about 1 MB at most.
    if (!win::sendTransfer(setup.panel->mainWindow(), text::kMsgNotify, linkCode(big))) {
        std::fprintf(stderr, "the 10 MB record was not acknowledged\n");
        return;
    }
    const LRESULT full = static_cast<LRESULT>(big.size() + 2);
    if (!waitUntil([&] { return textLength(box, Ms{600000}) == std::optional<LRESULT>(full); }, Ms{3600000}, Ms{200})) {
        std::fprintf(stderr, "the 10 MB record never arrived whole\n");
        return;
    }
    std::printf("  %-32s %.1f s\n", "filling 10 MB in one record", seconds(start));
    std::printf("  %-32s %.1f ms (one insertion at the end of a hidden 10 MB edit box, in this process)\n",
                "writing one line at a time", insertionIntoTenMegabytesMs(line));
    timeLinkRecords(setup, "into a 10 MB record", kCount);
}

void benchSoak(int links) {
    Sandbox sandbox;
    if (!sandbox.ok() || !sandbox.hasPanel() || !writePanelSettings(sandbox)) return;
    std::vector<std::unique_ptr<StandinProcess>> standins;
    std::vector<StandinProcess*> senders;
    for (int i = 0; i < 4; ++i) {
        standins.push_back(std::make_unique<StandinProcess>(sandbox));
        senders.push_back(standins.back().get());
    }
    PanelProcess panel(sandbox);
    if (!panel.ready() || !waitUntilListening(*senders[0], Ms{30000})) {
        std::fprintf(stderr, "soak: the panel did not start\n");
        return;
    }
    SoakSize size;
    size.linksPerSender = links;
    const SoakReport report = runSoak(panel, sandbox.directory(), senders, size);
    std::printf("soak: 4 browsers x %d link codes, %d notifications in %.1f s (%.0f us each), %d bookmarks handed out\n",
                links, report.notifications, report.seconds, report.seconds * 1e6 / std::max(1, report.notifications),
                report.handouts);
    std::printf("  worst WM_NULL round trip meanwhile %.0f ms over %d pings; exceptions in the panel: %d\n",
                report.worstPingMs, report.pings, panel.exceptionCount());
    std::printf("  %s\n", report.problems.empty() ? "nothing lost, nothing doubled" : "PROBLEMS:");
    for (const std::string& p : report.problems) std::printf("    %s\n", p.c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    std::set<std::string> sections;
    int links = 5000;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--interface") == 0) {
            withInterface = true;
        } else if (std::strncmp(argv[i], "--links=", 8) == 0) {
            links = std::max(1, std::atoi(argv[i] + 8));
        } else {
            sections.insert(argv[i]);
        }
    }
    const auto wanted = [&](const char* name) { return sections.empty() || sections.count(name) > 0; };
    if (GetACP() != 936) std::fprintf(stderr, "warning: the ANSI code page is %u, not 936\n", GetACP());
    if (wanted("notify")) benchNotify();
    if (wanted("bookmarks")) benchBookmarks();
    if (wanted("records")) benchRecords();
    if (wanted("soak")) benchSoak(links);
    return 0;
}
