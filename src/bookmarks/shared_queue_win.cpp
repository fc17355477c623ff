#include "bookmarks/shared_queue_win.h"

#include "common/encoding_win.h"
#include "common/texts.h"
#include "common/trace_win.h"

#include <hiredis/hiredis.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <unordered_set>
#include <utility>

namespace vuv::win {

namespace {

using Clock = std::chrono::steady_clock;
using Args = std::vector<std::string>;

std::int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}

std::string utf8Of(std::string_view gbk) {
    const std::wstring wide = widen(gbk);
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string out(static_cast<std::size_t>(std::max(n, 0)), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// Local time as "YYYY-MM-DD HH:MM:SS".
std::string localTimeText() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond);
    return buffer;
}

std::string computerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size)) return "vuv";
    return narrow(std::wstring_view(name, size));
}

Reply replyOf(const redisReply* r) {
    if (r == nullptr) return Reply::nil();
    switch (r->type) {
        case REDIS_REPLY_INTEGER: return Reply::number(r->integer);
        case REDIS_REPLY_STRING:
        case REDIS_REPLY_VERB:
        case REDIS_REPLY_BIGNUM:
        case REDIS_REPLY_DOUBLE: return Reply::string(std::string(r->str, r->len));
        case REDIS_REPLY_STATUS: return Reply::status(std::string(r->str, r->len));
        case REDIS_REPLY_ERROR: return Reply::error(std::string(r->str, r->len));
        case REDIS_REPLY_ARRAY:
        case REDIS_REPLY_MAP:
        case REDIS_REPLY_SET:
        case REDIS_REPLY_PUSH: {
            std::vector<Reply> elements;
            elements.reserve(r->elements);
            for (std::size_t i = 0; i < r->elements; ++i) elements.push_back(replyOf(r->element[i]));
            return Reply::array(std::move(elements));
        }
        default: return Reply::nil();
    }
}

// One connection; every exchange is one round trip (a pipeline of commands).
class Connection {
public:
    ~Connection() { close(); }
    bool open(const ServerAddress& address, std::string& why) {
        close();
        timeval connectTimeout{2, 0};
        context_ = redisConnectWithTimeout(address.host.c_str(), address.port, connectTimeout);
        if (context_ == nullptr || context_->err != 0) {
            why = context_ != nullptr ? context_->errstr : "out of memory";
            close();
            return false;
        }
        timeval commandTimeout{5, 0};
        redisSetTimeout(context_, commandTimeout);
        return true;
    }
    void close() {
        if (context_ != nullptr) redisFree(context_);
        context_ = nullptr;
    }
    [[nodiscard]] bool ok() const noexcept { return context_ != nullptr; }
    [[nodiscard]] const std::string& error() const noexcept { return error_; }

    // False when the connection failed (it is closed then); replies get one
    // reply per command otherwise, errors of single commands included.
    bool exchange(const std::vector<Args>& commands, std::vector<Reply>& replies) {
        replies.clear();
        if (context_ == nullptr) return false;
        if (commands.empty()) return true;
        for (const Args& args : commands) {
            std::vector<const char*> argv;
            std::vector<std::size_t> lengths;
            for (const std::string& a : args) {
                argv.push_back(a.data());
                lengths.push_back(a.size());
            }
            if (redisAppendCommandArgv(context_, static_cast<int>(argv.size()), argv.data(), lengths.data()) !=
                REDIS_OK) {
                return fail();
            }
        }
        ++roundTrips;
        for (std::size_t i = 0; i < commands.size(); ++i) {
            void* raw = nullptr;
            if (redisGetReply(context_, &raw) != REDIS_OK || raw == nullptr) return fail();
            replies.push_back(replyOf(static_cast<redisReply*>(raw)));
            freeReplyObject(raw);
        }
        return true;
    }
    std::optional<Reply> one(Args args) {
        std::vector<Reply> replies;
        if (!exchange({std::move(args)}, replies)) return std::nullopt;
        return std::move(replies.front());
    }

    std::uint64_t roundTrips = 0;

private:
    bool fail() {
        error_ = context_ != nullptr && context_->err != 0 ? context_->errstr : "connection lost";
        close();
        return false;
    }

    redisContext* context_ = nullptr;
    std::string error_;
};

bool isError(const Reply& r, std::string_view prefix = {}) {
    return r.kind == Reply::Kind::Error && r.text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

SharedQueue::SharedQueue(std::shared_ptr<WorkQueue> ui) : ui_(std::move(ui)) {}

SharedQueue::~SharedQueue() { stop(); }

void SharedQueue::start(const SharedQueueSettings& settings, Notify onChange) {
    stop();
    settings_ = settings;
    member_ = settings.member.empty() ? computerName() : settings.member;
    onChange_ = std::move(onChange);
    // The same program on the same computer is the same owner: restarted
    // after a crash it takes its name back at once instead of waiting for
    // the roll-call hash of its previous run to expire.
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    token_ = utf8Of(computerName()) + "|" + utf8Of(narrow(std::wstring_view(path, length)));
    {
        std::lock_guard<std::mutex> lock(mutex_);
        book_ = LeaseBook(LeaseSettings{static_cast<std::int64_t>(clampLeaseSeconds(settings.leaseSeconds)) * 1000,
                                        static_cast<std::uint32_t>(clampMaxDeliveries(settings.maxDeliveries))});
        snapshot_ = ClusterSnapshot{};
        snapshot_.connection = QueueConnection::Connecting;
        stopping_ = false;
        drained_ = false;
    }
    worker_ = std::thread([this] { run(); });
}

void SharedQueue::stop() {
    if (!worker_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    work_.notify_all();
    filled_.notify_all();
    worker_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    snapshot_.connection = QueueConnection::Off;
}

void SharedQueue::setState(QueueConnection state, std::string reason) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (snapshot_.connection == state && snapshot_.reason == reason) return;
        snapshot_.connection = state;
        snapshot_.reason = std::move(reason);
    }
    if (onChange_) {
        Notify told = onChange_;
        if (!ui_->post([told] { told(); })) trace(L"vuv: shared queue: the state change could not be handed over");
    }
}

std::optional<QueueEntry> SharedQueue::take(const BookmarkHolder& copy, std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    std::optional<QueueEntry> entry = book_.take(copy);
    // No wait when the last read found the stream drained: an empty queue
    // must not hold up the interface thread at every request.
    if (!entry && wait.count() > 0 && snapshot_.connection == QueueConnection::Connected && !drained_) {
        work_.notify_all();
        filled_.wait_for(lock, wait, [&] { return book_.buffered() > 0 || stopping_; });
        // The copy holds nothing now: this take acknowledges nothing more.
        entry = book_.take(copy);
    }
    if (!entry) ++snapshot_.usedUp;
    lock.unlock();
    work_.notify_all();  // the buffer shrank, or acknowledgements wait
    return entry;
}

std::optional<std::string> SharedQueue::copyEnded(const BookmarkHolder& copy) {
    std::lock_guard<std::mutex> lock(mutex_);
    return book_.copyEnded(copy);
}

std::optional<std::string> SharedQueue::heldBy(const BookmarkHolder& copy) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return book_.heldBy(copy);
}

std::vector<BookmarkHolder> SharedQueue::holders() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return book_.holders();
}

void SharedQueue::add(std::vector<std::string> urls) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (std::string& url : urls) adds_.push_back(std::move(url));
    }
    work_.notify_all();
}

void SharedQueue::record(std::string_view kind, std::uint32_t processId, std::string text) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (snapshot_.connection == QueueConnection::Refused) return;
        // Bounded while the server is away: the oldest records give way.
        if (records_.size() >= 100000) records_.pop_front();
        records_.push_back(Record{std::string(kind), processId, std::move(text), localTimeText()});
    }
    work_.notify_all();
}

void SharedQueue::setCopies(std::size_t listed, CopyCounts counts) {
    std::lock_guard<std::mutex> lock(mutex_);
    listedCopies_ = listed;
    copies_ = counts;
}

void SharedQueue::noteInterfaceTick(std::uint64_t micros) {
    std::lock_guard<std::mutex> lock(mutex_);
    snapshot_.tickMicros = micros;
    snapshot_.longestTickMicros = std::max(snapshot_.longestTickMicros, micros);
}

ClusterSnapshot SharedQueue::snapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    ClusterSnapshot out = snapshot_;
    out.buffered = book_.buffered();
    out.held = book_.held();
    out.acknowledged = book_.acknowledged();
    out.returned = book_.returned();
    out.deadLettered = book_.deadLettered();
    return out;
}

void SharedQueue::run() {
    const std::optional<ServerAddress> address = parseServerAddress(settings_.server);
    const std::string queue = settings_.queue;
    const std::string group = settings_.group;
    const std::string member = utf8Of(member_);
    const std::string deadKey = queue + ":dead";
    const std::string panelKey = std::string(kPanelsKeyPrefix) + member;
    const std::string leaseMs = std::to_string(static_cast<long long>(clampLeaseSeconds(settings_.leaseSeconds)) * 1000);
    Connection conn;
    int failures = 0;
    bool ownPendingRead = false;
    std::string cursor = "0-0";
    std::int64_t lastClaimScan = 0, lastRollCall = 0, lastFigures = 0;

    auto stopping = [&] {
        std::lock_guard<std::mutex> lock(mutex_);
        return stopping_;
    };
    auto pause = [&](std::chrono::milliseconds ms) {
        std::unique_lock<std::mutex> lock(mutex_);
        work_.wait_for(lock, ms, [&] { return stopping_; });
    };
    // Entries read from history carry the server's delivery count.
    auto fillDeliveries = [&](std::vector<QueueEntry>& entries) {
        if (entries.empty()) return true;
        std::vector<Args> commands;
        for (const QueueEntry& e : entries) commands.push_back({"XPENDING", queue, group, e.id, e.id, "1"});
        std::vector<Reply> replies;
        if (!conn.exchange(commands, replies)) return false;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const std::vector<PendingEntry> p = readPending(replies[i]);
            if (!p.empty()) entries[i].deliveries = static_cast<std::uint32_t>(std::clamp<long long>(p[0].deliveries, 1, 1 << 30));
        }
        return true;
    };

    if (!address) {
        setState(QueueConnection::Disconnected, narrow(L"服务器地址无效: ") + settings_.server);
        std::unique_lock<std::mutex> lock(mutex_);
        work_.wait(lock, [&] { return stopping_; });
        return;
    }

    while (!stopping()) {
        if (!conn.ok()) {
            std::string why;
            bool connected = conn.open(*address, why);
            std::vector<Reply> replies;
            if (connected) {
                std::vector<Args> hello;
                if (!address->password.empty()) hello.push_back({"AUTH", address->password});
                if (address->db != 0) hello.push_back({"SELECT", std::to_string(address->db)});
                hello.push_back({"XGROUP", "CREATE", queue, group, "0", "MKSTREAM"});
                hello.push_back({"HSETNX", panelKey, "owner", token_});
                hello.push_back({"HGET", panelKey, "owner"});
                connected = conn.exchange(hello, replies);
                if (!connected) why = conn.error();
                for (const Reply& r : replies) {
                    if (connected && isError(r) && !isError(r, "BUSYGROUP")) {
                        why = r.text;
                        connected = false;
                        conn.close();
                    }
                }
            }
            if (!connected) {
                setState(QueueConnection::Disconnected, narrow(L"无法连接 ") + address->host + ":" +
                                                            std::to_string(address->port) + " (" + why + ")");
                // Retries back off, to at most one every 5 s.
                const int delay = std::min(5000, 500 << std::min(failures, 4));
                ++failures;
                pause(std::chrono::milliseconds(delay));
                continue;
            }
            const Reply& owner = replies.back();
            if (!owner.isString() || owner.text != token_) {
                // Another live panel leases under this name: this one stays local.
                conn.close();
                setState(QueueConnection::Refused, narrow(L"成员名已被另一个运行中的面板使用: ") + member_);
                std::unique_lock<std::mutex> lock(mutex_);
                work_.wait(lock, [&] { return stopping_; });
                return;
            }
            failures = 0;
            ownPendingRead = false;
            cursor = "0-0";
            lastRollCall = 0;
            lastFigures = 0;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                book_.renewSoon();
            }
            setState(QueueConnection::Connected, {});
        }

        const std::int64_t now = nowMs();
        // 1. What to send, taken under the lock; removed only when sent.
        std::vector<std::string> acks, renew;
        std::vector<QueueEntry> dead;
        std::vector<std::string> adds;
        std::vector<Record> records;
        std::size_t wanted = 0;
        CopyCounts copies;
        std::uint64_t acked = 0, returned = 0;
        std::size_t held = 0;
        std::uint64_t tick = 0, longestTick = 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            acks = book_.acksToSend();
            dead = book_.deadToSend();
            renew = book_.renewalDue(now);
            wanted = book_.wanted(listedCopies_);
            for (std::size_t i = 0; i < adds_.size() && i < 500; ++i) adds.push_back(adds_[i]);
            for (std::size_t i = 0; i < records_.size() && i < 500; ++i) records.push_back(records_[i]);
            copies = copies_;
            acked = book_.acknowledged();
            returned = book_.returned();
            held = book_.held();
            tick = snapshot_.tickMicros;
            longestTick = snapshot_.longestTickMicros;
        }
        std::vector<Args> writes;
        if (!acks.empty()) {
            Args a{"XACK", queue, group};
            a.insert(a.end(), acks.begin(), acks.end());
            writes.push_back(std::move(a));
        }
        const std::string time = localTimeText();
        for (const QueueEntry& e : dead) {
            writes.push_back({"XADD", deadKey, "*", "url", e.url, "name", e.name, "id", e.id, "deliveries",
                              std::to_string(e.deliveries), "member", member, "time", time, "reason",
                              e.url.empty() ? "unusable" : "deliveries"});
            writes.push_back({"XACK", queue, group, e.id});
        }
        for (const std::string& url : adds) writes.push_back({"XADD", queue, "*", "url", utf8Of(url)});
        for (const Record& r : records) {
            writes.push_back({"XADD", std::string(kRecordsKey), "MAXLEN", "~", std::to_string(kRecordsMaxLength), "*",
                              "member", member, "pid", std::to_string(r.processId), "kind", r.kind, "text",
                              utf8Of(r.text), "time", r.time});
        }
        const bool rollCall = now - lastRollCall >= 2000;
        if (rollCall) {
            writes.push_back({"HSET", panelKey, "owner", token_, "pid", std::to_string(GetCurrentProcessId()), "running",
                              std::to_string(copies.running), "unresponsive", std::to_string(copies.unresponsive),
                              "exited", std::to_string(copies.exited), "held", std::to_string(held), "acked",
                              std::to_string(acked), "returned", std::to_string(returned), "roundtrips",
                              std::to_string(conn.roundTrips), "tick_us", std::to_string(tick), "longest_tick_us",
                              std::to_string(longestTick), "time", time});
            writes.push_back({"EXPIRE", panelKey, "10"});
        }
        // New entries are read in the same round trip when nothing else
        // must be read first (own pending entries, or a scan for entries
        // idle past the lease, at most every 2 s).
        const bool claimScanDue = wanted > 0 && (cursor != "0-0" || now - lastClaimScan >= 2000);
        const bool readWithWrites = wanted > 0 && ownPendingRead && !claimScanDue;
        if (readWithWrites) {
            writes.push_back({"XREADGROUP", "GROUP", group, member, "COUNT", std::to_string(wanted), "BLOCK", "100",
                              "STREAMS", queue, ">"});
        }
        std::vector<Reply> replies;
        if (!conn.exchange(writes, replies)) {
            setState(QueueConnection::Disconnected, narrow(L"连接中断 (") + conn.error() + ")");
            continue;
        }
        if (readWithWrites) {
            if (isError(replies.back(), "NOGROUP")) conn.one({"XGROUP", "CREATE", queue, group, "0", "MKSTREAM"});
            ReadEntries read = readStreamEntries(replies.back());
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (read.ok) drained_ = read.entries.empty();
                book_.received(std::move(read));
            }
            filled_.notify_all();
        }
        if (!writes.empty()) {
            if (rollCall) lastRollCall = now;
            std::vector<std::string> deadIds;
            for (const QueueEntry& e : dead) deadIds.push_back(e.id);
            std::lock_guard<std::mutex> lock(mutex_);
            book_.acksSent(acks);
            book_.deadSent(deadIds);
            adds_.erase(adds_.begin(), adds_.begin() + static_cast<std::ptrdiff_t>(adds.size()));
            records_.erase(records_.begin(), records_.begin() + static_cast<std::ptrdiff_t>(records.size()));
        }

        // 2. Renewals: entries still pending under this name are claimed
        //    again (which resets their idle time); those claimed meanwhile by
        //    another member are dropped from the buffer.
        if (!renew.empty()) {
            std::optional<Reply> pending = conn.one({"XPENDING", queue, group, "-", "+",
                                                     std::to_string(renew.size() + acks.size() + 1000), member});
            if (!pending) continue;
            std::unordered_set<std::string> mine;
            for (const PendingEntry& p : readPending(*pending)) mine.insert(p.id);
            std::vector<std::string> ours;
            for (const std::string& id : renew) {
                if (mine.count(id) != 0) ours.push_back(id);
            }
            if (!ours.empty()) {
                Args claim{"XCLAIM", queue, group, member, "0"};
                claim.insert(claim.end(), ours.begin(), ours.end());
                claim.push_back("JUSTID");
                if (!conn.one(std::move(claim))) continue;
            }
            std::lock_guard<std::mutex> lock(mutex_);
            book_.renewed(renew, ours, now);
        }

        // 3. Reading: own pending entries first (after a restart), then those
        //    idle past the lease from any member, then new ones.
        bool readSome = false;
        if (wanted > 0 && !ownPendingRead) {
            std::optional<Reply> mine =
                conn.one({"XREADGROUP", "GROUP", group, member, "COUNT", "10000", "STREAMS", queue, "0"});
            if (!mine) continue;
            ReadEntries read = readStreamEntries(*mine);
            if (!fillDeliveries(read.entries)) continue;
            std::lock_guard<std::mutex> lock(mutex_);
            book_.received(std::move(read));
            ownPendingRead = true;
            readSome = true;
        }
        if (claimScanDue) {
            std::optional<Reply> claimed = conn.one(
                {"XAUTOCLAIM", queue, group, member, leaseMs, cursor, "COUNT", std::to_string(wanted)});
            if (!claimed) continue;
            AutoClaimed got = readAutoClaim(*claimed);
            lastClaimScan = now;
            cursor = got.read.ok ? got.cursor : "0-0";
            if (!fillDeliveries(got.read.entries)) continue;
            readSome = readSome || !got.read.entries.empty();
            std::lock_guard<std::mutex> lock(mutex_);
            if (!got.read.entries.empty()) drained_ = false;
            book_.received(std::move(got.read));
            wanted = book_.wanted(listedCopies_);
        }
        if (readSome) filled_.notify_all();
        if (wanted > 0 && !readWithWrites) {
            std::optional<Reply> fresh = conn.one({"XREADGROUP", "GROUP", group, member, "COUNT",
                                                   std::to_string(wanted), "BLOCK", "100", "STREAMS", queue, ">"});
            if (!fresh) continue;
            if (isError(*fresh, "NOGROUP")) {
                // The stream or the group was deleted: made again.
                conn.one({"XGROUP", "CREATE", queue, group, "0", "MKSTREAM"});
            }
            ReadEntries read = readStreamEntries(*fresh);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (read.ok) drained_ = read.entries.empty();
                book_.received(std::move(read));
            }
            filled_.notify_all();
        }

        // 4. The group's figures, every 2 s.
        if (now - lastFigures >= 2000) {
            lastFigures = now;
            std::vector<Reply> figures;
            if (!conn.exchange({{"XLEN", queue}, {"XINFO", "GROUPS", queue}, {"XLEN", deadKey}}, figures)) continue;
            QueueFigures q;
            if (figures[0].kind == Reply::Kind::Integer) q.length = figures[0].integer;
            readGroupFigures(figures[1], group, q);
            if (figures[2].kind == Reply::Kind::Integer) q.dead = figures[2].integer;
            std::vector<std::string> keys;
            std::string scan = "0";
            for (int i = 0; i < 50; ++i) {
                std::optional<Reply> page = conn.one({"SCAN", scan, "MATCH", std::string(kPanelsKeyPrefix) + "*", "COUNT", "1000"});
                if (!page || page->kind != Reply::Kind::Array || page->elements.size() != 2 || !page->elements[0].isString()) break;
                if (page->elements[1].kind == Reply::Kind::Array) {
                    for (const Reply& k : page->elements[1].elements) {
                        if (k.isString() && k.text.size() > kPanelsKeyPrefix.size()) keys.push_back(k.text);
                    }
                }
                scan = page->elements[0].text;
                if (scan == "0") break;
            }
            if (!conn.ok()) continue;
            std::sort(keys.begin(), keys.end());
            keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
            std::vector<Args> reads;
            for (const std::string& k : keys) reads.push_back({"HGETALL", k});
            std::vector<Reply> hashes;
            if (!conn.exchange(reads, hashes)) continue;
            std::vector<PanelFigures> panels;
            for (std::size_t i = 0; i < keys.size(); ++i) {
                if (hashes[i].kind != Reply::Kind::Array || hashes[i].elements.empty()) continue;  // expired meanwhile
                panels.push_back(readPanelFigures(utf8ToGbk(keys[i].substr(kPanelsKeyPrefix.size())), hashes[i]));
            }
            std::lock_guard<std::mutex> lock(mutex_);
            snapshot_.queue = q;
            snapshot_.panels = std::move(panels);
            snapshot_.roundTrips = conn.roundTrips;
        }

        // 5. Nothing to read: wait for work (a hand-out, an addition, a record).
        if (wanted == 0) {
            std::unique_lock<std::mutex> lock(mutex_);
            work_.wait_for(lock, std::chrono::milliseconds(100), [&] {
                return stopping_ || !adds_.empty() || !records_.empty() || !book_.acksToSend().empty() ||
                       book_.wanted(listedCopies_) > 0;
            });
            // Woken by a hand-out while entries remain: the copy's request is
            // still being answered, and the round trip to the server would
            // compete with it for the system (under Wine every socket call
            // and every message between processes goes through one server
            // process). A few milliseconds later nobody is waiting on it.
            if (!stopping_ && book_.buffered() > 0) {
                work_.wait_for(lock, std::chrono::milliseconds(5), [&] { return stopping_ || book_.buffered() == 0; });
            }
        }
    }
    // Stopped: this panel leaves the roll-call at once.
    if (conn.ok()) conn.one({"DEL", panelKey});
}

// --- SharedQueueSource ---

BookmarkSource::Handout SharedQueueSource::next(const BookmarkRequest& request) {
    Handout out;
    const std::optional<QueueEntry> entry = queue_.take(request.copy, kWait);
    if (!entry) {
        out.kind = Handout::Kind::Exhausted;
        return out;
    }
    std::string address = utf8ToGbk(entry->url);
    table_.appendRestored(address, true, request.copy.processId, request.at, request.copy.started);
    out.kind = Handout::Kind::Open;
    out.address = std::move(address);
    out.row = table_.size() - 1;
    rowOf_[entry->id] = out.row;
    return out;
}

std::vector<std::size_t> SharedQueueSource::ended(const Ended& gone) {
    std::vector<std::size_t> rows;
    for (const BookmarkHolder& holder : queue_.holders()) {
        if (!gone(holder)) continue;
        const std::optional<std::string> id = queue_.copyEnded(holder);
        if (!id) continue;
        const auto it = rowOf_.find(*id);
        if (it != rowOf_.end() && it->second < table_.size()) rows.push_back(it->second);
    }
    std::sort(rows.begin(), rows.end());
    table_.returnRows(rows);
    return rows;
}

std::size_t SharedQueueSource::giveBack(const std::vector<std::size_t>& rows) {
    const std::unordered_set<std::size_t> chosen(rows.begin(), rows.end());
    std::unordered_set<std::string> ids;
    for (const auto& [id, row] : rowOf_) {
        if (chosen.count(row) != 0) ids.insert(id);
    }
    // A row given back while its copy holds the entry: the entry goes back
    // to the buffer, to the next copy that asks.
    std::size_t changed = 0;
    for (const BookmarkHolder& holder : queue_.holders()) {
        const std::optional<std::string> held = queue_.heldBy(holder);
        if (held && ids.count(*held) != 0 && queue_.copyEnded(holder)) ++changed;
    }
    table_.returnRows(rows);
    return changed;
}

bool SharedQueueSource::add(std::vector<std::string>& addresses) {
    queue_.add(std::move(addresses));
    addresses.clear();
    return true;
}

}  // namespace vuv::win
