#include "link/proxy_list.h"

namespace vuv {

ProxyListReading parseProxyList(std::string_view boxText) {
    ProxyListReading reading;
    std::size_t number = 0;
    for (std::size_t start = 0; start <= boxText.size();) {
        std::size_t end = boxText.find('\n', start);
        if (end == std::string_view::npos) end = boxText.size();
        std::string_view line = boxText.substr(start, end - start);
        if (end < boxText.size() && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        start = end + 1;
        ++number;

        if (removeBlanks(line).empty()) continue;
        const std::optional<ProxyAddress> proxy = parseProxyInput(line);
        if (!proxy) {
            reading.invalidLines.push_back(number);
        } else if (reading.invalidLines.empty()) {
            reading.proxies.push_back(*proxy);
        }
    }
    if (!reading.invalidLines.empty()) {
        reading.status = ProxyListStatus::invalidLines;
        reading.proxies.clear();
    } else if (!reading.proxies.empty()) {
        reading.status = ProxyListStatus::ok;
    }
    return reading;
}

std::optional<ProxyAddress> proxyForRow(std::size_t row, const std::vector<ProxyAddress>& proxies) noexcept {
    if (proxies.empty()) return std::nullopt;
    return proxies[row % proxies.size()];
}

}  // namespace vuv
