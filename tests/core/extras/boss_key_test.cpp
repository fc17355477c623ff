#include "extras/boss_key.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>

namespace {

using namespace vuv;

// "ignored", "refused" or the text shown for an accepted key.
std::string captured(int code) {
    const KeyCapture c = captureKey(code);
    return c.ignored ? "ignored" : c.accepted ? c.display : "refused" + c.display;  // refused leaves the box empty
}

TEST(BossKey, CaptureIgnoresModifiersRefusesSomeFunctionKeysAndNamesTheRest) {
    const std::pair<int, const char*> cases[] = {
        {16, "ignored"}, {17, "ignored"}, {18, "ignored"},
        // An input method's own key (VK_PROCESSKEY) never reads as pressed.
        {229, "ignored"},
        {113, "refused"}, {114, "refused"}, {116, "refused"}, {117, "refused"}, {118, "refused"}, {120, "refused"},
        {112, "F1"}, {115, "F4"}, {119, "F8"}, {121, "F10"}, {122, "F11"}, {123, "F12"},
        {65, "A"},       {48, "0"},       {37, "Left"},     {96, "Num0"},     {135, "F24"}, {187, "Key187"},
    };
    for (const auto& [code, expected] : cases) EXPECT_EQ(captured(code), expected) << code;
    for (int code = -1; code <= 300; ++code) EXPECT_NE(captured(code), "") << "an empty box means off: " << code;
}

int toggles(BossKeyPoller& poller, std::initializer_list<std::int16_t> states) {
    int n = 0;
    for (const std::int16_t s : states) n += poller.onTick(s) ? 1 : 0;
    return n;
}

TEST(BossKey, PollerTogglesOncePerPressAfterAFirstRecordingTick) {
    constexpr std::int16_t kUp = 0, kDown = INT16_MIN, kDownAndPressed = INT16_MIN | 1, kPressedOnly = 1;
    BossKeyPoller p;
    EXPECT_EQ(toggles(p, {kPressedOnly, kDownAndPressed, kDown, kDown, kDown, kUp}), 1) << "held; stale bit 0 first";
    EXPECT_EQ(toggles(p, {kDown, kDown, kUp, kDown}), 2) << "without bit 0, as under Wine";
    EXPECT_EQ(toggles(p, {kUp, kPressedOnly, kUp, kPressedOnly}), 2) << "press and release between ticks";
    p.reset();
    EXPECT_EQ(toggles(p, {kDown, kDown, kUp, kDown}), 1) << "a key held while arming is no press";
}

}  // namespace
