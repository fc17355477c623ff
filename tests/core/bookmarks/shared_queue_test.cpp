#include "bookmarks/shared_queue.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vuv {
namespace {

using R = Reply;

R entry(const std::string& id, std::vector<std::string> fields) {
    std::vector<R> f;
    for (auto& s : fields) f.push_back(R::string(std::move(s)));
    return R::array({R::string(id), R::array(std::move(f))});
}

// XREADGROUP's reply for one stream.
R streamReply(std::vector<R> entries) {
    return R::array({R::array({R::string("vuv:bookmarks"), R::array(std::move(entries))})});
}

std::vector<std::string> ids(const std::vector<QueueEntry>& entries) {
    std::vector<std::string> out;
    for (const auto& e : entries) out.push_back(e.id);
    return out;
}

std::vector<std::string> sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

ReadEntries fresh(std::initializer_list<const char*> idList) {
    ReadEntries read;
    read.ok = true;
    for (const char* id : idList) read.entries.push_back(QueueEntry{id, std::string("http://x/") + id, "", 1});
    return read;
}

const BookmarkHolder kA{101, 1}, kB{202, 2};

TEST(SharedQueueReplies, StreamReadTakesUrlAndNameAndSetsAsideTheRest) {
    const R reply = streamReply({
        entry("1-0", {"url", "http://a/", "name", "\xe4\xb8\xad"}),
        entry("2-0", {"name", "no address"}),
        entry("3-0", {"url", ""}),
        R::array({R::string("4-0"), R::nil()}),  // deleted since it was read
        entry("5-1", {"other", "x", "url", "http://b/", "url", "http://second/"}),
        entry("bad-id", {"url", "http://c/"}),
        R::string("junk"),
    });
    const ReadEntries read = readStreamEntries(reply);
    ASSERT_TRUE(read.ok);
    ASSERT_EQ(ids(read.entries), (std::vector<std::string>{"1-0", "5-1"}));
    EXPECT_EQ(read.entries[0].name, "\xe4\xb8\xad");
    EXPECT_EQ(read.entries[1].url, "http://b/");  // the first url field counts
    EXPECT_EQ(ids(read.unusable), (std::vector<std::string>{"2-0", "3-0"}));
    EXPECT_EQ(read.deleted, (std::vector<std::string>{"4-0"}));

    EXPECT_TRUE(readStreamEntries(R::nil()).ok);  // a blocking read that timed out
    EXPECT_FALSE(readStreamEntries(R::error("NOGROUP")).ok);
    EXPECT_FALSE(readStreamEntries(R::string("1-0")).ok);
}

TEST(SharedQueueReplies, AddressesWithLineBreaksOrBeyondTheLimitAreUnusable) {
    const ReadEntries read = readStreamEntries(streamReply({
        entry("1-0", {"url", "http://a/\r\nX"}),
        entry("2-0", {"url", std::string(kMaxQueueUrl + 1, 'a')}),
        entry("3-0", {"url", std::string(kMaxQueueUrl, 'a')}),
    }));
    EXPECT_EQ(ids(read.entries), (std::vector<std::string>{"3-0"}));
    ASSERT_EQ(ids(read.unusable), (std::vector<std::string>{"1-0", "2-0"}));
    EXPECT_EQ(read.unusable[1].url.size(), kMaxQueueUrl);
}

TEST(SharedQueueReplies, AutoClaimCursorEntriesAndDeletedIds) {
    const AutoClaimed claimed = readAutoClaim(R::array({
        R::string("7-0"),
        R::array({entry("3-0", {"url", "http://a/"})}),
        R::array({R::string("4-0"), R::number(5), R::string("x")}),
    }));
    ASSERT_TRUE(claimed.read.ok);
    EXPECT_EQ(claimed.cursor, "7-0");
    EXPECT_EQ(ids(claimed.read.entries), (std::vector<std::string>{"3-0"}));
    EXPECT_EQ(claimed.read.deleted, (std::vector<std::string>{"4-0"}));
    // Before 7.0 the reply had two elements.
    EXPECT_TRUE(readAutoClaim(R::array({R::string("0-0"), R::array({})})).read.ok);
    EXPECT_FALSE(readAutoClaim(R::array({R::string("zero"), R::array({})})).read.ok);
    EXPECT_FALSE(readAutoClaim(R::error("ERR")).read.ok);
}

TEST(SharedQueueReplies, PendingIdsGroupsAndPanels) {
    const std::vector<PendingEntry> pending = readPending(R::array({
        R::array({R::string("1-0"), R::string("pc1"), R::number(1500), R::number(3)}),
        R::array({R::string("2-0"), R::string("pc2"), R::number(-1), R::number(1)}),
        R::array({R::string("3-0"), R::string("pc2"), R::string("20"), R::string("2")}),
        R::array({R::string("4-0"), R::string("pc2")}),
    }));
    ASSERT_EQ(pending.size(), 2u);
    EXPECT_EQ(pending[0].consumer, "pc1");
    EXPECT_EQ(pending[0].deliveries, 3);
    EXPECT_EQ(pending[1].idleMs, 20);

    EXPECT_EQ(readIds(R::array({R::string("1-0"), R::number(2), R::string("x-1"), R::status("9-9")})),
              (std::vector<std::string>{"1-0", "9-9"}));

    QueueFigures figures;
    readGroupFigures(R::array({
                         R::array({R::string("name"), R::string("other"), R::string("pending"), R::number(9)}),
                         R::array({R::string("name"), R::string("vuv"), R::string("consumers"), R::number(2),
                                   R::string("pending"), R::number(4), R::string("lag"), R::number(11)}),
                     }),
                     "vuv", figures);
    EXPECT_EQ(figures.pending, 4);
    EXPECT_EQ(figures.undelivered, 11);
    EXPECT_EQ(figures.length, -1);

    const PanelFigures panel = readPanelFigures(
        "pc1", R::array({R::string("running"), R::string("5"), R::string("held"), R::string("3"), R::string("acked"),
                         R::string("-"), R::string("time"), R::string("12:00:01"), R::string("dangling")}));
    EXPECT_EQ(panel.member, "pc1");
    EXPECT_EQ(panel.running, 5);
    EXPECT_EQ(panel.held, 3);
    EXPECT_EQ(panel.acked, 0);
    EXPECT_EQ(panel.time, "12:00:01");
}

TEST(LeaseBook, AskingAgainAcknowledgesThePreviousEntryOnly) {
    LeaseBook book;
    book.received(fresh({"1-0", "2-0", "3-0"}));
    ASSERT_EQ(book.take(kA)->id, "1-0");
    ASSERT_EQ(book.take(kB)->id, "2-0");
    EXPECT_TRUE(book.acksToSend().empty());  // nobody asked past anything yet
    ASSERT_EQ(book.take(kA)->id, "3-0");
    EXPECT_EQ(book.acksToSend(), (std::vector<std::string>{"1-0"}));
    // With the buffer empty, asking again still finishes what the copy held.
    EXPECT_FALSE(book.take(kB).has_value());
    EXPECT_EQ(sorted(book.acksToSend()), (std::vector<std::string>{"1-0", "2-0"}));
    EXPECT_EQ(book.held(), 1u);
    EXPECT_EQ(book.acknowledged(), 2u);
    // Kept until the server confirms; confirmed ones leave.
    book.acksSent({"2-0"});
    EXPECT_EQ(book.acksToSend(), (std::vector<std::string>{"1-0"}));
}

TEST(LeaseBook, AnEndedCopysEntryGoesFirstToTheNextCopyAndDiesAfterTooManyDeliveries) {
    LeaseBook book(LeaseSettings{3000, 2});
    book.received(fresh({"1-0", "2-0"}));
    ASSERT_EQ(book.take(kA)->id, "1-0");
    EXPECT_EQ(book.copyEnded(kA), std::optional<std::string>("1-0"));
    EXPECT_FALSE(book.copyEnded(kA).has_value());
    EXPECT_TRUE(book.holders().empty());
    const std::optional<QueueEntry> again = book.take(kB);
    ASSERT_EQ(again->id, "1-0");
    EXPECT_EQ(again->deliveries, 2u);
    book.copyEnded(kB);
    // A third delivery is one too many: dead-lettered, never acknowledged
    // by a copy, and the next entry is handed out instead.
    ASSERT_EQ(book.take(kA)->id, "2-0");
    ASSERT_EQ(ids(book.deadToSend()), (std::vector<std::string>{"1-0"}));
    EXPECT_TRUE(book.acksToSend().empty());
    EXPECT_EQ(book.returned(), 2u);
    book.deadSent({"1-0"});
    EXPECT_TRUE(book.deadToSend().empty());
}

TEST(LeaseBook, ReceivingSkipsKnownEntriesAndSortsOutTheRest) {
    LeaseBook book(LeaseSettings{3000, 3});
    book.received(fresh({"1-0", "2-0"}));
    ASSERT_EQ(book.take(kA)->id, "1-0");
    ReadEntries read = fresh({"1-0", "2-0", "3-0", "4-0"});  // own pending read again after reconnecting
    read.entries[3].deliveries = 4;
    read.unusable.push_back(QueueEntry{"5-0", "", "", 1});
    read.deleted.push_back("6-0");
    book.received(std::move(read));
    EXPECT_EQ(book.buffered(), 2u);  // 2-0 and 3-0
    EXPECT_EQ(sorted(ids(book.deadToSend())), (std::vector<std::string>{"4-0", "5-0"}));
    EXPECT_EQ(book.acksToSend(), (std::vector<std::string>{"6-0"}));
    EXPECT_EQ(book.take(kB)->id, "2-0");
}

TEST(LeaseBook, BufferTargetIsHalfTheCopiesAtLeastTwo) {
    LeaseBook book;
    EXPECT_EQ(book.wanted(0), 2u);
    EXPECT_EQ(book.wanted(3), 2u);
    EXPECT_EQ(book.wanted(10), 5u);
    book.received(fresh({"1-0", "2-0", "3-0"}));
    EXPECT_EQ(book.wanted(10), 2u);
    EXPECT_EQ(book.wanted(2), 0u);
}

TEST(LeaseBook, RenewalsEveryThirdOfTheLeaseDropEntriesClaimedElsewhere) {
    LeaseBook book(LeaseSettings{3000, 5});
    book.received(fresh({"1-0", "2-0", "3-0"}));
    ASSERT_EQ(book.take(kA)->id, "1-0");
    const std::vector<std::string> asked = book.renewalDue(0);
    EXPECT_EQ(sorted(asked), (std::vector<std::string>{"1-0", "2-0", "3-0"}));
    // Another member took 2-0 and, meanwhile, the copy's held 1-0: the
    // buffered one leaves, the held one stays with its copy.
    EXPECT_EQ(book.renewed(asked, {"3-0"}, 0), (std::vector<std::string>{"2-0"}));
    EXPECT_EQ(book.buffered(), 1u);
    EXPECT_EQ(book.held(), 1u);
    EXPECT_TRUE(book.renewalDue(999).empty());
    EXPECT_FALSE(book.renewalDue(1000).empty());
    book.renewed(book.renewalDue(1000), {"1-0", "3-0"}, 1000);
    // Entries read after the renewal was decided are not judged by it.
    const std::vector<std::string> next = book.renewalDue(2000);
    book.received(fresh({"9-0"}));
    book.renewed(next, {"1-0", "3-0"}, 2000);
    EXPECT_EQ(book.buffered(), 2u);
    book.renewSoon();
    EXPECT_FALSE(book.renewalDue(2001).empty());
}

TEST(LeaseBook, AnAskerWithoutAProcessGetsNothingAndNothingIsAcknowledged) {
    LeaseBook book;
    book.received(fresh({"1-0"}));
    EXPECT_FALSE(book.take(BookmarkHolder{}).has_value());
    EXPECT_TRUE(book.acksToSend().empty());
    EXPECT_TRUE(book.holders().empty());
    EXPECT_EQ(book.buffered(), 1u);
    EXPECT_EQ(book.take(kA)->id, "1-0");
}

}  // namespace
}  // namespace vuv

namespace vuv {
namespace {

TEST(SharedQueueSettings, ServerAddressesInTheirForms) {
    const auto full = parseServerAddress("redis://:s3cret@10.0.0.5:7000/2");
    ASSERT_TRUE(full.has_value());
    EXPECT_EQ(full->host, "10.0.0.5");
    EXPECT_EQ(full->port, 7000);
    EXPECT_EQ(full->password, "s3cret");
    EXPECT_EQ(full->db, 2);
    const auto bare = parseServerAddress(" queue-host ");
    ASSERT_TRUE(bare.has_value());
    EXPECT_EQ(bare->host, "queue-host");
    EXPECT_EQ(bare->port, 6379);
    EXPECT_EQ(bare->db, 0);
    EXPECT_EQ(parseServerAddress("REDIS://user:pw@h/")->password, "pw");
    for (const char* wrong : {"", "redis://", "redis://h:0", "redis://h:65536", "redis://h:x", "redis://h/x",
                              "redis://:pw@", "redis://a b"}) {
        EXPECT_FALSE(parseServerAddress(wrong).has_value()) << wrong;
    }
    EXPECT_EQ(clampLeaseSeconds(0), 1);
    EXPECT_EQ(clampLeaseSeconds(1LL << 40), 86400);
    EXPECT_EQ(clampMaxDeliveries(-3), 1);
}

}  // namespace
}  // namespace vuv
