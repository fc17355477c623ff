// Memory at addresses below 2 GB, in this or another process: the transfer
// descriptor carries addresses as 32-bit signed numbers, so a buffer of a
// transfer must lie there even in a 64-bit process.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <utility>

namespace vuv::win {

class LowBlock {
public:
    // size bytes of process's address space below 2 GB (where the system
    // puts them, else the first free range found); committed read-write by
    // default, or only reserved (reads and writes there fail).
    LowBlock(HANDLE process, std::size_t size, DWORD type = MEM_RESERVE | MEM_COMMIT,
             DWORD protect = PAGE_READWRITE) noexcept;
    explicit LowBlock(std::size_t size) noexcept : LowBlock(GetCurrentProcess(), size) {}
    ~LowBlock();
    LowBlock(LowBlock&& other) noexcept
        : process_(other.process_), size_(other.size_), base_(std::exchange(other.base_, nullptr)) {}
    LowBlock(const LowBlock&) = delete;
    LowBlock& operator=(const LowBlock&) = delete;

    [[nodiscard]] bool ok() const noexcept { return base_ != nullptr; }
    [[nodiscard]] std::size_t size() const noexcept { return size_; }
    // The memory itself (this process only).
    [[nodiscard]] char* data() const noexcept { return static_cast<char*>(base_); }
    [[nodiscard]] std::uint32_t address(std::size_t offset = 0) const noexcept {
        return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(base_) + offset);
    }
    [[nodiscard]] bool holds(std::uint32_t address) const noexcept {
        return ok() && address >= this->address() && address - this->address() < size_;
    }
    // Gives the memory up without freeing it; returns its start.
    void* release() noexcept;

private:
    HANDLE process_;
    std::size_t size_;
    void* base_ = nullptr;
};

}  // namespace vuv::win
