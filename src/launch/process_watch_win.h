// Processes this panel started, watched through the handles their creation
// gave: which have ended, learnt without waiting (a zero timeout, in batches
// of the most one wait takes), and their handles for a wait that keeps the
// interface usable. An open handle also keeps a process's id from going to
// another process before its end has been seen here.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace vuv::win {

class ProcessWatch {
public:
    ProcessWatch() = default;
    ~ProcessWatch();
    ProcessWatch(const ProcessWatch&) = delete;
    ProcessWatch& operator=(const ProcessWatch&) = delete;

    // Watches the process from now on; the watch owns the handle (a handle
    // already watched under that id is closed).
    void add(std::uint32_t processId, HANDLE process);
    // The watched processes that have ended; their handles are closed and
    // they are watched no more.
    std::vector<std::uint32_t> takeEnded();
    // Handles of up to most watched processes, for a wait. They stay valid
    // until the next takeEnded().
    [[nodiscard]] std::vector<HANDLE> handles(std::size_t most) const;
    // The handle of a watched process; null when it is not watched (or no
    // longer: its end was taken).
    [[nodiscard]] HANDLE handle(std::uint32_t processId) const;
    [[nodiscard]] std::size_t size() const noexcept { return watched_.size(); }

private:
    std::unordered_map<std::uint32_t, HANDLE> watched_;
};

}  // namespace vuv::win
