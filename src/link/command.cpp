#include "link/command.h"

#include "common/texts.h"
#include "link/fleet.h"
#include "link/payloads.h"

namespace vuv {

Command renameCommand(std::string_view name) {
    return name.empty() ? Command::of(Command::Kind::PageTitle) : Command::of(Command::Kind::Rename, name);
}

namespace {

CommandWire transfer(std::string_view messageName, std::string payload) {
    CommandWire wire;
    wire.route = CommandWire::Route::Transfer;
    wire.messageName = messageName;
    wire.logText = payload;
    wire.payload = std::move(payload);
    return wire;
}

CommandWire posts(std::vector<WindowPost> posted, std::string logText) {
    CommandWire wire;
    wire.route = CommandWire::Route::Post;
    wire.posts = std::move(posted);
    wire.logText = std::move(logText);
    return wire;
}

}  // namespace

CommandWire wireOf(const Command& command) {
    using Kind = Command::Kind;
    switch (command.kind) {
        case Kind::Flash: return transfer(text::kMsgAdjust, commandPayload(text::kCommandFlash));
        case Kind::ReadConfig: return transfer(text::kMsgAdjust, readConfigPayload(command.argument));
        case Kind::Refresh: return transfer(text::kMsgAdjust, toolbarPayload(text::kToolbarRefresh));
        case Kind::Stop: return transfer(text::kMsgAdjust, toolbarPayload(text::kToolbarStop));
        case Kind::Hide: return transfer(text::kMsgAdjust, toolbarPayload(text::kToolbarHide));
        case Kind::Show: return transfer(text::kMsgAdjust, toolbarPayload(text::kToolbarShow));
        case Kind::PageTitle: return transfer(text::kMsgAdjust, toolbarPayload(text::kToolbarPageTitle));
        case Kind::Rename: return transfer(text::kMsgAdjust, titlePayload(command.argument));
        case Kind::OpenLink: return transfer(text::kMsgJump, command.argument);
        case Kind::Proxy: {
            std::vector<WindowPost> posted;
            for (const ProxyPost& post : proxyPosts(command.proxy)) {
                posted.push_back(WindowPost{kProxyMessage, post.wParam, post.lParam});
            }
            const ProxyAddress& p = command.proxy;
            return posts(std::move(posted), "10004 " + proxyText(p.a, p.b, p.c, p.d, p.port));
        }
        case Kind::Close: return posts({WindowPost{kCloseMessage, 0, 0}}, "WM_CLOSE");
    }
    return transfer(text::kMsgAdjust, commandPayload(text::kCommandFlash));
}

}  // namespace vuv
