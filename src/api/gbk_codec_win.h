// The interface's text codec on Windows: GBK is code page 936, converted
// through UTF-16 with the system's functions.
#pragma once

#include "api/text_codec.h"

namespace vuv::win {

class GbkCodec final : public api::TextCodec {
public:
    [[nodiscard]] std::optional<std::string> toGbk(std::string_view utf8) const override;
    [[nodiscard]] std::string toUtf8(std::string_view gbk) const override;
};

}  // namespace vuv::win
