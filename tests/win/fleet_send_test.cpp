// The fleet as its callers see it: what a scan lists, and every command to
// a copy going through one send, with its outcome, the copy's figures and one
// run-log row, in the order the copies were given.
#include "e2e/harness.h"

#include "common/event_sink.h"
#include "common/texts.h"
#include "link/fleet_win.h"
#include "link/payloads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vuv::e2e {
namespace {

using win::Delivery;
using Kind = Command::Kind;

struct Row {
    std::uint32_t processId;
    std::string content;
    friend bool operator==(const Row& a, const Row& b) { return a.processId == b.processId && a.content == b.content; }
};

std::ostream& operator<<(std::ostream& out, const Row& row) { return out << row.processId << " " << row.content; }

// The run log's command rows, in order.
class CommandRows final : public EventSink {
public:
    std::vector<Row> rows;
    void record(std::uint32_t processId, std::string_view kind, std::string_view content) override {
        if (kind == text::kEventCommand) rows.push_back(Row{processId, std::string(content)});
    }
    std::vector<Row> take() { return std::exchange(rows, {}); }
};

std::string arrow(std::string_view logText, std::string_view outcome) {
    return std::string(logText) + " -> " + std::string(outcome);
}

const win::CopySummary* copyOf(const std::vector<win::CopySummary>& copies, std::uint32_t processId) {
    const auto it = std::find_if(copies.begin(), copies.end(),
                                 [&](const win::CopySummary& c) { return c.processId == processId; });
    return it == copies.end() ? nullptr : &*it;
}

RecordFilter isPost(long long message, long long wParam, long long lParam) {
    return [=](const StandinRecord& r) {
        return r.kind == "POST" && r.numbers.size() >= 3 && r.numbers[0] == message && r.numbers[1] == wParam &&
               r.numbers[2] == lParam;
    };
}

TEST(FleetSend, CommandsGoToTheGivenCopiesInOrderAndOneWithoutARecordGetsNothing) {
    Sandbox sandbox;
    ASSERT_TRUE(sandbox.ok()) << "lxbr.exe must be built beside the tests";
    StandinOptions framed;
    framed.title = "A1";
    StandinOptions tabbed;
    tabbed.frame = false;  // a copy without a frame window: no posts reach it
    StandinProcess first(sandbox, framed);
    StandinProcess second(sandbox, tabbed);
    ASSERT_TRUE(first.ready() && second.ready());
    const std::uint32_t a = first.pid();
    const std::uint32_t b = second.pid();
    const std::uint32_t unlisted = GetCurrentProcessId();  // this test has no browser windows

    CommandRows log;
    win::Fleet fleet(log);
    int scans = 0;
    std::vector<std::uint32_t> closed;
    fleet.setRowsHandler([&] { ++scans; });
    fleet.setClosedHandler([&](std::uint32_t id) { closed.push_back(id); });
    fleet.scan();
    EXPECT_EQ(scans, 1);

    // The copies as plain values, with what the fleet was told of them.
    fleet.heardFrom(a);
    fleet.heardFrom(unlisted);  // kept for no one
    const std::vector<win::CopySummary> copies = fleet.copies();
    ASSERT_NE(copyOf(copies, a), nullptr);
    ASSERT_NE(copyOf(copies, b), nullptr);
    EXPECT_EQ(copyOf(copies, unlisted), nullptr);
    EXPECT_EQ(copyOf(copies, a)->title, "A1");
    EXPECT_EQ(copyOf(copies, a)->heard, 1u);
    EXPECT_GE(copyOf(copies, a)->lastHeard, 0);
    EXPECT_EQ(copyOf(copies, b)->heard, 0u);
    EXPECT_EQ(copyOf(copies, a)->state, CopyState::Running);
    EXPECT_EQ(fleet.takeHeard(), std::vector<std::uint32_t>{a});

    // A transfer: acknowledged by both copies, nothing sent for the copy the
    // fleet has no record of; one row each, in the order given.
    const std::string flash = commandPayload(text::kCommandFlash);
    EXPECT_EQ(fleet.sendToEach({b, unlisted, a}, Command::of(Kind::Flash)),
              (std::vector<Delivery>{Delivery::Acknowledged, Delivery::NoSuchCopy, Delivery::Acknowledged}));
    EXPECT_EQ(log.take(), (std::vector<Row>{{b, arrow(flash, "\xD2\xD1\xC8\xB7\xC8\xCF")},         // 已确认
                                            {unlisted, arrow(flash, "\xCE\xDE\xB4\xCB\xF0\xD8\xD0\xD0")},  // 无此鹭行
                                            {a, arrow(flash, "\xD2\xD1\xC8\xB7\xC8\xCF")}}));
    EXPECT_TRUE(first.waitForRecord(isReceived(std::string(text::kMsgAdjust), flash)));
    EXPECT_TRUE(second.waitForRecord(isReceived(std::string(text::kMsgAdjust), flash)));

    // The proxy: both posts to the frame window, noted only where they went out.
    ProxyAddress proxy;
    proxy.a = 127;
    proxy.d = 1;
    proxy.port = 80;
    EXPECT_EQ(fleet.sendToEach({a, b}, Command::proxyOf(proxy)),
              (std::vector<Delivery>{Delivery::Posted, Delivery::Refused}));
    EXPECT_EQ(log.take(), (std::vector<Row>{{a, "10004 127.0.0.1:80 -> \xD2\xD1\xB7\xA2\xB3\xF6"},  // 已发出
                                            {b, "10004 127.0.0.1:80 -> \xB1\xBB\xBE\xDC\xBE\xF8"}}));  // 被拒绝
    ASSERT_NE(fleet.facts(a), nullptr);
    ASSERT_NE(fleet.facts(b), nullptr);
    EXPECT_EQ(fleet.facts(a)->proxy, "127.0.0.1:80");
    EXPECT_EQ(fleet.facts(b)->proxy, "");
    EXPECT_TRUE(first.waitForRecord(isPost(10004, 0, 80)));
    EXPECT_TRUE(first.waitForRecord(isPost(10004, 1270000, 10000)));

    // An answer goes to the command window named, listed or not, and writes
    // no row of its own.
    StandinProcess later(sandbox);
    ASSERT_TRUE(later.ready());
    EXPECT_EQ(fleet.answer(later.commandWindow(), win::NameVariant::Unicode, Command::of(Kind::Stop)),
              Delivery::Acknowledged);
    EXPECT_TRUE(later.waitForRecord(isReceived(std::string(text::kMsgAdjust), toolbarPayload(text::kToolbarStop))));
    EXPECT_TRUE(log.rows.empty());

    // The close: only the copy whose frame window got it counts as closed by
    // the panel; the one without a frame window keeps running.
    EXPECT_EQ(fleet.sendToEach({b, a}, Command::of(Kind::Close)),
              (std::vector<Delivery>{Delivery::Refused, Delivery::Posted}));
    EXPECT_EQ(log.take(), (std::vector<Row>{{b, "WM_CLOSE -> \xB1\xBB\xBE\xDC\xBE\xF8"},
                                            {a, "WM_CLOSE -> \xD2\xD1\xB7\xA2\xB3\xF6"}}));
    EXPECT_EQ(closed, std::vector<std::uint32_t>{a});
    EXPECT_TRUE(fleet.facts(a)->closedByPanel);
    EXPECT_FALSE(fleet.facts(b)->closedByPanel);
    EXPECT_TRUE(first.waitForRecord(isKind("CLOSE")));
    EXPECT_TRUE(second.running());
}

}  // namespace
}  // namespace vuv::e2e
