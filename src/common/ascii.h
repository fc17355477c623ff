// Small helpers on ASCII letters and digits, for narrow (GBK) and wide
// (UTF-16) text alike. Only A-Z are case-folded: bytes of double-byte GBK
// characters and every non-ASCII UTF-16 unit are compared as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vuv::ascii {

template <typename C>
[[nodiscard]] constexpr C lower(C c) noexcept {
    return (c >= C('A') && c <= C('Z')) ? static_cast<C>(c + (C('a') - C('A'))) : c;
}

template <typename C>
[[nodiscard]] std::basic_string<C> lowered(std::basic_string_view<C> text) {
    std::basic_string<C> out(text);
    for (C& c : out) c = lower(c);
    return out;
}

template <typename C>
[[nodiscard]] constexpr bool equalIgnoringCase(std::basic_string_view<C> a, std::basic_string_view<C> b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

template <typename C>
[[nodiscard]] constexpr bool startsWith(std::basic_string_view<C> text, std::basic_string_view<C> prefix) noexcept {
    return text.substr(0, prefix.size()) == prefix;
}

// A byte-wise test: on GBK text it is exact when ending begins with a byte
// that cannot be a trail byte (such as "."), as file extensions do.
template <typename C>
[[nodiscard]] constexpr bool endsWithIgnoringCase(std::basic_string_view<C> text,
                                                  std::basic_string_view<C> ending) noexcept {
    return text.size() >= ending.size() && equalIgnoringCase(text.substr(text.size() - ending.size()), ending);
}

template <typename C>
[[nodiscard]] bool containsIgnoringCase(std::basic_string_view<C> text, std::basic_string_view<C> needle) {
    return lowered(text).find(lowered(needle)) != std::basic_string<C>::npos;
}

// The value of the decimal digits text begins with; 0 when it begins with
// anything else (a sign or a blank is no digit). Saturates at the maximum.
template <typename C>
[[nodiscard]] constexpr std::uint32_t leadingDigits(std::basic_string_view<C> text,
                                                    std::uint32_t maximum = UINT32_MAX) noexcept {
    std::uint64_t value = 0;
    for (const C c : text) {
        if (c < C('0') || c > C('9')) break;
        value = value * 10 + static_cast<std::uint64_t>(c - C('0'));
        if (value >= maximum) return maximum;
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace vuv::ascii
