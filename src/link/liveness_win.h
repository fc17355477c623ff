// Which listed browser copies have ended, learnt without waiting: a handle
// to each process (opened once, with SYNCHRONIZE and limited query rights,
// which also keeps its id from being reused while it is listed), tested in
// batches with a zero timeout.
#pragma once

#include <windows.h>

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace vuv::win {

class Liveness {
public:
    Liveness() = default;
    ~Liveness();
    Liveness(const Liveness&) = delete;
    Liveness& operator=(const Liveness&) = delete;

    // Watches exactly these processes from now on (handles of the others
    // are closed). One that no longer exists counts as ended at once.
    void watch(const std::vector<std::uint32_t>& processIds);
    // Whether a watched process has ended; false for one not watched or
    // whose handle could not be opened.
    [[nodiscard]] bool ended(std::uint32_t processId) const;
    // Looks at every watched process that had not ended yet; returns those
    // found ended now, and those found gone when they were first watched,
    // each once.
    std::vector<std::uint32_t> poll();

private:
    struct Watched {
        HANDLE process = nullptr;
        bool ended = false;
        bool told = false;  // a poll has returned it
    };
    static Watched open(std::uint32_t processId);
    std::unordered_map<std::uint32_t, Watched> watched_;
};

}  // namespace vuv::win
