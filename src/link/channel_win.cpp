#include "link/channel_win.h"

#include "common/encoding_win.h"
#include "common/texts.h"
#include "common/kernel_handle_win.h"
#include "common/low_memory_win.h"
#include "common/process_watcher_win.h"
#include "common/trace_win.h"
#include "link/payloads.h"
#include "link/transfer_codec.h"
#include "link/transfer_quarantine.h"

#include <cstring>
#include <unordered_map>
#include <string>
#include <utility>
#include <vector>

namespace vuv::win {

namespace {

// ---------------------------------------------------------------------------
// Sending

// The buffers of transfers whose receiver did not answer in time, each kept
// until the receiver's process has ended (see link/transfer_quarantine.h),
// with a watch on the receivers to learn when they have.
class Quarantine {
public:
    [[nodiscard]] bool admits(DWORD processId) {
        releaseEnded();
        return held_.admits(processId);
    }

    void hold(LowBlock buffer, DWORD processId) {
        if (!buffer.ok()) return;
        const auto address = reinterpret_cast<std::uintptr_t>(buffer.data());
        receivers_.add(processId);
        held_.hold(address, processId);
        buffers_.emplace(address, std::move(buffer));
    }

    void releaseEnded() {
        if (held_.size() == 0) return;
        receivers_.poll();
        const std::vector<std::uintptr_t> freed = held_.releaseEnded([this](std::uint32_t processId) {
            // Without a handle there is no telling: the buffers stay.
            if (!receivers_.ended(processId)) return false;
            receivers_.remove(processId);
            return true;
        });
        for (const std::uintptr_t address : freed) buffers_.erase(address);  // the memory is given back here
    }

    [[nodiscard]] std::size_t size() const noexcept { return held_.size(); }

private:
    TransferQuarantine held_;
    ProcessWatcher receivers_;
    std::unordered_map<std::uintptr_t, LowBlock> buffers_;
};

Quarantine& quarantine() {
    static Quarantine state;
    return state;
}

std::uint32_t toWindowNumber(HWND window) noexcept {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window));
}

}  // namespace

// Transfers this thread is sending to one of its own windows just now.
thread_local int selfTransfers = 0;

SelfTransferScope::SelfTransferScope() noexcept { ++selfTransfers; }
SelfTransferScope::~SelfTransferScope() { --selfTransfers; }

namespace {

const std::string& ownProcessIdText() {
    static std::string text;
    if (text.empty() || text == "0") text = std::to_string(GetCurrentProcessId());
    return text;
}

// ---------------------------------------------------------------------------
// Receiving

struct ReceiverEntry {
    std::string name;
    UINT message = 0;      // the name registered as a browser on code page 936 registers it
    UINT ansiMessage = 0;  // the name as the ANSI functions register it here, when that differs
    TransferHandler* handler = nullptr;
};

struct ReceiverState {
    std::vector<ReceiverEntry> registry;
    HWND window = nullptr;
    WNDPROC previous = nullptr;
};

ReceiverState& receiverState() {
    static ReceiverState state;
    return state;
}

// Reads size bytes at a 32-bit address of another process; the buffer stays
// zero-filled where the read fails.
bool readRemote(HANDLE process, std::uint32_t address, char* into, std::size_t size) noexcept {
    if (process == nullptr || size == 0) return size == 0;
    SIZE_T done = 0;
    const void* from = reinterpret_cast<const void*>(static_cast<std::uintptr_t>(address));
    if (ReadProcessMemory(process, from, into, size, &done) && done == size) return true;
    std::memset(into, 0, size);
    return false;
}

bool receive(UINT message, WPARAM wParam, LPARAM lParam) {
    ReceiverState& state = receiverState();
    for (std::size_t i = 0; i < state.registry.size(); ++i) {
        const bool unicode = state.registry[i].message == message;
        if (!unicode && (state.registry[i].ansiMessage == 0 || state.registry[i].ansiMessage != message)) continue;
        std::optional<ReceivedTransfer> received = receiveTransfer(wParam, lParam);
        if (!received) {
            trace(L"transfer refused: wParam " + std::to_wstring(wParam));
            return true;
        }
        received->variant = unicode ? NameVariant::Unicode : NameVariant::Ansi;
        // The registry may grow inside the handler: index, don't hold references.
        if (TransferHandler* handler = state.registry[i].handler) {
            const std::string name = state.registry[i].name;
            handler->onTransfer(name, *received);
        }
        return true;
    }
    return false;
}

LRESULT CALLBACK receivingProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC previous = receiverState().previous;
    try {
        receive(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through the system's message dispatch.
        traceException(L"receiver");
    }
    return previous != nullptr ? CallWindowProcW(previous, hwnd, message, wParam, lParam)
                               : DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

bool ansiNamesDiffer() { return GetACP() != kGbkCodePage; }

std::wstring registeredName(std::string_view gbkName, NameVariant variant) {
    if (variant == NameVariant::Unicode || gbkName.empty()) return widen(gbkName);
    return widenAnsi(gbkName);
}

UINT registeredMessage(std::string_view gbkName, NameVariant variant) {
    const std::wstring name = registeredName(gbkName, variant);
    if (name.empty()) return 0;
    return RegisterWindowMessageW(name.c_str());
}

bool receiveRegistered(UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return receive(message, wParam, lParam);
    } catch (...) {
        traceException(L"receiver");
        return true;
    }
}

Delivery deliver(HWND target, std::string_view messageName, std::string_view payload, NameVariant variant) {
    if (target == nullptr) return Delivery::Refused;
    const UINT message = registeredMessage(messageName, variant);
    if (message == 0) return Delivery::Refused;
    const std::string& pidText = ownProcessIdText();
    if (!IsWindow(target)) return Delivery::Refused;
    if (payload.size() > kMaxPayloadLength) return Delivery::Refused;
    DWORD receiver = 0;
    GetWindowThreadProcessId(target, &receiver);
    if (!quarantine().admits(receiver)) {
        trace(L"transfer withheld: the receiver still holds too many unanswered ones");
        return Delivery::Refused;
    }

    // One buffer below 2 GB: [reply cell][descriptor][payload].
    constexpr std::size_t kDescriptorRoom = 64;
    LowBlock buffer(1 + kDescriptorRoom + payload.size());
    if (!buffer.ok()) return Delivery::Refused;
    char* const reply = buffer.data();
    *reply = 0x01;
    std::memcpy(buffer.data() + 1 + kDescriptorRoom, payload.data(), payload.size());
    const std::string descriptor = buildDescriptor(buffer.address(0), static_cast<std::uint32_t>(payload.size()),
                                                   buffer.address(1 + kDescriptorRoom));
    if (descriptor.size() > kDescriptorRoom) return Delivery::Refused;
    std::memcpy(buffer.data() + 1, descriptor.data(), descriptor.size());
    const std::optional<std::uint32_t> wParam = encodeTransferWParam(pidText, descriptor.size());
    if (!wParam) return Delivery::Refused;

    DWORD_PTR ignored = 0;
    // A transfer to a window of this very thread is the one kind that may
    // name this process: the receiver is told so while the send lasts.
    const bool toSelf = GetWindowThreadProcessId(target, nullptr) == GetCurrentThreadId();
    std::optional<SelfTransferScope> self;
    if (toSelf) self.emplace();
    const LRESULT sent = SendMessageTimeoutW(target, message, static_cast<WPARAM>(*wParam),
                                             static_cast<LPARAM>(buffer.address(1)), SMTO_ABORTIFHUNG,
                                             kTransferTimeoutMs, &ignored);
    self.reset();
    // A timed-out send may still be acknowledged later; by then it counts as failed.
    const bool acknowledged = sent != 0 && *static_cast<volatile char*>(reply) == 0x02;
    if (sent == 0) {
        // The receiver may still read this memory when it wakes up.
        quarantine().hold(std::move(buffer), receiver);
        trace(L"transfer timed out or the receiver hung: window " + std::to_wstring(toWindowNumber(target)));
        return Delivery::TimedOut;
    }
    if (!acknowledged) {
        trace(L"transfer not acknowledged: window " + std::to_wstring(toWindowNumber(target)));
        return Delivery::Refused;
    }
    return Delivery::Acknowledged;
}

std::size_t heldBackTransfers() {
    quarantine().releaseEnded();
    return quarantine().size();
}

bool sendTransfer(HWND target, std::string_view messageName, std::string_view payload, NameVariant variant) {
    return deliver(target, messageName, payload, variant) == Delivery::Acknowledged;
}

Delivery sendBasic(HWND target, std::string_view key, std::string_view value, NameVariant variant) {
    return deliver(target, text::kMsgAdjust, basicPayload(key, value), variant);
}

Delivery sendOpenLink(HWND target, std::string_view url, NameVariant variant) {
    return deliver(target, text::kMsgJump, url, variant);
}

std::string_view deliveryText(Delivery delivery) noexcept {
    switch (delivery) {
        case Delivery::Acknowledged: return text::kOutcomeAcknowledged;
        case Delivery::Refused: return text::kOutcomeRefused;
        case Delivery::TimedOut: return text::kOutcomeTimedOut;
        case Delivery::Posted: return text::kOutcomePosted;
        case Delivery::NoSuchCopy: return text::kOutcomeNoSuchCopy;
    }
    return text::kOutcomeRefused;
}

Delivery postTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // A null window would post to this thread's own queue.
    if (window == nullptr) return Delivery::Refused;
    return PostMessageW(window, message, wParam, lParam) ? Delivery::Posted : Delivery::Refused;
}

std::optional<ReceivedTransfer> receiveTransfer(WPARAM wParam, LPARAM lParam, bool acknowledge) {
    // wParam is a 32-bit number on the wire; a 64-bit receiver sees it zero-extended.
    if (static_cast<std::uintptr_t>(wParam) > 0xFFFFFFFFu) return std::nullopt;
    const std::optional<TransferHeader> header = decodeTransferWParam(static_cast<std::int32_t>(wParam));
    if (!header) return std::nullopt;
    // A transfer that names this very process is a lie unless this thread is
    // sending it to itself right now: sent from another thread or posted by
    // anyone, acknowledging it would write a byte wherever the sender chose
    // in our own memory. (Our own tests send to themselves on one thread.)
    if (header->processId == GetCurrentProcessId() && selfTransfers == 0) return std::nullopt;
    const auto descriptorAddress = static_cast<std::uint32_t>(static_cast<std::uintptr_t>(lParam));

    const KernelHandle process(
        OpenProcess(PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_VM_OPERATION, FALSE, header->processId));
    char descriptorBytes[kMaxDescriptorLength] = {};
    if (!readRemote(process.get(), descriptorAddress, descriptorBytes, header->descriptorLength)) return std::nullopt;
    const std::optional<Descriptor> descriptor =
        parseDescriptor(std::string_view(descriptorBytes, header->descriptorLength));
    if (!descriptor) return std::nullopt;

    if (acknowledge) {
        const char done = 0x02;
        SIZE_T written = 0;
        WriteProcessMemory(process.get(), reinterpret_cast<void*>(static_cast<std::uintptr_t>(descriptor->replyAddress)),
                           &done, 1, &written);
    }
    ReceivedTransfer received;
    received.senderProcessId = header->processId;
    received.payload.assign(descriptor->payloadLength, '\0');
    readRemote(process.get(), descriptor->payloadAddress, received.payload.data(), received.payload.size());
    return received;
}

bool subclassWindow(HWND hwnd) {
    ReceiverState& state = receiverState();
    if (hwnd == nullptr || state.window != nullptr) return false;
    const LONG_PTR previous =
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&receivingProcedure));
    if (previous == 0) return false;
    state.window = hwnd;
    state.previous = reinterpret_cast<WNDPROC>(previous);
    return true;
}

bool registerReceiver(std::string_view name, TransferHandler* handler) {
    ReceiverState& state = receiverState();
    if (name.empty()) return false;
    for (const ReceiverEntry& entry : state.registry) {
        if (entry.name == name) return false;
    }
    const UINT message = registeredMessage(name);
    if (message == 0) return false;
    for (const ReceiverEntry& entry : state.registry) {
        if (entry.message == message || (handler != nullptr && entry.handler == handler)) return false;
    }
    // Browsers on the ANSI functions register the name under another number
    // when the system's code page is not 936: heard under both.
    UINT ansiMessage = 0;
    if (ansiNamesDiffer()) {
        const UINT other = registeredMessage(name, NameVariant::Ansi);
        if (other != 0 && other != message) ansiMessage = other;
    }
    state.registry.push_back(ReceiverEntry{std::string(name), message, ansiMessage, handler});
    return true;
}

}  // namespace vuv::win
