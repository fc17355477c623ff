#include "api/gbk_codec_win.h"

#include "common/encoding_win.h"

#include <windows.h>

#include <climits>

namespace vuv::win {

namespace {

std::optional<std::wstring> wide(unsigned codePage, DWORD flags, std::string_view bytes) {
    if (bytes.empty()) return std::wstring();
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) return std::nullopt;
    const int length = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(codePage, flags, bytes.data(), length, nullptr, 0);
    if (needed <= 0) return std::nullopt;
    std::wstring out(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(codePage, flags, bytes.data(), length, out.data(), needed);
    return out;
}

}  // namespace

std::optional<std::string> GbkCodec::toGbk(std::string_view utf8) const {
    const std::optional<std::wstring> text = wide(CP_UTF8, MB_ERR_INVALID_CHARS, utf8);
    if (!text) return std::nullopt;
    if (text->empty()) return std::string();
    const int length = static_cast<int>(text->size());
    // No best fit: a character GBK lacks is refused, never replaced by a
    // look-alike.
    BOOL usedDefault = FALSE;
    const int needed =
        WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, text->data(), length, nullptr, 0, nullptr, &usedDefault);
    if (needed <= 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, text->data(), length, out.data(), needed, nullptr,
                        &usedDefault);
    if (usedDefault) return std::nullopt;
    return out;
}

std::string GbkCodec::toUtf8(std::string_view gbk) const {
    const std::optional<std::wstring> text = wide(kGbkCodePage, 0, gbk);
    if (!text || text->empty()) return {};
    const int length = static_cast<int>(text->size());
    const int needed = WideCharToMultiByte(CP_UTF8, 0, text->data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::string out(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text->data(), length, out.data(), needed, nullptr, nullptr);
    return out;
}

}  // namespace vuv::win
