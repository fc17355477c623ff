// The message channel between the panel and the browsers.
//
// A text never travels inside a message. The sender keeps it in its own
// memory and sends, synchronously, where to find it: wParam carries the
// sender's process id and the descriptor's length, lParam the descriptor's
// address; the descriptor names a one-byte reply cell and the payload. The
// receiver reads both out of the sender's process and acknowledges by writing
// 0x02 into the reply cell.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vuv::win {

// How long a send may wait for a browser before it counts as failed. A hung
// browser must never freeze the panel.
inline constexpr unsigned kTransferTimeoutMs = 3000;

// Message number of a registered name given in GBK (registered as the UTF-16
// text the name stands for under code page 936, as a browser registers it).
[[nodiscard]] UINT registeredMessage(std::string_view gbkName);

// Sends payload to target under the registered name; true when the receiver
// acknowledged. False without sending for a null or dead window, and for a
// transfer whose wParam would not fit in 31 bits.
bool sendTransfer(HWND target, std::string_view messageName, std::string_view payload);

// The texts the panel sends to a browser's command window.
void sendCommand(HWND target, std::string_view command);                  // "vuv|||" + command
void sendBasic(HWND target, std::string_view key, std::string_view value);  // "基本通讯|||" key "|||" value
void sendReadConfig(HWND target, std::string_view path);                  // "vuv|||读配置■" + path
void sendOpenLink(HWND target, std::string_view url);                     // the bare URL under "跳转"
void closeInstance(HWND frameWindow);                                     // posts WM_CLOSE

// One transfer read out of a sender's memory.
struct ReceivedTransfer {
    std::uint32_t senderProcessId = 0;
    std::string payload;
};

// Reads the transfer described by wParam/lParam. Returns nothing, and neither
// acknowledges nor allocates, when the parameters or the descriptor are not
// well formed, or when they name this process but were sent from another
// thread. When the descriptor is sound but the payload cannot be read,
// the payload is zero-filled at its declared length. acknowledge=false leaves
// the reply cell alone (a test peer uses that to play a deaf browser).
[[nodiscard]] std::optional<ReceivedTransfer> receiveTransfer(WPARAM wParam, LPARAM lParam, bool acknowledge = true);

// Hears every transfer received under the names it is registered for: the
// sender's process id (from wParam) and the payload, with the message name.
class TransferHandler {
public:
    virtual ~TransferHandler() = default;
    virtual void onTransfer(std::string_view name, const ReceivedTransfer& transfer) = 0;
};

// Replaces the window procedure of hwnd with the receiving one. Only one
// window per process is subclassed.
bool subclassWindow(HWND hwnd);

// Adds a receiver for a message name; refused (false) for an empty name, a
// name or message number already registered, a failed registration, or a
// handler already in use.
bool registerReceiver(std::string_view name, TransferHandler* handler);

// Copy of the last payload received under name; empty when none.
[[nodiscard]] std::string lastPayload(std::string_view name);

}  // namespace vuv::win
