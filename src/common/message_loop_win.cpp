#include "common/message_loop_win.h"

#include "common/kernel_handle_win.h"

#include <algorithm>
#include <vector>

namespace vuv::win {

namespace {

std::vector<MessageFilter*>& filters() {
    thread_local std::vector<MessageFilter*> stack;
    return stack;
}

}  // namespace

FilterScope::FilterScope(MessageFilter& filter) : filter_(filter) { filters().push_back(&filter_); }

FilterScope::~FilterScope() {
    auto& stack = filters();
    const auto it = std::find(stack.rbegin(), stack.rend(), &filter_);
    if (it != stack.rend()) stack.erase(std::next(it).base());
}

void processMessage(MSG& msg) {
    // A copy of the stack: a filter may open a dialog that adds its own.
    const std::vector<MessageFilter*> current = filters();
    for (auto it = current.rbegin(); it != current.rend(); ++it) {
        if ((*it)->preTranslate(msg)) return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

bool pumpPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        processMessage(msg);
    }
    return true;
}

int runMessageLoop() {
    MSG msg;
    for (;;) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(msg.wParam);
        if (got < 0) return -1;
        processMessage(msg);
    }
}

bool runUntil(const std::function<bool()>& done) {
    MSG msg;
    while (!done()) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        if (got < 0) return false;
        processMessage(msg);
    }
    return true;
}

int waitPumping(const HANDLE* handles, DWORD count, DWORD timeoutMs) {
    if (count >= MAXIMUM_WAIT_OBJECTS) return -1;
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        DWORD left = INFINITE;
        if (timeoutMs != INFINITE) {
            const ULONGLONG passed = GetTickCount64() - start;
            if (passed >= timeoutMs) return -1;
            left = static_cast<DWORD>(timeoutMs - passed);
        }
        const DWORD woke = MsgWaitForMultipleObjects(count, handles, FALSE, left, QS_ALLINPUT);
        if (woke < WAIT_OBJECT_0 + count) return static_cast<int>(woke - WAIT_OBJECT_0);
        if (woke != WAIT_OBJECT_0 + count) return -1;  // timed out or failed
        if (!pumpPending()) return -1;
    }
}

std::vector<std::size_t> signalledNow(const std::vector<HANDLE>& handles, bool unusableCounts) {
    std::vector<std::size_t> signalled;
    // One wait answers for up to 64 handles: the lowest one signalled. Ask
    // again past it until the batch has none left.
    std::size_t at = 0;
    while (at < handles.size()) {
        const auto count = static_cast<DWORD>(std::min<std::size_t>(handles.size() - at, MAXIMUM_WAIT_OBJECTS));
        const DWORD woke = WaitForMultipleObjects(count, &handles[at], FALSE, 0);
        if (woke < WAIT_OBJECT_0 + count) {
            const std::size_t index = at + (woke - WAIT_OBJECT_0);
            signalled.push_back(index);
            at = index + 1;
            continue;
        }
        if (woke == WAIT_FAILED) {
            // A handle gone bad: ask each of the batch on its own.
            for (std::size_t i = at; i < at + count; ++i) {
                const DWORD one = WaitForSingleObject(handles[i], 0);
                if (one == WAIT_OBJECT_0 || (unusableCounts && one != WAIT_TIMEOUT)) signalled.push_back(i);
            }
        }
        at += count;
    }
    return signalled;
}

void pumpingPause(int ms) {
    if (!pumpPending() || ms <= 0) return;
    const KernelHandle timer(CreateWaitableTimerW(nullptr, FALSE, nullptr));
    if (!timer) return;
    LARGE_INTEGER due{};
    due.QuadPart = -static_cast<LONGLONG>(ms) * 10000;
    if (SetWaitableTimer(timer.get(), &due, 0, nullptr, nullptr, FALSE)) {
        const HANDLE waited = timer.get();
        waitPumping(&waited, 1, INFINITE);
        CancelWaitableTimer(timer.get());
    }
}

}  // namespace vuv::win
