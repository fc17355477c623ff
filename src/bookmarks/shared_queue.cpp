#include "bookmarks/shared_queue.h"

#include <algorithm>
#include <charconv>

namespace vuv {

namespace {

bool allDigits(std::string_view s) noexcept {
    return !s.empty() && s.size() <= 20 && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// [id, [field, value, ...]] or [id, nil] (an entry deleted since it was read).
// Returns false when the shape is not that of an entry.
bool readEntry(const Reply& reply, ReadEntries& out) {
    if (reply.kind != Reply::Kind::Array || reply.elements.size() != 2) return false;
    const Reply& id = reply.elements[0];
    if (!id.isString() || !isStreamId(id.text)) return false;
    const Reply& fields = reply.elements[1];
    if (fields.kind == Reply::Kind::Nil) {
        out.deleted.push_back(id.text);
        return true;
    }
    if (fields.kind != Reply::Kind::Array) return false;
    QueueEntry entry;
    entry.id = id.text;
    bool hasUrl = false;
    for (std::size_t i = 0; i + 1 < fields.elements.size(); i += 2) {
        const Reply& key = fields.elements[i];
        const Reply& value = fields.elements[i + 1];
        if (!key.isString() || !value.isString()) continue;
        if (key.text == "url" && !hasUrl) {
            entry.url = value.text;
            hasUrl = true;
        } else if (key.text == "name" && entry.name.empty()) {
            entry.name = value.text;
        }
    }
    const bool usable = hasUrl && !entry.url.empty() && entry.url.size() <= kMaxQueueUrl &&
                        entry.url.find_first_of(std::string_view("\0\r\n", 3)) == std::string::npos;
    if (usable) {
        if (entry.name.size() > kMaxQueueUrl) entry.name.resize(kMaxQueueUrl);
        out.entries.push_back(std::move(entry));
    } else {
        if (entry.url.size() > kMaxQueueUrl) entry.url.resize(kMaxQueueUrl);
        if (entry.name.size() > kMaxQueueUrl) entry.name.resize(kMaxQueueUrl);
        out.unusable.push_back(std::move(entry));
    }
    return true;
}

// A list of entries; malformed ones are skipped (they cannot be named).
void readEntryList(const Reply& list, ReadEntries& out) {
    if (list.kind != Reply::Kind::Array) return;
    for (const Reply& item : list.elements) readEntry(item, out);
}

long long numberOf(const Reply& reply) {
    if (reply.kind == Reply::Kind::Integer) return reply.integer;
    if (reply.isString()) {
        long long value = 0;
        const char* first = reply.text.data();
        const char* last = first + reply.text.size();
        const auto [end, error] = std::from_chars(first, last, value);
        if (error == std::errc() && end == last) return value;
    }
    return -1;
}

}  // namespace

bool isStreamId(std::string_view id) noexcept {
    const std::size_t dash = id.find('-');
    if (dash == std::string_view::npos) return false;
    return allDigits(id.substr(0, dash)) && allDigits(id.substr(dash + 1));
}

ReadEntries readStreamEntries(const Reply& reply) {
    ReadEntries out;
    if (reply.kind == Reply::Kind::Nil) {
        out.ok = true;
        return out;
    }
    if (reply.kind != Reply::Kind::Array) return out;
    out.ok = true;
    for (const Reply& stream : reply.elements) {
        if (stream.kind != Reply::Kind::Array || stream.elements.size() != 2) continue;
        readEntryList(stream.elements[1], out);
    }
    return out;
}

AutoClaimed readAutoClaim(const Reply& reply) {
    AutoClaimed out;
    if (reply.kind != Reply::Kind::Array || reply.elements.size() < 2) return out;
    const Reply& cursor = reply.elements[0];
    if (!cursor.isString() || !isStreamId(cursor.text)) return out;
    out.cursor = cursor.text;
    out.read.ok = true;
    readEntryList(reply.elements[1], out.read);
    if (reply.elements.size() >= 3 && reply.elements[2].kind == Reply::Kind::Array) {
        for (const Reply& id : reply.elements[2].elements) {
            if (id.isString() && isStreamId(id.text)) out.read.deleted.push_back(id.text);
        }
    }
    return out;
}

std::vector<std::string> readIds(const Reply& reply) {
    std::vector<std::string> ids;
    if (reply.kind != Reply::Kind::Array) return ids;
    for (const Reply& id : reply.elements) {
        if (id.isString() && isStreamId(id.text)) ids.push_back(id.text);
    }
    return ids;
}

std::vector<PendingEntry> readPending(const Reply& reply) {
    std::vector<PendingEntry> out;
    if (reply.kind != Reply::Kind::Array) return out;
    for (const Reply& row : reply.elements) {
        if (row.kind != Reply::Kind::Array || row.elements.size() != 4) continue;
        const Reply& id = row.elements[0];
        const Reply& consumer = row.elements[1];
        if (!id.isString() || !isStreamId(id.text) || !consumer.isString()) continue;
        const long long idle = numberOf(row.elements[2]);
        const long long deliveries = numberOf(row.elements[3]);
        if (idle < 0 || deliveries < 0) continue;
        out.push_back(PendingEntry{id.text, consumer.text, idle, deliveries});
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> readFieldList(const Reply& reply) {
    std::vector<std::pair<std::string, std::string>> out;
    if (reply.kind != Reply::Kind::Array) return out;
    for (std::size_t i = 0; i + 1 < reply.elements.size(); i += 2) {
        const Reply& key = reply.elements[i];
        const Reply& value = reply.elements[i + 1];
        if (!key.isString()) continue;
        if (value.isString()) {
            out.emplace_back(key.text, value.text);
        } else if (value.kind == Reply::Kind::Integer) {
            out.emplace_back(key.text, std::to_string(value.integer));
        }
    }
    return out;
}

void readGroupFigures(const Reply& reply, std::string_view group, QueueFigures& figures) {
    if (reply.kind != Reply::Kind::Array) return;
    for (const Reply& item : reply.elements) {
        if (item.kind != Reply::Kind::Array) continue;
        // The fields as replies, so numbers stay numbers.
        const Reply* name = nullptr;
        const Reply* pending = nullptr;
        const Reply* lag = nullptr;
        for (std::size_t i = 0; i + 1 < item.elements.size(); i += 2) {
            const Reply& key = item.elements[i];
            if (!key.isString()) continue;
            if (key.text == "name") name = &item.elements[i + 1];
            if (key.text == "pending") pending = &item.elements[i + 1];
            if (key.text == "lag") lag = &item.elements[i + 1];
        }
        if (name == nullptr || !name->isString() || name->text != group) continue;
        if (pending != nullptr) figures.pending = numberOf(*pending);
        // A nil lag: the server cannot tell (entries were deleted).
        if (lag != nullptr) figures.undelivered = numberOf(*lag);
        return;
    }
}

PanelFigures readPanelFigures(std::string member, const Reply& hash) {
    PanelFigures out;
    out.member = std::move(member);
    for (const auto& [key, value] : readFieldList(hash)) {
        const long long n = numberOf(Reply::string(value));
        if (key == "time") out.time = value.substr(0, 64);
        if (n < 0) continue;
        if (key == "running") out.running = n;
        if (key == "unresponsive") out.unresponsive = n;
        if (key == "exited") out.exited = n;
        if (key == "held") out.held = n;
        if (key == "acked") out.acked = n;
        if (key == "returned") out.returned = n;
    }
    return out;
}

std::optional<ServerAddress> parseServerAddress(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    constexpr std::string_view scheme = "redis://";
    if (text.size() >= scheme.size() && std::equal(scheme.begin(), scheme.end(), text.begin(), [](char a, char b) {
            return a == (b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : b);
        })) {
        text.remove_prefix(scheme.size());
    }
    ServerAddress out;
    const std::size_t at = text.rfind('@');
    if (at != std::string_view::npos) {
        std::string_view user = text.substr(0, at);
        const std::size_t colon = user.find(':');
        // ":password" or "user:password"; a lone word is the password.
        out.password = std::string(colon == std::string_view::npos ? user : user.substr(colon + 1));
        text.remove_prefix(at + 1);
    }
    const std::size_t slash = text.find('/');
    if (slash != std::string_view::npos) {
        std::string_view db = text.substr(slash + 1);
        text = text.substr(0, slash);
        if (!db.empty()) {
            if (!allDigits(db) || db.size() > 5) return std::nullopt;
            out.db = std::stoi(std::string(db));
        }
    }
    const std::size_t colon = text.rfind(':');
    if (colon != std::string_view::npos) {
        std::string_view port = text.substr(colon + 1);
        if (!allDigits(port) || port.size() > 5) return std::nullopt;
        out.port = std::stoi(std::string(port));
        if (out.port < 1 || out.port > 65535) return std::nullopt;
        text = text.substr(0, colon);
    }
    if (text.empty() || text.find_first_of(" /@:") != std::string_view::npos) return std::nullopt;
    out.host = std::string(text);
    return out;
}

int clampLeaseSeconds(long long seconds) noexcept {
    return static_cast<int>(std::clamp<long long>(seconds, 1, 24 * 60 * 60));
}

int clampMaxDeliveries(long long deliveries) noexcept {
    return static_cast<int>(std::clamp<long long>(deliveries, 1, 1000));
}

// --- LeaseBook ---

std::optional<QueueEntry> LeaseBook::take(const BookmarkHolder& copy) {
    // An asker whose process is not known could never ask past its entry,
    // which would then be leased for good or acknowledged unopened: it gets
    // none.
    if (copy.processId == 0) return std::nullopt;
    {
        const auto it = held_.find(copy);
        if (it != held_.end()) {
            acks_.insert(it->second.id);
            ++acknowledged_;
            held_.erase(it);
        }
    }
    while (!buffer_.empty()) {
        QueueEntry entry = std::move(buffer_.front());
        buffer_.pop_front();
        if (entry.deliveries > settings_.maxDeliveries) {
            toDead(std::move(entry));
            continue;
        }
        held_[copy] = entry;
        return entry;
    }
    return std::nullopt;
}

std::optional<std::string> LeaseBook::copyEnded(const BookmarkHolder& copy) {
    const auto it = held_.find(copy);
    if (it == held_.end()) return std::nullopt;
    QueueEntry entry = std::move(it->second);
    held_.erase(it);
    std::string id = entry.id;
    ++entry.deliveries;
    ++returned_;
    buffer_.push_front(std::move(entry));
    return id;
}

std::vector<BookmarkHolder> LeaseBook::holders() const {
    std::vector<BookmarkHolder> out;
    out.reserve(held_.size());
    for (const auto& [holder, entry] : held_) out.push_back(holder);
    return out;
}

std::optional<std::string> LeaseBook::heldBy(const BookmarkHolder& copy) const {
    const auto it = held_.find(copy);
    if (it == held_.end()) return std::nullopt;
    return it->second.id;
}

std::size_t LeaseBook::wanted(std::size_t listedCopies) const {
    const std::size_t target = std::max<std::size_t>(2, (listedCopies + 1) / 2);
    return buffer_.size() >= target ? 0 : target - buffer_.size();
}

bool LeaseBook::known(const std::string& id) const {
    if (acks_.count(id) != 0) return true;
    for (const QueueEntry& e : buffer_) {
        if (e.id == id) return true;
    }
    for (const auto& [holder, e] : held_) {
        if (e.id == id) return true;
    }
    for (const QueueEntry& e : dead_) {
        if (e.id == id) return true;
    }
    return false;
}

void LeaseBook::received(ReadEntries read) {
    for (QueueEntry& entry : read.entries) {
        if (known(entry.id)) continue;
        if (entry.deliveries > settings_.maxDeliveries) {
            toDead(std::move(entry));
        } else {
            buffer_.push_back(std::move(entry));
        }
    }
    for (QueueEntry& entry : read.unusable) {
        if (!known(entry.id)) toDead(std::move(entry));
    }
    // Gone from the stream: nothing to hand out, only the pending mark to clear.
    for (std::string& id : read.deleted) {
        if (!known(id)) acks_.insert(std::move(id));
    }
}

void LeaseBook::toDead(QueueEntry entry) {
    ++deadLettered_;
    dead_.push_back(std::move(entry));
}

std::vector<std::string> LeaseBook::renewalDue(std::int64_t nowMs) const {
    if (lastRenewMs_ && nowMs - *lastRenewMs_ < settings_.leaseMs / 3) return {};
    std::vector<std::string> ids;
    for (const auto& [holder, e] : held_) ids.push_back(e.id);
    for (const QueueEntry& e : buffer_) ids.push_back(e.id);
    return ids;
}

std::vector<std::string> LeaseBook::renewed(const std::vector<std::string>& asked,
                                            const std::vector<std::string>& stillOurs, std::int64_t nowMs) {
    const std::unordered_set<std::string> ours(stillOurs.begin(), stillOurs.end());
    const std::unordered_set<std::string> checked(asked.begin(), asked.end());
    std::vector<std::string> dropped;
    for (auto it = buffer_.begin(); it != buffer_.end();) {
        if (checked.count(it->id) != 0 && ours.count(it->id) == 0) {
            dropped.push_back(it->id);
            it = buffer_.erase(it);
        } else {
            ++it;
        }
    }
    lastRenewMs_ = nowMs;
    return dropped;
}

void LeaseBook::acksSent(const std::vector<std::string>& ids) {
    for (const std::string& id : ids) acks_.erase(id);
}

void LeaseBook::deadSent(const std::vector<std::string>& ids) {
    const std::unordered_set<std::string> sent(ids.begin(), ids.end());
    dead_.erase(std::remove_if(dead_.begin(), dead_.end(), [&](const QueueEntry& e) { return sent.count(e.id) != 0; }),
                dead_.end());
}

}  // namespace vuv
