// The interface's text codec for the native tests: GBK through iconv, as the
// Windows build converts through code page 936.
#pragma once

#include "api/text_codec.h"

#include <iconv.h>

#include <string>

namespace vuv::test {

class IconvCodec final : public api::TextCodec {
public:
    std::optional<std::string> toGbk(std::string_view utf8) const override {
        std::string out;
        if (!convert("GBK", "UTF-8", utf8, out)) return std::nullopt;
        return out;
    }
    std::string toUtf8(std::string_view gbk) const override {
        // Byte by byte past what does not convert, as code page 936 puts
        // U+FFFD there.
        std::string out;
        std::size_t i = 0;
        while (i < gbk.size()) {
            const std::size_t len =
                (static_cast<unsigned char>(gbk[i]) >= 0x81 && static_cast<unsigned char>(gbk[i]) <= 0xFE &&
                 i + 1 < gbk.size())
                    ? 2
                    : 1;
            std::string piece;
            if (convert("UTF-8", "GBK", gbk.substr(i, len), piece)) {
                out += piece;
            } else {
                out += "\xEF\xBF\xBD";
            }
            i += len;
        }
        return out;
    }

private:
    static bool convert(const char* to, const char* from, std::string_view in, std::string& out) {
        iconv_t cd = iconv_open(to, from);
        if (cd == reinterpret_cast<iconv_t>(-1)) return false;
        std::string input(in);
        char* src = input.data();
        std::size_t srcLeft = input.size();
        std::string buffer(input.size() * 4 + 4, '\0');
        char* dst = buffer.data();
        std::size_t dstLeft = buffer.size();
        const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        iconv_close(cd);
        if (r == static_cast<std::size_t>(-1) || srcLeft != 0) return false;
        buffer.resize(buffer.size() - dstLeft);
        out = std::move(buffer);
        return true;
    }
};

}  // namespace vuv::test
