#include "link/transfer_quarantine.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using vuv::TransferQuarantine;

// However long a process lives, its buffers stay; they go when it ends, and
// only its own.
TEST(TransferQuarantine, HoldsBuffersUntilTheirProcessEnds) {
    TransferQuarantine q;
    q.hold(0x1000, 7);
    q.hold(0x2000, 8);
    q.hold(0x3000, 7);
    std::set<std::uint32_t> ended;
    int asked = 0;
    const auto endedNow = [&](std::uint32_t pid) {
        ++asked;
        return ended.count(pid) != 0;
    };
    for (int tick = 0; tick < 1000; ++tick) EXPECT_TRUE(q.releaseEnded(endedNow).empty());
    EXPECT_EQ(asked, 2000) << "each holding process is asked once per release";
    ended.insert(7);
    EXPECT_EQ(q.releaseEnded(endedNow), (std::vector<std::uintptr_t>{0x1000, 0x3000}));
    EXPECT_EQ(q.size(), 1u);
    EXPECT_EQ(q.heldFor(8), 1u);
}

// A process that keeps not answering stops getting transfers at its own
// limit; once the whole quarantine is full, no holding process gets any, but
// a process that holds nothing still does.
TEST(TransferQuarantine, BoundsWhatSilentProcessesCanPileUp) {
    TransferQuarantine q;
    for (std::size_t i = 0; i < TransferQuarantine::kMostPerProcess; ++i) {
        ASSERT_TRUE(q.admits(1));
        q.hold(i, 1);
    }
    EXPECT_FALSE(q.admits(1));
    EXPECT_TRUE(q.admits(2));
    std::uint32_t pid = 100;
    while (q.size() < TransferQuarantine::kMostInAll) q.hold(q.size(), pid++);
    EXPECT_FALSE(q.admits(100));
    EXPECT_TRUE(q.admits(99999));
    const std::size_t freed = q.releaseEnded([](std::uint32_t p) { return p >= 100; }).size();
    EXPECT_EQ(freed, TransferQuarantine::kMostInAll - TransferQuarantine::kMostPerProcess);
    EXPECT_FALSE(q.admits(1));
}

}  // namespace
