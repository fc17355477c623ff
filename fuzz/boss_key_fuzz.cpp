// Fuzz target: the boss key's capture box and its poller.
//
// Input: a 4-byte key code for the capture box, then a stream of 3-byte
// events for the poller: an operation byte (a multiple of 16 re-arms the
// poller with reset(), anything else is a tick) and a 16-bit key state.
// Checks the promises of extras/boss_key.h on any codes and any sequence:
// every key is exactly one of ignored, refused or accepted with a non-empty
// name; the first tick after arming never toggles; a key held down toggles
// once; a reading with neither "down" nor "pressed" never toggles; and a
// press after a tick with the key up always does.
#include "extras/boss_key.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void require(bool ok) {
    if (!ok) std::abort();
}

void checkCapture(int code) {
    const vuv::KeyCapture c = vuv::captureKey(code);
    // Shift, Ctrl, Alt and the input method's stand-in code are waited past.
    const bool modifier = code == 16 || code == 17 || code == 18 || code == 229;
    const bool refused = code == 113 || code == 114 || code == 116 || code == 117 || code == 118 || code == 120;
    require(c.ignored == modifier);
    require(!(c.ignored && c.accepted));
    require(c.accepted == (!modifier && !refused));
    require(c.accepted ? !c.display.empty() && c.display.size() <= 16 : c.display.empty());
    for (const char ch : c.display) require(ch > ' ' && ch < 0x7F);
    if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z')) require(c.display == std::string(1, static_cast<char>(code)));
    if (code >= 112 && code <= 123 && c.accepted) require(c.display == "F" + std::to_string(code - 111));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    std::int32_t code = 0;
    std::memcpy(&code, data, sizeof code);
    checkCapture(code);
    checkCapture(code & 0xFF);

    vuv::BossKeyPoller poller;
    bool armed = false;     // a tick was seen since construction or reset()
    bool heldBefore = false;  // the previous tick saw the key down
    for (std::size_t i = 4; i + 3 <= size; i += 3) {
        if (data[i] % 16 == 0) {
            poller.reset();
            armed = false;
            continue;
        }
        const auto state = static_cast<std::int16_t>(data[i + 1] | (data[i + 2] << 8));
        const bool down = (static_cast<std::uint16_t>(state) & 0x8000u) != 0;
        const bool pressed = (static_cast<std::uint16_t>(state) & 0x0001u) != 0;
        const bool toggled = poller.onTick(state);
        if (!armed || heldBefore || (!down && !pressed)) require(!toggled);
        if (armed && !heldBefore && (down || pressed)) require(toggled);
        armed = true;
        heldBefore = down;
    }
    return 0;
}
