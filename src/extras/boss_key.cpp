#include "extras/boss_key.h"

#include <string>

namespace vuv {

namespace {

struct KeyName {
    int code;
    const char* name;
};

// Virtual-key codes that have no printable character of their own.
constexpr KeyName kKeyNames[] = {
    {8, "Backspace"}, {9, "Tab"},      {12, "Clear"},    {13, "Enter"},    {19, "Pause"},       {20, "CapsLock"},
    {27, "Esc"},      {32, "Space"},   {33, "PageUp"},   {34, "PageDown"}, {35, "End"},         {36, "Home"},
    {37, "Left"},     {38, "Up"},      {39, "Right"},    {40, "Down"},     {44, "PrintScreen"}, {45, "Insert"},
    {46, "Delete"},   {91, "LeftWin"}, {92, "RightWin"}, {93, "Menu"},     {106, "Num*"},       {107, "Num+"},
    {109, "Num-"},    {110, "Num."},   {111, "Num/"},    {144, "NumLock"}, {145, "ScrollLock"},
};

constexpr bool isModifier(int code) noexcept { return code == 16 || code == 17 || code == 18; }

// What an input method reports for a key it takes for itself (VK_PROCESSKEY):
// no key of the keyboard, and never down in the key state the poll reads.
constexpr int kProcessKey = 229;

// F2, F3, F5, F6, F7 and F9 cannot be the boss key.
constexpr bool isRefused(int code) noexcept {
    return code == 113 || code == 114 || code == 116 || code == 117 || code == 118 || code == 120;
}

std::string displayName(int code) {
    if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z')) return std::string(1, static_cast<char>(code));
    if (code >= 96 && code <= 105) return "Num" + std::to_string(code - 96);
    if (code >= 112 && code <= 135) return "F" + std::to_string(code - 111);
    for (const KeyName& key : kKeyNames) {
        if (key.code == code) return key.name;
    }
    return "Key" + std::to_string(code);
}

}  // namespace

KeyCapture captureKey(int keyCode) {
    if (isModifier(keyCode) || keyCode == kProcessKey) return {true, false, {}};
    if (isRefused(keyCode)) return {false, false, {}};
    return {false, true, displayName(keyCode)};
}

bool BossKeyPoller::onTick(std::int16_t asyncState) noexcept {
    const auto state = static_cast<std::uint16_t>(asyncState);
    const bool downNow = (state & 0x8000u) != 0;
    const bool pressedSinceLast = (state & 0x0001u) != 0;
    const bool toggle = primed_ && !wasDown_ && (downNow || pressedSinceLast);
    primed_ = true;
    wasDown_ = downNow;
    return toggle;
}

void BossKeyPoller::reset() noexcept {
    primed_ = false;
    wasDown_ = false;
}

}  // namespace vuv
