// Builds reply trees of any shape from the input, runs every reply reader
// of the shared queue on them and drives a lease book with what they read,
// checking that the readers only ever produce well-formed ids and that the
// book acknowledges nothing that no copy asked past (or that the server
// reported deleted, or that went to the dead letters).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "bookmarks/shared_queue.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    std::uint8_t byte() { return at < size ? data[at++] : 0; }
    bool done() const { return at >= size; }
};

// Texts lean towards the words the readers look for, so the fuzzer reaches
// the branches behind them quickly.
std::string textOf(Input& in) {
    static const char* const words[] = {"url", "name", "pending", "lag", "g", "0-0", "1-1", "17-3", "http://a/", "running"};
    const std::uint8_t b = in.byte();
    if (b < 160) return words[b % 10];
    std::string s;
    const std::size_t n = b % 12;
    for (std::size_t i = 0; i < n; ++i) s.push_back(static_cast<char>(in.byte()));
    return s;
}

vuv::Reply replyOf(Input& in, int depth) {
    const std::uint8_t b = in.byte();
    switch (b % 6) {
        case 0: return vuv::Reply::nil();
        case 1: return vuv::Reply::number(static_cast<std::int8_t>(in.byte()));
        case 2: return vuv::Reply::string(textOf(in));
        case 3: return vuv::Reply::status(textOf(in));
        case 4: return vuv::Reply::error(textOf(in));
        default: {
            std::vector<vuv::Reply> elements;
            const std::size_t n = depth > 5 ? 0 : in.byte() % 6;
            for (std::size_t i = 0; i < n && !in.done(); ++i) elements.push_back(replyOf(in, depth + 1));
            return vuv::Reply::array(std::move(elements));
        }
    }
}

void checkEntries(const vuv::ReadEntries& read) {
    for (const vuv::QueueEntry& e : read.entries) {
        check(vuv::isStreamId(e.id) && !e.url.empty() && e.url.size() <= vuv::kMaxQueueUrl);
    }
    for (const vuv::QueueEntry& e : read.unusable) check(vuv::isStreamId(e.id));
    for (const std::string& id : read.deleted) check(vuv::isStreamId(id));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in{data, size};
    vuv::LeaseBook book(vuv::LeaseSettings{3000, static_cast<std::uint32_t>(1 + in.byte() % 4)});
    std::set<std::string> mayAck;  // handed out, deleted or dead-lettered
    std::int64_t now = 0;
    while (!in.done()) {
        const std::uint8_t op = in.byte();
        const vuv::BookmarkHolder copy{static_cast<std::uint32_t>(in.byte() % 4), 1};
        switch (op % 8) {
            case 0: {
                vuv::ReadEntries read = vuv::readStreamEntries(replyOf(in, 0));
                checkEntries(read);
                for (const auto& id : read.deleted) mayAck.insert(id);
                for (const auto& e : read.unusable) mayAck.insert(e.id);
                book.received(std::move(read));
                break;
            }
            case 1: {
                vuv::AutoClaimed claimed = vuv::readAutoClaim(replyOf(in, 0));
                check(vuv::isStreamId(claimed.cursor));
                checkEntries(claimed.read);
                for (auto& e : claimed.read.entries) e.deliveries = in.byte() % 8;
                for (const auto& id : claimed.read.deleted) mayAck.insert(id);
                for (const auto& e : claimed.read.unusable) mayAck.insert(e.id);
                book.received(std::move(claimed.read));
                break;
            }
            case 2: {
                const std::optional<std::string> before = book.heldBy(copy);
                if (before && copy.processId != 0) mayAck.insert(*before);
                const std::optional<vuv::QueueEntry> got = book.take(copy);
                if (got) check(copy.processId != 0 && !got->url.empty() && got->deliveries <= book.settings().maxDeliveries);
                break;
            }
            case 3: book.copyEnded(copy); break;
            case 4: {
                const std::vector<std::string> asked = book.renewalDue(now);
                const std::vector<std::string> ours = vuv::readIds(replyOf(in, 0));
                for (const auto& id : ours) check(vuv::isStreamId(id));
                if (!asked.empty()) book.renewed(asked, ours, now);
                break;
            }
            case 5:
                for (const auto& p : vuv::readPending(replyOf(in, 0))) check(vuv::isStreamId(p.id) && p.deliveries >= 0);
                break;
            case 6: {
                vuv::QueueFigures figures;
                vuv::readGroupFigures(replyOf(in, 0), "g", figures);
                (void)vuv::readPanelFigures("m", replyOf(in, 0));
                const std::optional<vuv::ServerAddress> address = vuv::parseServerAddress(textOf(in) + textOf(in));
                if (address) check(!address->host.empty() && address->port >= 1 && address->port <= 65535 && address->db >= 0);
                break;
            }
            default:
                now += in.byte() * 100;
                for (const auto& e : book.deadToSend()) mayAck.insert(e.id);
                book.deadSent({});
                break;
        }
        for (const auto& e : book.deadToSend()) mayAck.insert(e.id);
        for (const std::string& id : book.acksToSend()) check(mayAck.count(id) != 0);
        check(book.wanted(in.byte()) <= 128);
    }
    return 0;
}
