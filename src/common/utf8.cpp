#include "common/utf8.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vuv {

namespace {

constexpr bool inRange(unsigned char c, unsigned char low, unsigned char high) noexcept {
    return c >= low && c <= high;
}

constexpr bool isContinuation(unsigned char c) noexcept { return inRange(c, 0x80, 0xBF); }

// Length of the run of ASCII bytes that starts at byte i.
std::size_t asciiRun(const unsigned char* p, std::size_t size, std::size_t i) noexcept {
    const std::size_t start = i;
    while (size - i >= 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, p + i, sizeof word);
        if ((word & 0x8080808080808080ULL) != 0) break;
        i += 8;
    }
    while (i < size && p[i] < 0x80) ++i;
    return i - start;
}

// Length of the well-formed multi-byte character at byte i, or 0 when the
// bytes there are not one. The second byte's range carries the checks for
// overlong forms (E0, F0), surrogates (ED) and the upper limit (F4).
std::size_t multiByteLength(const unsigned char* p, std::size_t size, std::size_t i) noexcept {
    const unsigned char lead = p[i];
    const std::size_t left = size - i;
    if (inRange(lead, 0xC2, 0xDF)) return left >= 2 && isContinuation(p[i + 1]) ? 2 : 0;

    unsigned char low = 0x80, high = 0xBF;
    std::size_t length = 0;
    if (lead == 0xE0) {
        low = 0xA0, length = 3;
    } else if (lead == 0xED) {
        high = 0x9F, length = 3;
    } else if (inRange(lead, 0xE1, 0xEF)) {
        length = 3;
    } else if (lead == 0xF0) {
        low = 0x90, length = 4;
    } else if (lead == 0xF4) {
        high = 0x8F, length = 4;
    } else if (inRange(lead, 0xF1, 0xF3)) {
        length = 4;
    } else {
        return 0;  // 80..C1 and F5..FF never start a character
    }
    if (left < length || !inRange(p[i + 1], low, high)) return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if (!isContinuation(p[i + k])) return 0;
    }
    return length;
}

}  // namespace

bool isUtf8Text(std::string_view bytes) noexcept {
    if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) return true;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    bool sawLong = false;
    for (std::size_t i = 0; i < size;) {
        i += asciiRun(p, size, i);
        if (i == size) break;
        const std::size_t length = multiByteLength(p, size, i);
        if (length == 0) return false;
        sawLong = sawLong || length >= 3;
        i += length;
    }
    return sawLong;
}

std::string_view withoutUtf8Bom(std::string_view bytes) noexcept {
    if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) bytes.remove_prefix(kUtf8Bom.size());
    return bytes;
}

}  // namespace vuv
