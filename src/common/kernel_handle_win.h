// Owns one kernel handle and closes it when it goes: the only place that
// closes the handles it is given.
#pragma once

#include <windows.h>

#include <utility>

namespace vuv::win {

class KernelHandle {
public:
    KernelHandle() noexcept = default;
    // Takes over handle; null and INVALID_HANDLE_VALUE both mean none.
    explicit KernelHandle(HANDLE handle) noexcept : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    ~KernelHandle() { reset(); }
    KernelHandle(KernelHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    KernelHandle& operator=(KernelHandle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;

    [[nodiscard]] HANDLE get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != nullptr; }
    // Closes the handle now (nothing when there is none).
    void reset() noexcept { static_cast<void>(close()); }
    // Closes the handle now; false when the system says closing failed (for
    // a file: what was written may not have reached it). True when there
    // was none.
    [[nodiscard]] bool close() noexcept {
        return handle_ == nullptr || CloseHandle(std::exchange(handle_, nullptr)) != FALSE;
    }

private:
    HANDLE handle_ = nullptr;
};

}  // namespace vuv::win
