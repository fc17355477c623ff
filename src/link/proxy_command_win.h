// The instance menu's "设置代理IP": asks for a WAP-mode proxy as IP:port and
// posts it to the frame window of every selected browser.
#pragma once

#include "link/proxy.h"

#include <windows.h>

#include <optional>
#include <string>

namespace vuv::win {

class InstancePage;

// Asks until the operator types a valid address or cancels; an invalid one
// is reported and asked again with an empty field. A valid one is posted to
// each row selected once the box is confirmed, first row to last, as the two
// proxy messages in their order.
void setProxyForSelected(HWND owner, InstancePage& instances);

// A modal box with a prompt, an empty text field, 确定 and 取消; the typed
// text (GBK), or nothing when cancelled.
[[nodiscard]] std::optional<std::string> askText(HWND owner, const std::wstring& caption, const std::wstring& prompt);

}  // namespace vuv::win
