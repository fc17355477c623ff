#include "link/proxy.h"

#include <cstdint>
#include <vector>

#include "common/gbk.h"
#include "common/texts.h"

namespace vuv {

namespace {

// A part of a dotted address: digits only, value 0..255, empty reads as 0.
// Leading zeros may be any number; the value is checked after every digit,
// so a long run of digits cannot overflow.
std::optional<std::uint8_t> addressPart(std::string_view part) noexcept {
    unsigned value = 0;
    for (const char ch : part) {
        if (ch < '0' || ch > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(ch - '0');
        if (value > 255) return std::nullopt;
    }
    return static_cast<std::uint8_t>(value);
}

}  // namespace

std::int32_t portNumber(std::string_view text) noexcept {
    std::int64_t value = 0;
    for (const char ch : text) {
        if (ch < '0' || ch > '9') break;
        value = value * 10 + (ch - '0');
        if (value > INT32_MAX) return INT32_MAX;
    }
    return static_cast<std::int32_t>(value);
}

std::string removeBlanks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = gbk::charLength(text, i);
        const std::string_view ch = text.substr(i, length);
        if (ch != " " && ch != text::kFullWidthBlank) out.append(ch);
        i += length;
    }
    return out;
}

std::optional<ProxyAddress> parseProxyInput(std::string_view typed) {
    const std::string input = removeBlanks(typed);
    const std::vector<std::string_view> pieces = gbk::split(input, ":");
    if (pieces.size() < 2) return std::nullopt;  // no colon: no address
    const std::string_view address = pieces[0];
    if (address.empty()) return std::nullopt;

    const std::vector<std::string_view> parts = gbk::split(address, ".");
    if (parts.size() != 4) return std::nullopt;
    std::array<std::uint8_t, 4> bytes{};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::optional<std::uint8_t> part = addressPart(parts[i]);
        if (!part) return std::nullopt;
        bytes[i] = *part;
    }
    return ProxyAddress{bytes[0], bytes[1], bytes[2], bytes[3], portNumber(pieces[1])};
}

std::array<ProxyPost, 2> proxyPosts(const ProxyAddress& proxy) noexcept {
    return {{
        {0, static_cast<std::uint32_t>(proxy.port)},
        {proxy.a * 10000u + proxy.c, proxy.d * 10000u + proxy.b},
    }};
}

}  // namespace vuv
