// The buffer of a transfer whose receiver did not answer in time is kept
// while the receiver's process lives (it may still read it when it wakes)
// and given back once that process has ended.
#include "e2e/harness.h"

#include "common/texts.h"
#include "link/channel_win.h"

#include <gtest/gtest.h>

namespace vuv::e2e {
namespace {

TEST(HeldTransfers, ABufferIsKeptWhileItsHungReceiverLivesAndGivenBackOnceItHasEnded) {
    Sandbox sandbox;
    ASSERT_TRUE(sandbox.ok()) << "lxbr.exe must be built beside the tests";
    StandinOptions hung;
    hung.hangMs = 60000;  // longer than the test: it is killed
    StandinProcess standin(sandbox, hung);
    StandinProcess other(sandbox);
    ASSERT_TRUE(standin.ready() && other.ready());
    const std::size_t before = win::heldBackTransfers();

    EXPECT_EQ(win::deliver(standin.commandWindow(), text::kMsgAdjust, "vuv|||x"), win::Delivery::TimedOut);
    EXPECT_EQ(win::heldBackTransfers(), before + 1) << "kept while the receiver lives";
    // A transfer to another browser that answers keeps nothing, and does not
    // give back the hung one's buffer.
    EXPECT_EQ(win::deliver(other.commandWindow(), text::kMsgAdjust, "vuv|||y"), win::Delivery::Acknowledged);
    EXPECT_EQ(win::heldBackTransfers(), before + 1);

    Process::open(standin.pid()).kill();
    ASSERT_TRUE(standin.waitForExit());
    EXPECT_TRUE(waitUntil([&] { return win::heldBackTransfers() == before; }))
        << win::heldBackTransfers() << " still held";
}

}  // namespace
}  // namespace vuv::e2e
