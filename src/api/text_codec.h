// Conversion between the panel's GBK texts and the interface's UTF-8, at the
// edge of the automation interface. The Windows build converts with code
// page 936, the native tests with iconv.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vuv::api {

class TextCodec {
public:
    virtual ~TextCodec() = default;
    // The UTF-8 text as GBK bytes; nothing when the text is not valid UTF-8
    // or holds a character GBK cannot hold.
    [[nodiscard]] virtual std::optional<std::string> toGbk(std::string_view utf8) const = 0;
    // The GBK text as UTF-8. Never fails: a byte that starts no GBK
    // character becomes U+FFFD.
    [[nodiscard]] virtual std::string toUtf8(std::string_view gbk) const = 0;
};

// True when the text is 7-bit ASCII, which both encodings spell alike.
[[nodiscard]] inline bool isAscii(std::string_view text) noexcept {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

}  // namespace vuv::api
