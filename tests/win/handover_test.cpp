// Work handed from a worker thread to this test's thread, which plays the
// interface thread: it runs the tasks only while some message loop runs on
// it, whichever loop that is.
#include "common/handover_win.h"

#include "common/message_loop_win.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace vuv::win {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A manual-reset event, closed with the test.
struct Event {
    HANDLE handle = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ~Event() { CloseHandle(handle); }
};

// A thread joined however the test ends; what it runs has limits of its own.
struct Worker {
    template <class F>
    explicit Worker(F f) : thread(std::move(f)) {}
    ~Worker() { join(); }
    void join() {
        if (thread.joinable()) thread.join();
    }
    std::thread thread;
};

// Waits without processing messages, as an interface thread busy elsewhere.
bool waitUnpumped(const std::function<bool()>& done) {
    const auto deadline = Clock::now() + 10s;
    while (!done()) {
        if (Clock::now() > deadline) return false;
        Sleep(5);
    }
    return true;
}

TEST(Handover, ACallRunsOnTheInterfaceThreadDuringAPause) {
    Handover handover;
    ASSERT_TRUE(handover.ready());
    const auto queue = handover.queue();
    const DWORD interfaceThread = GetCurrentThreadId();
    bool pausing = false;
    bool ranDuringPause = false;
    CallResult<DWORD> result;
    Worker worker([&] {
        result = queue->call(
            [&] {
                ranDuringPause = pausing;
                return GetCurrentThreadId();
            },
            5000ms, 5000ms);
    });
    ASSERT_TRUE(waitUnpumped([&] { return queue->size() == 1; }));
    pausing = true;
    pumpingPause(200);
    pausing = false;
    worker.join();
    EXPECT_EQ(result.outcome, CallOutcome::Done);
    EXPECT_EQ(result.value, interfaceThread);
    EXPECT_TRUE(ranDuringPause);
}

TEST(Handover, ACallArrivingDuringAMessageBoxIsCarriedOutInsideIt) {
    Handover handover;
    const auto queue = handover.queue();
    const DWORD interfaceThread = GetCurrentThreadId();
    const std::wstring caption = L"vuv hand-over " + std::to_wstring(GetCurrentProcessId());
    bool boxOpen = false;
    bool ranInBox = false;
    CallResult<DWORD> result;
    Worker worker([&] {
        HWND box = nullptr;
        const auto deadline = Clock::now() + 10s;
        while ((box = FindWindowW(L"#32770", caption.c_str())) == nullptr && Clock::now() < deadline) Sleep(10);
        result = queue->call(
            [&] {
                ranInBox = boxOpen;
                PostMessageW(box, WM_COMMAND, IDOK, 0);  // the box ends once the call is done
                return GetCurrentThreadId();
            },
            5000ms, 5000ms);
        // Whatever happened, the box must not outlive the test.
        if (result.outcome != CallOutcome::Done && box != nullptr) PostMessageW(box, WM_CLOSE, 0, 0);
    });
    boxOpen = true;
    MessageBoxW(nullptr, L"A worker's call is carried out while this box is open.", caption.c_str(), MB_OK);
    boxOpen = false;
    worker.join();
    EXPECT_EQ(result.outcome, CallOutcome::Done);
    EXPECT_EQ(result.value, interfaceThread);
    EXPECT_TRUE(ranInBox);
}

TEST(Handover, ACallNotTakenInTimeTimesOutAndNeverRunsLater) {
    Handover handover;
    const auto queue = handover.queue();
    int ran = 0;
    CallResult<int> result;
    Clock::duration waited{};
    Worker worker([&] {
        const auto start = Clock::now();
        result = queue->call([&] { return ++ran; }, 300ms, 5000ms);
        waited = Clock::now() - start;
    });
    worker.join();  // this thread pumps nothing meanwhile
    EXPECT_EQ(result.outcome, CallOutcome::TimedOut);
    EXPECT_GE(waited, 300ms);
    EXPECT_LT(waited, 5s);

    // The interface thread comes back: what was posted after the cancelled
    // call runs, the call itself never does.
    Event later;
    ASSERT_TRUE(queue->post([&] { SetEvent(later.handle); }));
    EXPECT_EQ(waitPumping(&later.handle, 1, 10000), 0);
    EXPECT_EQ(ran, 0);
}

// Notes how many tasks had run when a marker message came through the loop.
class MarkerFilter final : public MessageFilter {
public:
    static constexpr UINT kMarker = WM_APP + 77;
    explicit MarkerFilter(const std::vector<int>& order) : order_(order) {}
    bool preTranslate(MSG& msg) override {
        if (msg.hwnd != nullptr || msg.message != kMarker) return false;
        ranAtMarker = static_cast<int>(order_.size());
        return true;
    }
    int ranAtMarker = -1;

private:
    const std::vector<int>& order_;
};

TEST(Handover, AFullQueueRunsInOrderInBatchesBetweenOtherMessages) {
    Handover handover;
    const auto queue = handover.queue();
    std::vector<int> order;
    Event last;
    for (int i = 0; i < static_cast<int>(Handover::kCapacity); ++i) {
        ASSERT_TRUE(queue->post([&order, &last, i] {
            order.push_back(i);
            if (i + 1 == static_cast<int>(Handover::kCapacity)) SetEvent(last.handle);
        }));
    }
    EXPECT_FALSE(queue->post([] {})) << "beyond the capacity";
    MarkerFilter filter(order);
    const FilterScope scope(filter);
    ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), MarkerFilter::kMarker, 0, 0));

    EXPECT_EQ(waitPumping(&last.handle, 1, 10000), 0);
    ASSERT_EQ(order.size(), Handover::kCapacity);
    for (int i = 0; i < static_cast<int>(order.size()); ++i) ASSERT_EQ(order[i], i);
    EXPECT_GT(filter.ranAtMarker, 0);
    EXPECT_LT(filter.ranAtMarker, static_cast<int>(Handover::kCapacity)) << "other messages wait for one batch only";
}

TEST(Handover, ATaskThatThrowsStopsNeitherTheTasksBehindItNorTheLoop) {
    Handover handover;
    const auto queue = handover.queue();
    Event after;
    ASSERT_TRUE(queue->post([] { throw std::runtime_error("task failed"); }));
    ASSERT_TRUE(queue->post([&] { SetEvent(after.handle); }));
    EXPECT_EQ(waitPumping(&after.handle, 1, 10000), 0);
}

TEST(Handover, DestroyingItReleasesAWaitingWorkerAndRefusesLaterWork) {
    auto handover = std::make_unique<Handover>();
    const auto queue = handover->queue();
    int ran = 0;
    CallResult<void> result;
    Clock::duration waited{};
    Worker worker([&] {
        const auto start = Clock::now();
        result = queue->call([&] { ++ran; }, 10000ms, 10000ms);
        waited = Clock::now() - start;
    });
    ASSERT_TRUE(waitUnpumped([&] { return queue->size() == 1; }));
    handover.reset();
    worker.join();
    EXPECT_EQ(result.outcome, CallOutcome::Closed);
    EXPECT_LT(waited, 10s);
    EXPECT_FALSE(queue->post([&] { ++ran; }));
    EXPECT_TRUE(pumpPending());
    EXPECT_EQ(ran, 0);
}

}  // namespace
}  // namespace vuv::win
