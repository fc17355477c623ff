#include "link/proxy_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace vuv;

// "ok a.b.c.d:port ...", "invalid 2 5" or "none"; the lists a status leaves
// unused must be empty.
std::string read(const std::string& box) {
    const ProxyListReading r = parseProxyList(box);
    const bool ok = r.status == ProxyListStatus::ok, invalid = r.status == ProxyListStatus::invalidLines;
    EXPECT_EQ(r.proxies.empty(), !ok);
    EXPECT_EQ(r.invalidLines.empty(), !invalid);
    std::string out = ok ? "ok" : invalid ? "invalid" : "none";
    for (const ProxyAddress& p : r.proxies) {
        out += " " + std::to_string(p.a) + "." + std::to_string(p.b) + "." + std::to_string(p.c) + "." +
               std::to_string(p.d) + ":" + std::to_string(p.port);
    }
    for (const std::size_t line : r.invalidLines) out += " " + std::to_string(line);
    return out;
}

TEST(ProxyList, ReadsOneProxyPerNonBlankLine) {
    const std::pair<std::string, const char*> cases[] = {
        {"1.2.3.4:80", "ok 1.2.3.4:80"},
        {"1.2.3.4:80\r\n5.6.7.8:8080\r\n", "ok 1.2.3.4:80 5.6.7.8:8080"},
        {"1.2.3.4:80\n5.6.7.8:81", "ok 1.2.3.4:80 5.6.7.8:81"},
        {"\r\n  \r\n 1.2.3.4 : 80 \r\n\xA1\xA1\r\n\n5.6.7.8:1", "ok 1.2.3.4:80 5.6.7.8:1"},
        {"1.2.3.4:80\r\n1.2.3.4:80", "ok 1.2.3.4:80 1.2.3.4:80"},  // repeats stay
        {"1..2.3:x", "ok 1.0.2.3:0"},                                // as parseProxyInput reads it
        // Physical line numbers, blank lines counted; every invalid line.
        {"1.2.3.4:80\r\n\r\nbad\r\n5.6.7.8:1\r\n1.2.3:4\r\n256.0.0.1:1", "invalid 3 5 6"},
        {"\n\n1.2.3.4", "invalid 3"},
        {"1.2.3.4:80\r\r\n", "ok 1.2.3.4:80"},  // only the CR of the line break goes: "80\r" is port 80
        {"1.2.3.4\r:80", "invalid 1"},          // a CR that is no line break stays and is no digit
        {"\t\r\n", "invalid 1"},                // a tab is no blank
        {"", "none"},
        {" \r\n\xA1\xA1\r\n\n", "none"},
    };
    for (const auto& [box, expected] : cases) EXPECT_EQ(read(box), expected) << '"' << box << '"';
}

TEST(ProxyList, HandsTheProxiesToRowsInTurn) {
    const std::vector<ProxyAddress> proxies{{1, 1, 1, 1, 1}, {2, 2, 2, 2, 2}, {3, 3, 3, 3, 3}};
    const std::pair<std::size_t, int> cases[] = {{0, 1}, {1, 2}, {2, 3}, {3, 1}, {7, 2}, {SIZE_MAX, 1}};
    for (const auto& [row, port] : cases) EXPECT_EQ(proxyForRow(row, proxies)->port, port) << row;
    EXPECT_FALSE(proxyForRow(0, {}).has_value());
}

}  // namespace
