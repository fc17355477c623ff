// Fuzz target: the multi-line proxy box on any bytes.
//
// Splits the text into lines here independently (at LF, one CR before it
// dropped) and checks the reading against parseProxyInput line by line: when
// accepted, one proxy per non-blank line, each the one its line gives; when
// refused, exactly the numbers of the non-blank lines parseProxyInput
// refuses; with no non-blank line, nothing to post. Rows take the proxies in
// turn.
#include "link/proxy.h"
#include "link/proxy_list.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

void require(bool ok) {
    if (!ok) std::abort();
}

bool same(const vuv::ProxyAddress& x, const vuv::ProxyAddress& y) {
    return x.a == y.a && x.b == y.b && x.c == y.c && x.d == y.d && x.port == y.port;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out(1);
    for (const char ch : text) {
        if (ch == '\n') {
            if (!out.back().empty() && out.back().back() == '\r') out.back().pop_back();
            out.emplace_back();
        } else {
            out.back() += ch;
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const vuv::ProxyListReading reading = vuv::parseProxyList(text);

    std::vector<vuv::ProxyAddress> expected;
    std::vector<std::size_t> invalid;
    const std::vector<std::string> all = lines(text);
    for (std::size_t i = 0; i < all.size(); ++i) {
        bool blank = true;
        for (std::size_t k = 0; k < all[i].size(); ++k) {
            const bool wide = all[i].compare(k, 2, "\xA1\xA1") == 0;
            if (all[i][k] != ' ' && !wide) blank = false;
            // A lone A1 A1 can only be a blank when it starts a character.
            if (static_cast<unsigned char>(all[i][k]) >= 0x81 && k + 1 < all[i].size()) ++k;
        }
        if (blank) continue;
        const std::optional<vuv::ProxyAddress> proxy = vuv::parseProxyInput(all[i]);
        if (proxy) {
            expected.push_back(*proxy);
        } else {
            invalid.push_back(i + 1);
        }
    }

    switch (reading.status) {
        case vuv::ProxyListStatus::ok:
            require(invalid.empty() && reading.invalidLines.empty());
            require(reading.proxies.size() == expected.size() && !expected.empty());
            for (std::size_t i = 0; i < expected.size(); ++i) require(same(reading.proxies[i], expected[i]));
            for (std::size_t row = 0; row < 2 * expected.size() + 1; ++row) {
                require(same(*vuv::proxyForRow(row, reading.proxies), expected[row % expected.size()]));
            }
            break;
        case vuv::ProxyListStatus::invalidLines:
            require(reading.proxies.empty() && reading.invalidLines == invalid && !invalid.empty());
            break;
        case vuv::ProxyListStatus::noProxy:
            require(reading.proxies.empty() && reading.invalidLines.empty() && expected.empty() && invalid.empty());
            break;
        default:
            std::abort();
    }
    return 0;
}
