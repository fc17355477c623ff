// The figures the panel keeps of each listed browser copy beyond its windows: its
// state, when it was last heard from and how often, the bookmark last handed
// to it and the proxy last posted to it. Kept by process id for as long as
// the copy is listed; a scan keeps the facts of the copies it finds again
// and forgets the others.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vuv {

enum class CopyState { Running, Hung, Exited };

// "运行中", "无响应", "已退出".
[[nodiscard]] std::string_view stateText(CopyState state) noexcept;

struct CopyFacts {
    CopyState state = CopyState::Running;
    std::int32_t lastHeard = -1;    // seconds since local midnight of the last notification or record; -1 none
    std::uint64_t heard = 0;        // notifications and records since the copy was first listed
    std::string bookmark;           // the address last handed to it
    std::string proxy;              // the proxy last posted to it, as IP:port
    bool closedByPanel = false;     // the panel posted it a close (关闭鹭行, or its own "#关闭")
};

class FleetFacts {
public:
    // After a scan: the copies listed now. Those listed before keep their
    // facts; new ones start afresh; the others are forgotten.
    void listed(const std::vector<std::uint32_t>& processIds);

    [[nodiscard]] const CopyFacts* facts(std::uint32_t processId) const noexcept;

    // Each returns whether the copy is listed (nothing is kept otherwise).
    bool heardFrom(std::uint32_t processId, std::int32_t secondsOfDay);
    bool handedBookmark(std::uint32_t processId, std::string_view address);
    bool postedProxy(std::uint32_t processId, std::string_view proxy);
    bool closedByPanel(std::uint32_t processId);
    // Returns whether the state changed.
    bool setState(std::uint32_t processId, CopyState state);

    // Listed copies in the given state.
    [[nodiscard]] std::vector<std::uint32_t> inState(CopyState state) const;

private:
    std::unordered_map<std::uint32_t, CopyFacts> facts_;
};

// "a.b.c.d:port", as the proxy column shows a proxy.
[[nodiscard]] std::string proxyText(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d, std::int32_t port);

}  // namespace vuv
