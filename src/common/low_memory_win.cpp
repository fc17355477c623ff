#include "common/low_memory_win.h"

namespace vuv::win {

namespace {

constexpr std::uintptr_t kLimit = 0x80000000u;
constexpr std::uintptr_t kGranularity = 0x10000;

void* searchBelowLimit(HANDLE process, std::size_t size, DWORD type, DWORD protect) noexcept {
    // Where the previous search in this process succeeded: free space is
    // usually found again there at once.
    static std::uintptr_t next = 0x10000000;
    const bool own = GetProcessId(process) == GetCurrentProcessId();
    const std::uintptr_t span = (size + kGranularity - 1) & ~(kGranularity - 1);
    for (int pass = 0; pass < 2; ++pass) {
        for (std::uintptr_t at = own ? next : 0x10000000; at + span <= kLimit;) {
            MEMORY_BASIC_INFORMATION info{};
            if (VirtualQueryEx(process, reinterpret_cast<void*>(at), &info, sizeof info) == 0) break;
            const std::uintptr_t regionEnd = reinterpret_cast<std::uintptr_t>(info.BaseAddress) + info.RegionSize;
            if (info.State == MEM_FREE && regionEnd - at >= span) {
                if (void* p = VirtualAllocEx(process, reinterpret_cast<void*>(at), size, type, protect)) {
                    if (own) next = at;
                    return p;
                }
            }
            at = (regionEnd + kGranularity - 1) & ~(kGranularity - 1);
        }
        if (own) next = 0x00400000;
    }
    return nullptr;
}

}  // namespace

LowBlock::LowBlock(HANDLE process, std::size_t size, DWORD type, DWORD protect) noexcept
    : process_(process), size_(size) {
    void* p = VirtualAllocEx(process, nullptr, size, type, protect);
    if (p != nullptr && reinterpret_cast<std::uintptr_t>(p) + size <= kLimit) {
        base_ = p;
        return;
    }
    if (p != nullptr) VirtualFreeEx(process, p, 0, MEM_RELEASE);
    base_ = searchBelowLimit(process, size, type, protect);
}

LowBlock::~LowBlock() {
    if (base_ != nullptr) VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
}

void* LowBlock::release() noexcept {
    void* base = base_;
    base_ = nullptr;
    return base;
}

}  // namespace vuv::win
