// Fuzz target: the UTF-8 detection on any bytes.
//
// Checks it against a plain decoder written here: every character is decoded
// to its code point, which must need exactly the bytes used and be neither a
// surrogate nor beyond U+10FFFF. Also: removing the byte-order mark removes
// exactly its three bytes.
#include "common/utf8.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void require(bool ok) {
    if (!ok) std::abort();
}

// Valid UTF-8 throughout and holding a character of three or more bytes.
bool decodesWithLongCharacter(const std::uint8_t* p, std::size_t size) {
    bool sawLong = false;
    for (std::size_t i = 0; i < size;) {
        const std::uint8_t lead = p[i];
        std::size_t length = 0;
        std::uint32_t value = 0;
        if (lead < 0x80) {
            length = 1, value = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2, value = lead & 0x1Fu;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, value = lead & 0x0Fu;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, value = lead & 0x07u;
        } else {
            return false;
        }
        if (size - i < length) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
            value = (value << 6) | (p[i + k] & 0x3Fu);
        }
        const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (value < smallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
        sawLong = sawLong || length >= 3;
        i += length;
    }
    return sawLong;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const bool bom = size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF;
    require(vuv::isUtf8Text(bytes) == (bom || decodesWithLongCharacter(data, size)));
    const std::string_view rest = vuv::withoutUtf8Bom(bytes);
    require(rest.data() + rest.size() == bytes.data() + bytes.size());
    require(rest.size() == (bom ? size - 3 : size));
    return 0;
}
