// A limit on every test of the program it is linked into: when one test has
// run longer than VUV_TEST_LIMIT_SECONDS (200 s unless set), it says which
// test and ends the program. The job the harness puts every started process
// in then ends them too, so one stuck wait costs one test, not the tests that
// come after it. The limit lies below ctest's own, so that the log names the
// stuck test instead of ctest killing the program silently.
#include "e2e/watchdog.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace vuv::e2e {

namespace {

using Clock = std::chrono::steady_clock;

class Watchdog : public ::testing::EmptyTestEventListener {
public:
    explicit Watchdog(std::chrono::seconds limit) : limit_(limit) {}

    void OnTestStart(const ::testing::TestInfo& info) override {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            name_ = std::string(info.test_suite_name()) + "." + info.name();
            deadline_ = Clock::now() + limit_;
            armed_ = true;
        }
        if (!watching_.exchange(true)) std::thread([this] { watch(); }).detach();
    }

    void OnTestEnd(const ::testing::TestInfo&) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        armed_ = false;
    }

    // The program's own end is watched too: a thread of the program stuck
    // in a call into another process (Wine does not let such a call go)
    // can hold up the exit after every test has finished. The outcome is
    // known by then, so the program ends with it.
    void OnTestProgramEnd(const ::testing::UnitTest& unit) override {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            name_ = "the end of the test program";
            deadline_ = Clock::now() + std::chrono::seconds(kExitLimitSeconds);
            exitCode_ = unit.Passed() ? 0u : 1u;
            armed_ = true;
        }
        if (!watching_.exchange(true)) std::thread([this] { watch(); }).detach();
    }

private:
    // Looks twice a second; lives as long as the program.
    [[noreturn]] void watch() {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            std::string name;
            unsigned exitCode = kWatchdogExitCode;
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                if (!armed_ || Clock::now() < deadline_) continue;
                name = name_;
                if (exitCode_) exitCode = *exitCode_;
            }
            if (exitCode != kWatchdogExitCode) {
                std::fflush(stdout);
                std::fputs("[  LIMIT   ] the test program did not end by itself: ending it with its outcome\n", stderr);
                std::fflush(stderr);
                TerminateProcess(GetCurrentProcess(), exitCode);
            }
            const std::string line = "[  LIMIT   ] " + name + " still running after " +
                                     std::to_string(limit_.count()) +
                                     " s: ending the test program and every process it started\n";
            std::fflush(stdout);
            std::fputs(line.c_str(), stderr);
            std::fflush(stderr);
            TerminateProcess(GetCurrentProcess(), kWatchdogExitCode);
        }
    }

    const std::chrono::seconds limit_;
    std::mutex mutex_;
    std::string name_;
    Clock::time_point deadline_{};
    bool armed_ = false;
    std::optional<unsigned> exitCode_;  // set once every test has run
    std::atomic<bool> watching_{false};
};

std::chrono::seconds configuredLimit() {
    const char* text = std::getenv("VUV_TEST_LIMIT_SECONDS");
    const long seconds = text != nullptr ? std::strtol(text, nullptr, 10) : 0;
    return std::chrono::seconds(seconds > 0 ? seconds : kDefaultTestLimitSeconds);
}

// Installed before main runs; GoogleTest owns the listener from then on.
[[maybe_unused]] const bool installed = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new Watchdog(configuredLimit()));
    return true;
}();

}  // namespace

}  // namespace vuv::e2e
