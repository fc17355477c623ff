// A soak of the notification path: several stand-in browsers send link codes
// at once, interleaved with bookmark requests, rule notifications and texts
// no rule matches, while another thread keeps checking that the panel still
// answers. Afterwards nothing may be missing: the link record holds every
// line once in each sender's order, and every bookmark handed out reached
// exactly one browser. Shared by the end-to-end test (small) and the
// notification benchmark (full size); it reports, it does not assert.
#pragma once

#include "e2e/notification_helpers.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace vuv::e2e {

struct SoakSize {
    int linksPerSender = 5000;
    // Within every such many link codes a sender also asks once with
    // "#书签管理", once through a bookmark rule, once through a link rule and
    // once with a text no rule matches.
    int requestEvery = 25;
};

struct SoakReport {
    std::vector<std::string> problems;  // empty: nothing lost, nothing extra
    double seconds = 0;                 // from the first send to the last
    int notifications = 0;
    int handouts = 0;
    int pings = 0;
    int pingsBetweenNotifications = 0;  // made while more notifications were still to come
    double worstPingMs = 0;             // longest WM_NULL round trip to the panel meanwhile

    [[nodiscard]] std::string summary() const {
        std::string out;
        for (const std::string& p : problems) out += p + "\n";
        return out;
    }
};

namespace soak {

inline const std::string kRuleBookmark = "soak-bookmark";
inline const std::string kRuleLink = "soak-link";
inline const std::string kRuleLinkTarget = "http://soak.example/rule";
inline const std::string kNoRule = "soak-nothing";

inline std::string linkText(std::size_t sender, int k) { return "s" + std::to_string(sender) + "-" + std::to_string(k); }
inline std::string bookmarkAddress(int row) { return "http://soak.example/bm" + std::to_string(row); }

// What sender k sends besides its k-th link code, in order.
inline std::vector<std::string> extrasAt(int k, int every) {
    const int at = k % every;
    if (at == 0) return {kRuleBookmark};
    if (at == every / 4) return {kRuleLink};
    if (at == every / 2) return {std::string(text::kKeywordBookmark)};
    if (at == 3 * every / 4) return {kNoRule};
    return {};
}

// How many of one sender's extras are one of the given texts.
inline int countPerSender(const SoakSize& size, std::initializer_list<std::string_view> texts) {
    int count = 0;
    for (int k = 0; k < size.linksPerSender; ++k) {
        for (const std::string& extra : extrasAt(k, size.requestEvery)) {
            if (std::find(texts.begin(), texts.end(), extra) != texts.end()) ++count;
        }
    }
    return count;
}

}  // namespace soak

// Runs the soak against a panel with empty records, no bookmarks and no
// rules, and the given stand-ins running; the bookmarks are imported from a
// file written into directory.
inline SoakReport runSoak(PanelProcess& panel, const std::wstring& directory, const std::vector<StandinProcess*>& senders,
                          const SoakSize& size) {
    SoakReport report;
    auto problem = [&report](std::string text) {
        if (report.problems.size() < 20) report.problems.push_back(std::move(text));
    };
    const HWND main = panel.mainWindow();

    const int perSender = soak::countPerSender(size, {soak::kRuleBookmark, text::kKeywordBookmark});
    const int ruleLinksDue = soak::countPerSender(size, {soak::kRuleLink});
    const int handouts = perSender * static_cast<int>(senders.size());
    std::vector<std::string> addresses;
    for (int row = 0; row < handouts + 10; ++row) addresses.push_back(soak::bookmarkAddress(row));
    if (!importBookmarks(panel, directory, addresses)) {
        problem("the bookmarks could not be imported");
        return report;
    }
    if (!addRuleThroughControls(main, soak::kRuleBookmark, 0, {}) ||
        !addRuleThroughControls(main, soak::kRuleLink, 1, soak::kRuleLinkTarget)) {
        problem("the rules could not be added");
        return report;
    }

    // Senders and the pinger. The pinger pings once after each notification
    // delivered since its last ping, so its pings fall among the
    // notifications however fast or slow the machine runs.
    int total = 0;
    for (int k = 0; k < size.linksPerSender; ++k) total += 1 + static_cast<int>(soak::extrasAt(k, size.requestEvery).size());
    total *= static_cast<int>(senders.size());
    std::atomic<bool> sending{true};
    std::atomic<int> refused{0};
    std::atomic<int> sent{0};
    const HANDLE delivered = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::vector<std::thread> threads;
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < senders.size(); ++i) {
        threads.emplace_back([&, i] {
            const StandinProcess& s = *senders[i];
            auto deliver = [&](const std::string& payload) {
                if (s.notify(payload, Ms{60000}) != std::optional<bool>(true)) ++refused;
                ++sent;
                SetEvent(delivered);
            };
            for (int k = 0; k < size.linksPerSender; ++k) {
                deliver(linkCode(soak::linkText(i, k)));
                for (const std::string& extra : soak::extrasAt(k, size.requestEvery)) {
                    deliver(notification(s.commandWindow(), extra));
                }
            }
        });
    }
    std::thread pinger([&] {
        for (;;) {
            // Looks at `sending` at least once a second, whatever the senders do.
            if (WaitForSingleObject(delivered, 1000) != WAIT_OBJECT_0) {
                if (!sending) return;
                continue;
            }
            if (!sending) return;
            const auto before = std::chrono::steady_clock::now();
            const bool answered = sendWithTimeout(main, WM_NULL, 0, 0, Ms{30000}).has_value();
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count();
            if (!answered) problem("the panel did not answer a WM_NULL within 30 s");
            report.worstPingMs = std::max(report.worstPingMs, ms);
            ++report.pings;
            if (sent < total) ++report.pingsBetweenNotifications;
        }
    });
    for (std::thread& t : threads) t.join();
    report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    sending = false;
    SetEvent(delivered);
    pinger.join();
    CloseHandle(delivered);
    report.notifications = sent;
    report.handouts = handouts;
    if (refused > 0) problem(std::to_string(refused.load()) + " notifications were not acknowledged");

    // The link record: every line once, in each sender's order.
    const HWND linkBox = panel.control(id::kLinkRecord);
    const std::size_t lineCount = senders.size() * static_cast<std::size_t>(size.linksPerSender);
    std::vector<std::string> lines;
    waitUntil(
        [&] {
            lines = recordLines(windowTextGbk(linkBox));
            return lines.size() >= lineCount;
        },
        Ms{60000}, Ms{200});
    if (lines.size() != lineCount) {
        problem("the link record has " + std::to_string(lines.size()) + " lines, not " + std::to_string(lineCount));
    }
    std::vector<int> next(senders.size(), 0);
    for (const std::string& line : lines) {
        std::size_t sender = 0;
        int k = -1;
        if (std::sscanf(line.c_str(), "s%zu-%d", &sender, &k) != 2 || sender >= senders.size() ||
            soak::linkText(sender, k) != line) {
            problem("a line no sender sent: " + line.substr(0, 80));
            continue;
        }
        if (k != next[sender]) problem("sender " + std::to_string(sender) + ": line " + line + " where " +
                                       soak::linkText(sender, next[sender]) + " was due");
        next[sender] = k + 1;
    }

    // Bookmarks: each handed out once, to the browser that asked, in table
    // order overall; the rule's link to every browser that asked for it.
    std::map<std::string, int> handedTo;
    for (std::size_t i = 0; i < senders.size(); ++i) {
        int bookmarks = 0;
        int ruleLinks = 0;
        for (const StandinRecord& r : senders[i]->log()) {
            if (r.kind != "RECV" || r.name != text::kMsgJump) continue;
            if (r.bytes == soak::kRuleLinkTarget) {
                ++ruleLinks;
            } else {
                ++bookmarks;
                if (!handedTo.emplace(r.bytes, static_cast<int>(i)).second) problem(r.bytes + " was handed out twice");
            }
        }
        if (bookmarks != perSender) {
            problem("sender " + std::to_string(i) + " got " + std::to_string(bookmarks) + " bookmarks, not " +
                    std::to_string(perSender));
        }
        if (ruleLinks != ruleLinksDue) {
            problem("sender " + std::to_string(i) + " got " + std::to_string(ruleLinks) + " rule links, not " +
                    std::to_string(ruleLinksDue));
        }
    }
    for (int row = 0; row < handouts; ++row) {
        if (handedTo.count(soak::bookmarkAddress(row)) == 0) problem(soak::bookmarkAddress(row) + " never reached a browser");
    }
    const Table table = readListView(panel.control(id::kBookmarkList));
    for (std::size_t row = 0; row < table.size(); ++row) {
        const bool opened = static_cast<int>(row) < handouts;
        const std::string_view due = opened ? text::kStateOpened : text::kStateUnused;
        if (table[row].size() < 3 || table[row][2] != due) {
            problem("bookmark row " + std::to_string(row) + " is not " + std::string(opened ? "opened" : "unused"));
            break;
        }
    }
    return report;
}

}  // namespace vuv::e2e
