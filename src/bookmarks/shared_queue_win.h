// The panel's side of the shared queue: a worker thread that owns the
// connection to the Redis server and the lease book it shares with the
// interface thread.
//
// The worker reads entries for this panel into the book's buffer (its own
// pending entries first, then entries idle past the lease from any member,
// then new ones), renews the leases, sends acknowledgements, dead letters,
// additions and records, keeps the panel's roll-call hash alive and reads the
// group's figures. It never touches a window: what the interface must learn
// (the connection's state, a refusal) is posted to the hand-over queue, and
// the figures wait in a snapshot the page copies when its timer comes round.
//
// The interface thread only ever takes the book's lock, held for bookkeeping
// and never across a round trip to the server. The one wait is take()'s,
// bounded by its argument, for a copy that is waiting for an address.
#pragma once

#include "bookmarks/bookmark_source.h"
#include "bookmarks/shared_queue.h"
#include "common/work_queue.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace vuv::win {

enum class QueueConnection { Off, Connecting, Connected, Disconnected, Refused };

// What the page 集群 shows.
struct ClusterSnapshot {
    QueueConnection connection = QueueConnection::Off;
    std::string reason;  // why it is disconnected or refused (GBK)
    QueueFigures queue;
    std::vector<PanelFigures> panels;  // members sorted
    std::size_t buffered = 0, held = 0;
    std::uint64_t acknowledged = 0, returned = 0, deadLettered = 0, usedUp = 0;
    std::uint64_t roundTrips = 0;
    std::uint64_t tickMicros = 0, longestTickMicros = 0;
};

// The copies of this panel by state, for the roll-call.
struct CopyCounts {
    std::size_t running = 0, unresponsive = 0, exited = 0;
};

class SharedQueue {
public:
    // Tells the interface thread something (runs there, through the hand-over).
    using Notify = std::function<void()>;

    explicit SharedQueue(std::shared_ptr<WorkQueue> ui);
    ~SharedQueue();
    SharedQueue(const SharedQueue&) = delete;
    SharedQueue& operator=(const SharedQueue&) = delete;

    // Starts the worker with these settings (stopping the one before). The
    // member name, when empty, is the computer's. onChange runs on the
    // interface thread whenever the connection's state changes.
    void start(const SharedQueueSettings& settings, Notify onChange);
    // Stops the worker; its roll-call hash is removed when it can be.
    void stop();
    [[nodiscard]] bool running() const noexcept { return worker_.joinable(); }

    // Interface thread. A copy asks: the next entry, waiting up to wait for
    // one when the buffer is empty, the server is connected and the last
    // read did not find the stream drained.
    [[nodiscard]] std::optional<QueueEntry> take(const BookmarkHolder& copy, std::chrono::milliseconds wait);
    std::optional<std::string> copyEnded(const BookmarkHolder& copy);
    [[nodiscard]] std::vector<BookmarkHolder> holders() const;
    [[nodiscard]] std::optional<std::string> heldBy(const BookmarkHolder& copy) const;
    // Addresses (UTF-8) to add to the queue; records to add to vuv:records.
    void add(std::vector<std::string> urls);
    void record(std::string_view kind, std::uint32_t processId, std::string text);
    void setCopies(std::size_t listed, CopyCounts counts);
    // The interface thread's time for its last refresh of the page 集群,
    // told to the group in the roll-call (the longest so far, too).
    void noteInterfaceTick(std::uint64_t micros);

    [[nodiscard]] ClusterSnapshot snapshot() const;
    [[nodiscard]] const std::string& member() const noexcept { return member_; }

private:
    struct Record {
        std::string kind;
        std::uint32_t processId;
        std::string text;
        std::string time;
    };

    void run();
    void setState(QueueConnection state, std::string reason);

    std::shared_ptr<WorkQueue> ui_;
    Notify onChange_;
    SharedQueueSettings settings_;
    std::string member_;
    std::string token_;  // the computer and program: tells this panel's roll-call hash from another's of the same member

    mutable std::mutex mutex_;
    std::condition_variable work_;    // the worker: something to send, or stop
    std::condition_variable filled_;  // take(): entries arrived
    LeaseBook book_;
    std::deque<std::string> adds_;
    std::deque<Record> records_;
    std::size_t listedCopies_ = 0;
    CopyCounts copies_;
    ClusterSnapshot snapshot_;
    bool stopping_ = false;
    bool drained_ = false;  // the last read of new entries found none
    std::thread worker_;
};

// The shared queue as the bookmark page's source: a copy's request is
// answered from the buffer, and the entry handed out is added to the table
// as an opened row of that copy, as a local hand-out shows.
class SharedQueueSource final : public BookmarkSource {
public:
    SharedQueueSource(SharedQueue& queue, BookmarkTable& table) noexcept : queue_(queue), table_(table) {}

    [[nodiscard]] Handout next(const BookmarkRequest& request) override;
    std::vector<std::size_t> ended(const Ended& gone) override;
    std::size_t giveBack(const std::vector<std::size_t>& rows) override;
    [[nodiscard]] std::vector<BookmarkHolder> holders() const override { return queue_.holders(); }
    bool add(std::vector<std::string>& addresses) override;
    [[nodiscard]] bool tellsExhaustion() const override { return false; }

    // The longest a request waits for an entry while the buffer is empty.
    static constexpr std::chrono::milliseconds kWait{200};

private:
    SharedQueue& queue_;
    BookmarkTable& table_;
    std::unordered_map<std::string, std::size_t> rowOf_;  // entry id -> its latest row
};

}  // namespace vuv::win
