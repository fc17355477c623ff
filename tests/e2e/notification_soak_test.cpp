// Four stand-in browsers send link codes at once, mixed with bookmark
// requests and rule notifications; nothing may be lost or doubled and the
// panel must keep answering. The full size (5,000 link codes per browser)
// runs in the notification benchmark; this size fits the test suite.
#include "e2e/instance_fixture.h"
#include "e2e/notification_soak.h"

namespace vuv::e2e {
namespace {

class NotificationSoak : public InstanceFixture {
protected:
};

TEST_F(NotificationSoak, FourBrowsersAtOnceLoseNothingAndThePanelKeepsAnswering) {
    std::vector<StandinProcess*> senders;
    for (int i = 0; i < 4; ++i) senders.push_back(&browser());
    startPanel();
    ASSERT_TRUE(waitUntilListening(*senders.front()));

    SoakSize size;
    size.linksPerSender = 1000;
    const SoakReport report = runSoak(*panel, sandbox.directory(), senders, size);
    EXPECT_TRUE(report.problems.empty()) << report.summary();
    EXPECT_EQ(report.notifications, 4 * (1000 + 4 * 40));
    EXPECT_EQ(report.handouts, 4 * 80);
    // The panel answered between notifications, never stalling for long
    // (the benchmark reports how long; this bound no busy machine reaches).
    EXPECT_GT(report.pingsBetweenNotifications, 0);
    EXPECT_LT(report.worstPingMs, 20000.0);
    std::printf("soak: %d notifications in %.1f s, %d bookmarks handed out, worst ping %.0f ms over %d pings\n",
                report.notifications, report.seconds, report.handouts, report.worstPingMs, report.pings);
}

}  // namespace
}  // namespace vuv::e2e
