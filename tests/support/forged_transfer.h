// What tests need to forge transfers by hand: memory below 2 GB, where a
// descriptor's 32-bit addresses can point, in this or another process, and
// the wParam digit string for any sender and descriptor length.
#pragma once

#include "common/low_memory_win.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace vuv::testing_support {

// Low memory with byte access in this process; committed, or only reserved.
class LowMemory : public win::LowBlock {
public:
    explicit LowMemory(std::size_t size = 0x10000, bool commit = true, HANDLE process = GetCurrentProcess())
        : LowBlock(process, size, commit ? MEM_RESERVE | MEM_COMMIT : MEM_RESERVE,
                   commit ? PAGE_READWRITE : PAGE_NOACCESS) {}

    [[nodiscard]] char* at(std::size_t offset) const noexcept { return data() + offset; }
    void put(std::size_t offset, std::string_view bytes) const {
        if (ok() && !bytes.empty()) std::memcpy(data() + offset, bytes.data(), bytes.size());
    }
    // A megabyte of low addresses of this process with nothing mapped there
    // now (reads fail; nothing writes there).
    [[nodiscard]] static std::uint32_t hole() {
        const LowMemory gone(1u << 20, false);
        return gone.address(0x100);
    }
};

// The wParam of a transfer: the digit count of pid, pid, descriptorLength, as
// one decimal number; also for values a receiver refuses (beyond 31 bits).
inline WPARAM wParamFor(DWORD pid, std::size_t descriptorLength) {
    const std::string pidText = std::to_string(pid);
    return static_cast<WPARAM>(std::stoull(std::to_string(pidText.size()) + pidText + std::to_string(descriptorLength)));
}

}  // namespace vuv::testing_support
