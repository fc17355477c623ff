// Work handed from other threads to the one thread that owns the panel's
// state and controls (the owner: the thread that makes the queue).
//
// Any thread may post() a task or call() one and wait for its answer; only
// the owner runs tasks, in drain(), in the order they were posted. The queue
// holds at most `capacity` tasks and refuses more, so a worker that floods it
// cannot eat memory. It tells the owner that there is work through the wake
// callback, with at most one wake outstanding at a time (the Win32 side posts
// one message per wake, so its message queue cannot be flooded either).
//
// A call that the owner does not take within its take limit is cancelled: it
// never runs afterwards, as the caller has given up and the answer would go
// nowhere. Once taken, the caller waits up to its finish limit for the
// answer; a task that runs longer still completes, but its answer is lost.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>

namespace vuv {

enum class CallOutcome {
    Done,        // ran on the owner thread; the answer is there
    TimedOut,    // not taken within the take limit: cancelled, never runs
    Unfinished,  // taken, not finished within the finish limit; runs to its end, answer lost
    Refused,     // the queue was full
    Closed,      // the queue was closed before the task was taken
};

template <class T>
struct CallResult {
    CallOutcome outcome = CallOutcome::Closed;
    std::optional<T> value;  // set when Done
};

template <>
struct CallResult<void> {
    CallOutcome outcome = CallOutcome::Closed;
};

class WorkQueue {
public:
    using Task = std::function<void()>;
    // Tells the owner thread to call drain(). Runs under the queue's lock, on
    // whichever thread posted: it must not block, throw or use the queue.
    // False when the owner could not be told (asked again at the next post).
    using Wake = std::function<bool()>;

    WorkQueue(std::size_t capacity, Wake wake);
    ~WorkQueue();
    WorkQueue(const WorkQueue&) = delete;
    WorkQueue& operator=(const WorkQueue&) = delete;

    // Any thread. False when the queue is full or closed (the task is dropped).
    bool post(Task task);

    // Owner thread only (elsewhere it runs nothing). Takes up to limit tasks,
    // oldest first, runs them and returns how many it took (a cancelled call
    // is taken and skipped).
    // While tasks remain it keeps a wake outstanding for them, so that a
    // message loop a task runs (a dialog) or the next wake takes them on.
    // A posted task's exception leaves here; the rest stay queued.
    std::size_t drain(std::size_t limit);

    // Any thread. Cancels every queued task, releases their callers with
    // Closed and refuses everything posted later. No wake follows it.
    void close();

    // Tasks queued, cancelled ones not yet skipped included.
    [[nodiscard]] std::size_t size() const;
    [[nodiscard]] bool isOwnerThread() const noexcept { return std::this_thread::get_id() == owner_; }

    // Any thread: runs task on the owner thread and waits for its answer
    // (see CallOutcome). On the owner thread itself it runs at once. An
    // exception the task throws is thrown here again. Tasks are copied into
    // a std::function, so they must be copyable. An Unfinished task runs on
    // after this returns: capture by value what it uses, never the caller's
    // locals by reference.
    template <class F>
    auto call(F task, std::chrono::milliseconds takeLimit, std::chrono::milliseconds finishLimit)
        -> CallResult<std::invoke_result_t<F&>>;

private:
    struct Entry {
        Task run;
        Task drop;  // at close, for a task that never ran; may be empty
    };
    enum class Pushed { Accepted, Full, Closed };

    Pushed push(Entry entry);
    void wakeLocked();
    CallOutcome callErased(Task task, std::chrono::milliseconds takeLimit, std::chrono::milliseconds finishLimit);

    const std::size_t capacity_;
    const Wake wake_;
    const std::thread::id owner_;
    mutable std::mutex mutex_;
    std::deque<Entry> entries_;
    bool wakeOutstanding_ = false;
    bool closed_ = false;
};

template <class F>
auto WorkQueue::call(F task, std::chrono::milliseconds takeLimit, std::chrono::milliseconds finishLimit)
    -> CallResult<std::invoke_result_t<F&>> {
    using R = std::invoke_result_t<F&>;
    if constexpr (std::is_void_v<R>) {
        return {callErased(Task(std::move(task)), takeLimit, finishLimit)};
    } else {
        // Shared: an unfinished task still writes its answer after the caller left.
        auto answer = std::make_shared<std::optional<R>>();
        CallResult<R> result;
        result.outcome = callErased([answer, task = std::move(task)]() mutable { answer->emplace(task()); },
                                    takeLimit, finishLimit);
        if (result.outcome == CallOutcome::Done) result.value = std::move(*answer);
        return result;
    }
}

}  // namespace vuv
