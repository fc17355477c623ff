#include "common/work_queue.h"

#include <condition_variable>
#include <exception>

namespace vuv {

namespace {

// What one call shares between its caller and the task in the queue. The
// phase moves from Pending exactly once, under the lock: to Taken by the
// owner (then Finished), to Abandoned by a caller that gave up, or to
// Dropped by close(). Whoever moves it first decides.
struct CallState {
    enum class Phase { Pending, Taken, Finished, Abandoned, Dropped };
    std::mutex mutex;
    std::condition_variable changed;
    Phase phase = Phase::Pending;
    std::exception_ptr error;
};

}  // namespace

WorkQueue::WorkQueue(std::size_t capacity, Wake wake)
    : capacity_(capacity), wake_(std::move(wake)), owner_(std::this_thread::get_id()) {}

WorkQueue::~WorkQueue() { close(); }

bool WorkQueue::post(Task task) { return push(Entry{std::move(task), {}}) == Pushed::Accepted; }

WorkQueue::Pushed WorkQueue::push(Entry entry) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return Pushed::Closed;
    if (entries_.size() >= capacity_) return Pushed::Full;
    entries_.push_back(std::move(entry));
    wakeLocked();
    return Pushed::Accepted;
}

void WorkQueue::wakeLocked() {
    if (wakeOutstanding_ || closed_ || !wake_) return;
    wakeOutstanding_ = wake_();
}

std::size_t WorkQueue::drain(std::size_t limit) {
    if (!isOwnerThread()) return 0;
    {
        // This drain answers the wake that was outstanding.
        const std::lock_guard<std::mutex> lock(mutex_);
        wakeOutstanding_ = false;
    }
    std::size_t taken = 0;
    for (; taken < limit; ++taken) {
        Entry entry;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (entries_.empty()) break;
            entry = std::move(entries_.front());
            entries_.pop_front();
            // Before the task runs: it may run a message loop of its own.
            if (!entries_.empty()) wakeLocked();
        }
        entry.run();
    }
    return taken;
}

void WorkQueue::close() {
    std::deque<Entry> dropped;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
        dropped.swap(entries_);
    }
    // Outside the lock: a dropped task's captures may be anything.
    for (Entry& entry : dropped) {
        if (entry.drop) entry.drop();
    }
}

std::size_t WorkQueue::size() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return entries_.size();
}

CallOutcome WorkQueue::callErased(Task task, std::chrono::milliseconds takeLimit,
                                  std::chrono::milliseconds finishLimit) {
    using Phase = CallState::Phase;
    if (isOwnerThread()) {
        // Waiting here for a drain on this very thread could only time out.
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (closed_) return CallOutcome::Closed;
        }
        task();
        return CallOutcome::Done;
    }

    auto state = std::make_shared<CallState>();
    Entry entry;
    entry.run = [state, task = std::move(task)] {
        {
            const std::lock_guard<std::mutex> lock(state->mutex);
            if (state->phase != Phase::Pending) return;  // the caller gave up
            state->phase = Phase::Taken;
        }
        state->changed.notify_all();  // the caller's finish limit starts now
        std::exception_ptr error;
        try {
            task();
        } catch (...) {
            error = std::current_exception();
        }
        {
            const std::lock_guard<std::mutex> lock(state->mutex);
            state->error = error;
            state->phase = Phase::Finished;
        }
        state->changed.notify_all();
    };
    entry.drop = [state] {
        {
            const std::lock_guard<std::mutex> lock(state->mutex);
            if (state->phase == Phase::Pending) state->phase = Phase::Dropped;
        }
        state->changed.notify_all();
    };
    switch (push(std::move(entry))) {
        case Pushed::Accepted: break;
        case Pushed::Full: return CallOutcome::Refused;
        case Pushed::Closed: return CallOutcome::Closed;
    }

    std::unique_lock<std::mutex> lock(state->mutex);
    if (!state->changed.wait_for(lock, takeLimit, [&] { return state->phase != Phase::Pending; })) {
        state->phase = Phase::Abandoned;  // skipped when the owner comes to it
        return CallOutcome::TimedOut;
    }
    if (state->phase == Phase::Dropped) return CallOutcome::Closed;
    if (!state->changed.wait_for(lock, finishLimit, [&] { return state->phase == Phase::Finished; })) {
        return CallOutcome::Unfinished;
    }
    if (state->error) std::rethrow_exception(state->error);
    return CallOutcome::Done;
}

}  // namespace vuv
