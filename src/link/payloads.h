// The texts that travel between the panel and the browsers, built in one
// place: what the panel sends to a browser's command window, and what a
// browser sends to the panel (the stand-in browser and the tests build those).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vuv {

// "vuv|||" + command (闪烁, ...).
[[nodiscard]] std::string commandPayload(std::string_view command);
// "基本通讯|||" + key + "|||" + value.
[[nodiscard]] std::string basicPayload(std::string_view key, std::string_view value);
// "基本通讯|||工具条|||" + action (6 refresh, 4 stop, 71 hide, 72 show, 98 page title).
[[nodiscard]] std::string toolbarPayload(std::string_view action);
// "基本通讯|||不发送标题|||" + name.
[[nodiscard]] std::string titlePayload(std::string_view name);
// "vuv|||读配置■" + path.
[[nodiscard]] std::string readConfigPayload(std::string_view path);

// What a browser sends: "vuv|||" + its command window handle in decimal +
// "■" + content.
[[nodiscard]] std::string notificationPayload(std::uint32_t commandWindow, std::string_view content);
// A record: tag ("连接码|||" or "源代码|||") + field + "■" + text.
[[nodiscard]] std::string recordPayload(std::string_view tag, std::string_view field, std::string_view text);

}  // namespace vuv
