#include "link/proxy.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

using namespace vuv;

std::string parsed(const std::string& typed) {
    const auto p = parseProxyInput(typed);
    if (!p) return "invalid";
    const auto pr = proxyPosts(*p);
    return std::to_string(pr[0].lParam) + " " + std::to_string(pr[1].wParam) + " " + std::to_string(pr[1].lParam);
}

TEST(Proxy, ParsesTypedInputIntoTwoPosts) {
    const std::string wide = "\xA1\xA1";  // full-width blank
    const std::pair<std::string, const char*> cases[] = {
        {" 127. 0.0.1 : 8080", "8080 1270000 10000"},  // wParam a*10000+c, lParam d*10000+b
        {wide + "10.2.3.4" + wide + ":" + wide + "80x:9", "80 100003 40002"},
        {"1..2.3:1", "1 10002 30000"},
        {"1.2.3.4:", "0 10003 40002"},
        {"0000000001.255.0.0:80", "80 10000 255"},
        // The port is its leading digits: a sign is no digit, so no negative port.
        {"1.2.3.4:-80", "0 10003 40002"}, {"1.2.3.4:+80", "0 10003 40002"},
        {"1.2.3.4:99999999999", "2147483647 10003 40002"},
        {"1.2.3:80", "invalid"},  {"1.2.3.4.5:80", "invalid"}, {"256.1.1.1:80", "invalid"},
        {"1.2.3.a:80", "invalid"}, {"99999999999.1.1.1:80", "invalid"}, {"", "invalid"},
        {"1.2.3.4", "invalid"},
    };
    for (const auto& [typed, expected] : cases) EXPECT_EQ(parsed(typed), expected) << '"' << typed << '"';
}

TEST(Proxy, RemovesBlanksOnlyAtCharacterBoundaries) {
    EXPECT_EQ(removeBlanks(" a \xA1\xA1 b"), "ab");
    // B0 A1 then A1 B0: the A1 A1 across the boundary is no blank.
    EXPECT_EQ(removeBlanks("\xB0\xA1\xA1\xB0"), "\xB0\xA1\xA1\xB0");
}

}  // namespace
