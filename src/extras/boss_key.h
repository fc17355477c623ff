// The boss key: what a key press in the capture box means, and when a poll
// of the key's asynchronous state counts as a press that toggles.
#pragma once

#include <cstdint>
#include <string>

namespace vuv {

// Outcome of a key-down in the capture box.
//  ignored:  Shift, Ctrl and Alt, and 229, which an input method reports
//            for a key it keeps (it never reads as pressed); neither the box
//            nor the captured key change.
//  accepted: the key becomes the captured key and the box shows display,
//            which is never empty.
//  neither:  a refused key (F2, F3, F5, F6, F7, F9); the box is emptied and
//            the captured key stays as it was. An empty box means "off".
struct KeyCapture {
    bool ignored = false;
    bool accepted = false;
    std::string display;
};

[[nodiscard]] KeyCapture captureKey(int keyCode);

// Decides, from one asynchronous key-state reading per timer tick, whether
// the boss key has just been pressed. A reading counts as a press when the
// key is down (0x8000) or was pressed since the last query (bit 0), and the
// key was not down at the previous tick: holding the key toggles once, and a
// press and release between two ticks still toggles.
//
// The first tick after construction or reset() only records the key's state:
// bit 0 then may still report a press made before the key was armed (typing
// it into the capture box), and a key held while arming is not a new press.
// Call reset() whenever the polled key changes.
class BossKeyPoller {
public:
    [[nodiscard]] bool onTick(std::int16_t asyncState) noexcept;
    void reset() noexcept;

private:
    bool primed_ = false;
    bool wasDown_ = false;
};

}  // namespace vuv
