// Character-aware helpers for GBK (code page 936) byte strings.
//
// A GBK character is one byte below 0x81, or a lead byte 0x81..0xFE followed
// by a trail byte. Trail bytes include 0x5C ("\") and 0x7C ("|"), so every
// search for an ASCII delimiter must step over double-byte characters whole.
// A lead byte at the very end of a string is taken as a character of its own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vuv::gbk {

inline constexpr std::size_t npos = std::string_view::npos;

[[nodiscard]] constexpr bool isLeadByte(unsigned char c) noexcept { return c >= 0x81 && c <= 0xFE; }

// Length in bytes (1 or 2) of the character that starts at byte i of s.
[[nodiscard]] constexpr std::size_t charLength(std::string_view s, std::size_t i) noexcept {
    return (isLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
}

// First occurrence of needle that starts at a character boundary at or after
// byte `from` (which must itself be a boundary), or npos.
[[nodiscard]] std::size_t find(std::string_view hay, std::string_view needle, std::size_t from = 0) noexcept;

// Start of the last character equal to the single-byte character c, or npos.
[[nodiscard]] std::size_t findLast(std::string_view hay, char c) noexcept;

// Splits at every occurrence of sep found at a character boundary. An empty
// text gives one empty piece; sep must not be empty.
[[nodiscard]] std::vector<std::string_view> split(std::string_view s, std::string_view sep);

// Removes every occurrence of what that starts at a character boundary,
// scanning left to right over the original text.
[[nodiscard]] std::string removeAll(std::string_view s, std::string_view what);

// Replaces every occurrence of what (at character boundaries) with with.
[[nodiscard]] std::string replaceAll(std::string_view s, std::string_view what, std::string_view with);

}  // namespace vuv::gbk
