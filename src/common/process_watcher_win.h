// Processes watched for their end, learnt without waiting: a handle to each
// (opened here with SYNCHRONIZE and limited query rights, or handed over by
// whoever created the process), tested in batches with a zero timeout. A
// watched process keeps its handle until it is removed, ended or not, so its
// id cannot go to another process while it is watched; a user that must not
// hold the handle of an ended process removes it once told.
#pragma once

#include "common/kernel_handle_win.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace vuv::win {

class ProcessWatcher {
public:
    // What a handle that cannot be waited on (gone bad, or without the right
    // to wait) tells of its process.
    enum class Unwaitable {
        TellsNothing,  // the process is not taken for ended
        MeansEnded,    // it is: its end would never be told otherwise
    };

    explicit ProcessWatcher(Unwaitable unwaitable = Unwaitable::TellsNothing) noexcept : unwaitable_(unwaitable) {}

    // Watches the process with this id through a handle opened here; nothing
    // when it is watched already. One that no process has counts as ended at
    // once; one that cannot be opened otherwise is listed without a handle
    // and never tells.
    void add(std::uint32_t processId);
    // Watches the process through this handle, owned from now on; whatever
    // was watched under the id before is forgotten. A null handle: nothing.
    void add(std::uint32_t processId, KernelHandle process);
    // Forgets the process; its handle is closed.
    void remove(std::uint32_t processId);
    // Watches exactly these from now on: the others are removed, the new
    // ones added; those watched already stay as they were.
    void watchExactly(const std::vector<std::uint32_t>& processIds);

    // Looks at every watched process not known to have ended, without
    // waiting. Returns those found ended now and those found gone when they
    // were added, each once over the watch.
    std::vector<std::uint32_t> poll();

    [[nodiscard]] bool contains(std::uint32_t processId) const { return watched_.count(processId) != 0; }
    // Whether a watched process has been found ended.
    [[nodiscard]] bool ended(std::uint32_t processId) const;
    // Whether the watcher can tell about the process: it holds a handle to
    // it or has seen it end.
    [[nodiscard]] bool watching(std::uint32_t processId) const;
    // When a watched process was created, in 100 ns units since 1601 (UTC);
    // 0 when not watched or not known.
    [[nodiscard]] std::uint64_t creationTime(std::uint32_t processId) const;
    // The handle of a watched process; null when there is none.
    [[nodiscard]] HANDLE handle(std::uint32_t processId) const;
    // Handles of up to most watched processes not known to have ended, for
    // a wait. Valid until the processes are removed.
    [[nodiscard]] std::vector<HANDLE> handles(std::size_t most) const;
    [[nodiscard]] std::size_t size() const noexcept { return watched_.size(); }

private:
    struct Watched {
        KernelHandle process;  // none when it could not be opened
        std::uint64_t created = 0;
        bool ended = false;
        bool told = false;  // a poll has returned it
    };
    [[nodiscard]] static Watched open(std::uint32_t processId);

    Unwaitable unwaitable_;
    std::unordered_map<std::uint32_t, Watched> watched_;
};

}  // namespace vuv::win
