// The one way through every message loop of the panel: the main loop, the
// pause of a launch walk, the loops of modal dialogs and the waits that keep
// the window usable. Each takes its messages through processMessage(), so
// keyboard handling (Tab and Ctrl+Tab in the main window, Enter and Esc in a
// dialog) works the same whichever loop happens to be running.
//
// Filters see each message before it is translated and dispatched; the most
// recently added one first (a modal dialog before the main window beneath
// it). A filter that returns true has used the message.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <vector>

namespace vuv::win {

class MessageFilter {
public:
    virtual ~MessageFilter() = default;
    virtual bool preTranslate(MSG& msg) = 0;
};

// Adds a filter to this thread's loops for as long as it lives.
class FilterScope {
public:
    explicit FilterScope(MessageFilter& filter);
    ~FilterScope();
    FilterScope(const FilterScope&) = delete;
    FilterScope& operator=(const FilterScope&) = delete;

private:
    MessageFilter& filter_;
};

// Offers msg to the filters, then translates and dispatches it.
void processMessage(MSG& msg);

// Processes every message already queued. False when the quit message came
// (it is posted again for the outermost loop).
bool pumpPending();

// Runs until the quit message; returns its exit code.
int runMessageLoop();

// Runs the loop until done() holds after a message; false when the quit
// message came first (posted again).
bool runUntil(const std::function<bool()>& done);

// Waits until one of the handles is signalled or timeoutMs have passed,
// processing messages meanwhile. At most MAXIMUM_WAIT_OBJECTS - 1 handles.
// Returns the index of the signalled handle, or -1 on time-out, on quit
// (posted again) or on failure. A timeout of INFINITE waits without end.
int waitPumping(const HANDLE* handles, DWORD count, DWORD timeoutMs);

// Which of the handles are signalled now, without waiting: their indexes,
// ascending. Any number of handles (asked in batches of the most one wait
// takes). A handle that cannot be waited on is left out, or counted as
// signalled when unusableCounts holds.
[[nodiscard]] std::vector<std::size_t> signalledNow(const std::vector<HANDLE>& handles, bool unusableCounts);

// Pauses for ms milliseconds with a waitable timer while the interface stays
// usable; 0 or less ends at once (after the queued messages are processed).
void pumpingPause(int ms);

}  // namespace vuv::win
