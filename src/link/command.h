// A command to one browser copy, as a plain value: which of the commands the
// panel gives a browser, and its argument. wireOf() turns it into what
// travels: a transfer to the copy's command window under a registered name,
// or window messages posted to its frame window, with the text the run log
// keeps for it. Every command the panel gives a browser is built here, so a
// new one is a new kind and its row in wireOf().
#pragma once

#include "link/proxy.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vuv {

struct Command {
    enum class Kind {
        Flash,       // "vuv|||闪烁"
        ReadConfig,  // "vuv|||读配置■" + path
        Refresh,     // toolbar 6
        Stop,        // toolbar 4
        Hide,        // toolbar 71
        Show,        // toolbar 72
        PageTitle,   // toolbar 98: the page's own title again
        Rename,      // "基本通讯|||不发送标题|||" + name
        OpenLink,    // the bare address under "跳转"
        Proxy,       // the two proxy posts (10004) to the frame window
        Close,       // WM_CLOSE posted to the frame window
    };
    Kind kind = Kind::Flash;
    std::string argument;  // ReadConfig: the path; Rename: the name; OpenLink: the address
    ProxyAddress proxy;    // Proxy

    [[nodiscard]] static Command of(Kind kind, std::string_view argument = {}) {
        return Command{kind, std::string(argument), {}};
    }
    [[nodiscard]] static Command proxyOf(const ProxyAddress& address) { return Command{Kind::Proxy, {}, address}; }
};

// The name for 给鹭行取名, taken as typed (blanks are a name too): an empty
// one gives the copy its page's own title back.
[[nodiscard]] Command renameCommand(std::string_view name);

// Window messages posted to a frame window.
inline constexpr std::uint32_t kCloseMessage = 0x0010;   // WM_CLOSE
inline constexpr std::uint32_t kProxyMessage = 10004;

struct WindowPost {
    std::uint32_t message = 0;
    std::uint32_t wParam = 0;
    std::uint32_t lParam = 0;

    friend bool operator==(const WindowPost& a, const WindowPost& b) {
        return a.message == b.message && a.wParam == b.wParam && a.lParam == b.lParam;
    }
};

struct CommandWire {
    enum class Route { Transfer, Post };
    Route route = Route::Transfer;
    std::string_view messageName;   // Transfer: the registered name (调整 or 跳转)
    std::string payload;            // Transfer: the text sent
    std::vector<WindowPost> posts;  // Post: in order; the rest is dropped once one is refused
    std::string logText;            // what the run log shows for the command
};

[[nodiscard]] CommandWire wireOf(const Command& command);

}  // namespace vuv
