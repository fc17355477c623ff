// The WAP-mode proxy typed as "IP:port" and the two window messages that
// carry it to a browser.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vuv {

struct ProxyAddress {
    std::uint8_t a = 0, b = 0, c = 0, d = 0;  // a.b.c.d
    std::int32_t port = 0;                    // not range-checked
};

// The port: the leading decimal digits of text, 0 when it does not begin
// with a digit (a sign or a blank is no digit); values beyond the range of a
// signed 32-bit number saturate.
[[nodiscard]] std::int32_t portNumber(std::string_view text) noexcept;

// Removes every ASCII blank and every full-width blank (A1 A1) that starts at
// a character boundary.
[[nodiscard]] std::string removeBlanks(std::string_view text);

// Reads typed input: blanks removed, split at every ":", the first piece the
// address and the second the port. The address needs exactly four parts
// separated by ".", each only digits and at most 255 (an empty part is 0).
// The port is portNumber() of the second piece (0 when it is missing). Input without a colon is invalid.
[[nodiscard]] std::optional<ProxyAddress> parseProxyInput(std::string_view typed);

// One post of the proxy message (10004) to a browser's frame window.
struct ProxyPost {
    std::uint32_t wParam;
    std::uint32_t lParam;  // the port as the low 32 bits of its two's complement
};

// The two posts, in sending order: {0, port}, then {a*10000 + c, d*10000 + b}.
[[nodiscard]] std::array<ProxyPost, 2> proxyPosts(const ProxyAddress& proxy) noexcept;

}  // namespace vuv
