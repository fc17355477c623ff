// Small helpers on ASCII letters, for narrow (GBK) and wide
// (UTF-16) text alike. Only A-Z are case-folded: bytes of double-byte GBK
// characters and every non-ASCII UTF-16 unit are compared as they are.
#pragma once

#include <cstddef>
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

}  // namespace vuv::ascii
