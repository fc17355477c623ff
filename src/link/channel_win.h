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

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vuv::win {

// How long a send may wait for a browser before it counts as failed. A hung
// browser must never freeze the panel.
inline constexpr unsigned kTransferTimeoutMs = 3000;

// The names a browser registers (message names, window classes, the caption
// it looks for) are GBK texts. Registered with the wide functions from the
// text code page 936 gives them, they are the same on every Windows; a
// browser on the ANSI functions with the GBK bytes gets them read in the
// system's own code page instead, which differs unless that code page is 936
// (a Chinese browser on an English or Japanese Windows without a locale
// emulator). The panel speaks both.
enum class NameVariant { Unicode, Ansi };

// True when the system's code page is not 936, so that the two variants of a
// name differ.
[[nodiscard]] bool ansiNamesDiffer();
// A GBK name as the variant registers it: converted with code page 936, or as
// the ANSI functions convert it (the system's code page).
[[nodiscard]] std::wstring registeredName(std::string_view gbkName, NameVariant variant);

// Message number of a registered name given in GBK, in the variant.
[[nodiscard]] UINT registeredMessage(std::string_view gbkName, NameVariant variant = NameVariant::Unicode);

// How a transfer went: acknowledged; refused (not sent: no such window, or
// one that may not have more; or sent and not acknowledged); or timed out
// (the receiver did not answer in time, or hangs). A posted message is never
// answered: it is posted (it is in the window's queue) or refused (no
// window, or the system would not take it), nothing more is known. A command
// for a copy the panel has no record of is not sent at all: no such copy.
enum class Delivery { Acknowledged, Refused, TimedOut, Posted, NoSuchCopy };
// "已确认", "被拒绝", "超时", "已发出", "无此鹭行".
[[nodiscard]] std::string_view deliveryText(Delivery delivery) noexcept;

// Sends payload to target under the registered name (in the variant the
// receiver registered it). Refused without sending for a null or dead window,
// and for a transfer whose wParam would not fit in 31 bits.
Delivery deliver(HWND target, std::string_view messageName, std::string_view payload,
                 NameVariant variant = NameVariant::Unicode);
// Buffers of timed-out transfers still kept for their receivers, which may
// yet read them; those of receivers that have ended are given back first.
[[nodiscard]] std::size_t heldBackTransfers();
// The same; true when the receiver acknowledged.
bool sendTransfer(HWND target, std::string_view messageName, std::string_view payload,
                  NameVariant variant = NameVariant::Unicode);

// Texts to a browser's command window. The panel's commands to its copies go
// through Fleet::send (link/fleet_win.h); these serve the bookmark hand-out
// and the tools that play a panel.
Delivery sendBasic(HWND target, std::string_view key, std::string_view value,
                   NameVariant variant = NameVariant::Unicode);  // "基本通讯|||" key "|||" value
Delivery sendOpenLink(HWND target, std::string_view url,
                      NameVariant variant = NameVariant::Unicode);  // the bare URL under "跳转"
// Posts a message: Posted, or Refused for a null window (nothing is posted)
// or one the system refuses (gone, or its queue full).
Delivery postTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// One transfer read out of a sender's memory.
struct ReceivedTransfer {
    std::uint32_t senderProcessId = 0;
    std::string payload;
    NameVariant variant = NameVariant::Unicode;  // under which variant of the name it came
};

// Reads the transfer described by wParam/lParam. Returns nothing, and neither
// acknowledges nor allocates, when the parameters or the descriptor are not
// well formed, or when they name this process but were sent from another
// thread. When the descriptor is sound but the payload cannot be read,
// the payload is zero-filled at its declared length. acknowledge=false leaves
// the reply cell alone (a test peer uses that to play a deaf browser).
[[nodiscard]] std::optional<ReceivedTransfer> receiveTransfer(WPARAM wParam, LPARAM lParam, bool acknowledge = true);

// While it lives, this thread may receive transfers that name this very
// process: sendTransfer opens one around a transfer to a window of its own
// thread, and in-process tests that forge such transfers by hand do the same.
// Any other transfer naming this process is refused (someone else lying).
class SelfTransferScope {
public:
    SelfTransferScope() noexcept;
    ~SelfTransferScope();
    SelfTransferScope(const SelfTransferScope&) = delete;
    SelfTransferScope& operator=(const SelfTransferScope&) = delete;
};

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

// For a window of the panel's own besides the subclassed one: when message
// is a registered transfer, reads and hands it on as the subclassed window
// does and returns true.
bool receiveRegistered(UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace vuv::win
