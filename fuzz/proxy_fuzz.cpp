// Fuzz target: the typed proxy "IP:port" on any bytes.
//
// Checks the parser against a plain reading of the rule written here
// character by character: blanks out, the text up to the first ":" must be
// four "."-separated runs of digits, each at most 255 (empty is 0). Also:
// blank removal is idempotent, whatever is accepted is accepted again when
// written back as "a.b.c.d:port", and a port that starts with digits is
// those digits, saturated.
#include "common/gbk.h"
#include "common/texts.h"
#include "link/proxy.h"

#include <array>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

void require(bool ok) {
    if (!ok) std::abort();
}

// The characters of a GBK text, each one or two bytes.
std::vector<std::string_view> characters(std::string_view s) {
    std::vector<std::string_view> out;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = vuv::gbk::charLength(s, i);
        out.push_back(s.substr(i, n));
        i += n;
    }
    return out;
}

struct Reading {
    bool hasColon = false;
    std::optional<std::array<unsigned, 4>> address;  // nullopt: invalid
    std::string portText;                            // up to the next ":"
};

Reading readByHand(std::string_view cleaned) {
    Reading r;
    std::array<unsigned, 4> parts{};
    std::size_t part = 0;
    bool valid = true;
    bool sawAnything = false;
    std::size_t colons = 0;
    for (const std::string_view ch : characters(cleaned)) {
        if (ch == ":") {
            ++colons;
            if (colons >= 2) break;
            continue;
        }
        if (colons == 1) {
            r.portText.append(ch);
            continue;
        }
        sawAnything = true;
        if (ch == ".") {
            if (++part > 3) valid = false;
        } else if (ch.size() == 1 && ch[0] >= '0' && ch[0] <= '9') {
            if (part <= 3) {
                parts[part] = parts[part] * 10 + static_cast<unsigned>(ch[0] - '0');
                if (parts[part] > 255) valid = false;
            }
        } else {
            valid = false;
        }
    }
    r.hasColon = colons > 0;
    if (valid && sawAnything && part == 3) r.address = parts;
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string typed(reinterpret_cast<const char*>(data), size);
    const std::string cleaned = vuv::removeBlanks(typed);
    require(cleaned.size() <= typed.size());
    require(vuv::removeBlanks(cleaned) == cleaned);
    for (const std::string_view ch : characters(cleaned)) require(ch != " " && ch != vuv::text::kFullWidthBlank);

    const std::optional<vuv::ProxyAddress> parsed = vuv::parseProxyInput(typed);
    const Reading expected = readByHand(cleaned);
    require(parsed.has_value() == (expected.hasColon && expected.address.has_value()));
    if (!parsed) return 0;

    const std::array<unsigned, 4> a = *expected.address;
    require(parsed->a == a[0] && parsed->b == a[1] && parsed->c == a[2] && parsed->d == a[3]);

    // A port text that starts with digits is exactly those digits (saturated).
    const std::string_view port = expected.portText;
    // Anything else, a sign included, gives port 0: never a negative number.
    require(parsed->port >= 0);
    if (port.empty() || port[0] < '0' || port[0] > '9') require(parsed->port == 0);
    if (!port.empty() && port[0] >= '0' && port[0] <= '9') {
        long long value = 0;
        for (std::size_t i = 0; i < port.size() && port[i] >= '0' && port[i] <= '9' && value <= INT_MAX; ++i) {
            value = value * 10 + (port[i] - '0');
        }
        require(parsed->port == (value > INT_MAX ? INT_MAX : static_cast<int>(value)));
    }

    const std::string again = std::to_string(parsed->a) + "." + std::to_string(parsed->b) + "." +
                              std::to_string(parsed->c) + "." + std::to_string(parsed->d) + ":" +
                              std::to_string(parsed->port);
    const std::optional<vuv::ProxyAddress> reparsed = vuv::parseProxyInput(again);
    require(reparsed && reparsed->a == parsed->a && reparsed->b == parsed->b && reparsed->c == parsed->c &&
            reparsed->d == parsed->d && reparsed->port == parsed->port);

    const auto posts = vuv::proxyPosts(*parsed);
    require(posts[0].wParam == 0 && posts[0].lParam == static_cast<std::uint32_t>(parsed->port));
    require(posts[1].wParam / 10000 == parsed->a && posts[1].wParam % 10000 == parsed->c);
    require(posts[1].lParam / 10000 == parsed->d && posts[1].lParam % 10000 == parsed->b);
    return 0;
}
