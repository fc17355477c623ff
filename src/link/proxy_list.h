// Several WAP-mode proxies typed into a multi-line box, one "IP:port" a
// line, handed out to the rows of a launch in turn.
//
// Lines end at LF; one CR right before the LF belongs to the line break, so
// CR LF and a bare LF both end a line (LF never occurs inside a GBK
// character). A line is blank when nothing is left of it once its blanks
// (see removeBlanks) are removed; blank lines are skipped. Every other line
// is read exactly as parseProxyInput reads one typed address.
#pragma once

#include "link/proxy.h"

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace vuv {

enum class ProxyListStatus {
    ok,            // proxies holds one proxy per non-blank line, in line order
    invalidLines,  // invalidLines lists every line that is no proxy
    noProxy,       // every line is blank: there is nothing to post
};

struct ProxyListReading {
    ProxyListStatus status = ProxyListStatus::noProxy;
    std::vector<ProxyAddress> proxies;      // empty unless status is ok
    std::vector<std::size_t> invalidLines;  // 1-based, ascending; empty unless status is invalidLines
};

// Reads the box's text. Line numbers are those of the lines as the box
// shows them, blank lines counted.
[[nodiscard]] ProxyListReading parseProxyList(std::string_view boxText);

// The proxy of launch row `row`: the proxies taken in turn, proxies[row % n];
// nullopt when there is none.
[[nodiscard]] std::optional<ProxyAddress> proxyForRow(std::size_t row, const std::vector<ProxyAddress>& proxies) noexcept;

}  // namespace vuv
