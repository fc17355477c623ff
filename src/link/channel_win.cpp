#include "link/channel_win.h"

#include "common/encoding_win.h"
#include "common/texts.h"
#include "common/trace_win.h"
#include "link/payloads.h"
#include "link/transfer_codec.h"

#include <cstring>
#include <string>
#include <vector>

namespace vuv::win {

namespace {

// ---------------------------------------------------------------------------
// Sending

// Transfer buffers must have 32-bit addresses: the descriptor carries them as
// 32-bit numbers. A 32-bit build gets such memory anywhere; a 64-bit build
// looks for free space below 2 GB.
class LowBuffer {
public:
    explicit LowBuffer(std::size_t size) noexcept : size_(size) {
        void* p = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (p != nullptr && reinterpret_cast<std::uintptr_t>(p) + size <= kLimit) {
            data_ = static_cast<char*>(p);
            return;
        }
        if (p != nullptr) VirtualFree(p, 0, MEM_RELEASE);
        data_ = allocateBelowLimit(size);
    }
    ~LowBuffer() {
        if (data_ != nullptr) VirtualFree(data_, 0, MEM_RELEASE);
    }
    // Gives up the memory without freeing it (see quarantine()).
    char* release() noexcept {
        char* data = data_;
        data_ = nullptr;
        return data;
    }
    LowBuffer(const LowBuffer&) = delete;
    LowBuffer& operator=(const LowBuffer&) = delete;

    [[nodiscard]] char* data() const noexcept { return data_; }
    [[nodiscard]] std::uint32_t address(std::size_t offset) const noexcept {
        return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(data_) + offset);
    }

private:
    static constexpr std::uintptr_t kLimit = 0x80000000u;
    static constexpr std::uintptr_t kGranularity = 0x10000;

    static char* allocateBelowLimit(std::size_t size) noexcept {
        static std::uintptr_t next = 0x10000000;  // where the previous search succeeded
        const std::uintptr_t span = (size + kGranularity - 1) & ~(kGranularity - 1);
        for (int pass = 0; pass < 2; ++pass) {
            for (std::uintptr_t at = next; at + span <= kLimit;) {
                MEMORY_BASIC_INFORMATION info{};
                if (VirtualQuery(reinterpret_cast<void*>(at), &info, sizeof info) == 0) break;
                const std::uintptr_t regionEnd = reinterpret_cast<std::uintptr_t>(info.BaseAddress) + info.RegionSize;
                if (info.State == MEM_FREE && regionEnd - at >= span) {
                    void* p = VirtualAlloc(reinterpret_cast<void*>(at), size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
                    if (p != nullptr) {
                        next = at;
                        return static_cast<char*>(p);
                    }
                }
                at = (regionEnd + kGranularity - 1) & ~(kGranularity - 1);
            }
            next = 0x00400000;
        }
        return nullptr;
    }

    std::size_t size_;
    char* data_ = nullptr;
};

// A browser that did not answer in time may still read the buffers of its
// transfer when it wakes up. Their memory is kept for a while instead of
// being reused at once for another browser's text.
void quarantine(char* buffer) {
    struct Held {
        char* buffer;
        ULONGLONG since;
    };
    static std::vector<Held> held;
    constexpr ULONGLONG kHoldMs = 60000;
    const ULONGLONG now = GetTickCount64();
    std::vector<Held> kept;
    for (const Held& h : held) {
        if (now - h.since >= kHoldMs) {
            VirtualFree(h.buffer, 0, MEM_RELEASE);
        } else {
            kept.push_back(h);
        }
    }
    if (buffer != nullptr) kept.push_back(Held{buffer, now});
    held = std::move(kept);
}

const std::string& ownProcessIdText() {
    static std::string text;
    if (text.empty() || text == "0") text = std::to_string(GetCurrentProcessId());
    return text;
}

// ---------------------------------------------------------------------------
// Receiving

struct ReceiverEntry {
    std::string name;
    UINT message = 0;
    std::string lastPayload;
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

class ProcessHandle {
public:
    explicit ProcessHandle(DWORD pid) noexcept
        : handle_(OpenProcess(PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_VM_OPERATION, FALSE, pid)) {}
    ~ProcessHandle() {
        if (handle_ != nullptr) CloseHandle(handle_);
    }
    ProcessHandle(const ProcessHandle&) = delete;
    ProcessHandle& operator=(const ProcessHandle&) = delete;
    [[nodiscard]] HANDLE get() const noexcept { return handle_; }

private:
    HANDLE handle_;
};

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

LRESULT CALLBACK receivingProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ReceiverState& state = receiverState();
    const WNDPROC previous = state.previous;
    try {
        for (std::size_t i = 0; i < state.registry.size(); ++i) {
            if (state.registry[i].message != message) continue;
            std::optional<ReceivedTransfer> received = receiveTransfer(wParam, lParam);
            if (received) {
                // The registry may grow inside the handler: index, don't hold references.
                // A fresh string, not an assignment into the old one, which
                // would keep the largest payload ever received allocated.
                state.registry[i].lastPayload = std::string(received->payload);
                if (TransferHandler* handler = state.registry[i].handler) {
                    const std::string name = state.registry[i].name;
                    handler->onTransfer(name, *received);
                }
            }
            break;
        }
    } catch (...) {
        // Nothing may unwind through the system's message dispatch.
        traceException(L"receiver");
    }
    return previous != nullptr ? CallWindowProcW(previous, hwnd, message, wParam, lParam)
                               : DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

UINT registeredMessage(std::string_view gbkName) {
    const std::wstring name = widen(gbkName);
    if (name.empty()) return 0;
    return RegisterWindowMessageW(name.c_str());
}

bool sendTransfer(HWND target, std::string_view messageName, std::string_view payload) {
    if (target == nullptr) return false;
    const UINT message = registeredMessage(messageName);
    if (message == 0) return false;
    const std::string& pidText = ownProcessIdText();
    if (!IsWindow(target)) return false;
    if (payload.size() > kMaxPayloadLength) return false;

    // One buffer below 2 GB: [reply cell][descriptor][payload].
    constexpr std::size_t kDescriptorRoom = 64;
    LowBuffer buffer(1 + kDescriptorRoom + payload.size());
    if (buffer.data() == nullptr) return false;
    char* const reply = buffer.data();
    *reply = 0x01;
    std::memcpy(buffer.data() + 1 + kDescriptorRoom, payload.data(), payload.size());
    const std::string descriptor = buildDescriptor(buffer.address(0), static_cast<std::uint32_t>(payload.size()),
                                                   buffer.address(1 + kDescriptorRoom));
    if (descriptor.size() > kDescriptorRoom) return false;
    std::memcpy(buffer.data() + 1, descriptor.data(), descriptor.size());
    const std::optional<std::uint32_t> wParam = encodeTransferWParam(pidText, descriptor.size());
    if (!wParam) return false;

    DWORD_PTR ignored = 0;
    const LRESULT sent = SendMessageTimeoutW(target, message, static_cast<WPARAM>(*wParam),
                                             static_cast<LPARAM>(buffer.address(1)), SMTO_ABORTIFHUNG,
                                             kTransferTimeoutMs, &ignored);
    // A timed-out send may still be acknowledged later; by then it counts as failed.
    const bool acknowledged = sent != 0 && *static_cast<volatile char*>(reply) == 0x02;
    if (sent == 0) {
        quarantine(buffer.release());
    } else {
        quarantine(nullptr);
    }
    return acknowledged;
}

void sendCommand(HWND target, std::string_view command) {
    sendTransfer(target, text::kMsgAdjust, commandPayload(command));
}

void sendBasic(HWND target, std::string_view key, std::string_view value) {
    sendTransfer(target, text::kMsgAdjust, basicPayload(key, value));
}

void sendReadConfig(HWND target, std::string_view path) {
    sendTransfer(target, text::kMsgAdjust, readConfigPayload(path));
}

void sendOpenLink(HWND target, std::string_view url) { sendTransfer(target, text::kMsgJump, url); }

void closeInstance(HWND frameWindow) { PostMessageW(frameWindow, WM_CLOSE, 0, 0); }

std::optional<ReceivedTransfer> receiveTransfer(WPARAM wParam, LPARAM lParam, bool acknowledge) {
    // wParam is a 32-bit number on the wire; a 64-bit receiver sees it zero-extended.
    if (static_cast<std::uintptr_t>(wParam) > 0xFFFFFFFFu) return std::nullopt;
    const std::optional<TransferHeader> header = decodeTransferWParam(static_cast<std::int32_t>(wParam));
    if (!header) return std::nullopt;
    // A transfer that names this very process but came from another thread
    // is a lie: acknowledging it would write a byte wherever the sender chose
    // in our own memory. (Our own tests send to themselves on one thread.)
    if (header->processId == GetCurrentProcessId() && (InSendMessageEx(nullptr) & ISMEX_SEND) != 0) return std::nullopt;
    const auto descriptorAddress = static_cast<std::uint32_t>(static_cast<std::uintptr_t>(lParam));

    ProcessHandle process(header->processId);
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
    state.registry.push_back(ReceiverEntry{std::string(name), message, {}, handler});
    return true;
}

std::string lastPayload(std::string_view name) {
    for (const ReceiverEntry& entry : receiverState().registry) {
        if (entry.name == name) return entry.lastPayload;
    }
    return {};
}

}  // namespace vuv::win
