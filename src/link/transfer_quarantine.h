// Buffers of transfers whose receiver did not answer in time. Such a browser
// may still wake up and read the descriptor, acknowledge into the reply cell
// and read the payload, at the addresses it was given: if that memory had
// gone to another transfer meanwhile, it would read another browser's text or
// acknowledge a transfer that is not its own. So a timed-out transfer's
// memory stays reserved for as long as its receiver's process lives, and is
// given back only once that process has ended.
//
// Held memory is bounded: a process that holds kMostPerProcess buffers gets
// no further transfers until it ends, and once kMostInAll are held no process
// that holds one does. A process that answers never holds any.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace vuv {

class TransferQuarantine {
public:
    static constexpr std::size_t kMostPerProcess = 16;
    static constexpr std::size_t kMostInAll = 512;

    // Whether a new transfer to processId may go out.
    [[nodiscard]] bool admits(std::uint32_t processId) const noexcept;
    // Keeps buffer (an address, never read here) until processId ends.
    void hold(std::uintptr_t buffer, std::uint32_t processId);
    // Takes out the buffers of every process for which ended() says so; the
    // caller frees them. ended is asked once per process that holds any.
    [[nodiscard]] std::vector<std::uintptr_t> releaseEnded(const std::function<bool(std::uint32_t)>& ended);

    [[nodiscard]] std::size_t size() const noexcept { return held_.size(); }
    [[nodiscard]] std::size_t heldFor(std::uint32_t processId) const noexcept;
    // The processes that hold buffers, each once.
    [[nodiscard]] std::vector<std::uint32_t> processes() const;

private:
    struct Held {
        std::uintptr_t buffer;
        std::uint32_t processId;
    };
    std::vector<Held> held_;
};

}  // namespace vuv
