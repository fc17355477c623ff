#include "common/encoding_win.h"

#include <windows.h>

#include <climits>

namespace vuv::win {

namespace {

std::wstring toWide(unsigned codePage, std::string_view bytes) {
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT_MAX)) return {};
    const int length = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring out(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), length, out.data(), needed);
    return out;
}

std::string toBytes(unsigned codePage, std::wstring_view text) {
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return {};
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::string out(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), length, out.data(), needed, nullptr, nullptr);
    return out;
}

}  // namespace

std::wstring widen(std::string_view gbk) { return toWide(kGbkCodePage, gbk); }

std::string narrow(std::wstring_view text) { return toBytes(kGbkCodePage, text); }

std::wstring widenAnsi(std::string_view bytes) { return toWide(CP_ACP, bytes); }

std::string narrowAnsi(std::wstring_view text) { return toBytes(CP_ACP, text); }

std::string utf8TextToGbk(std::string_view utf8) { return toBytes(kGbkCodePage, toWide(CP_UTF8, utf8)); }

std::string utf8ToGbk(std::string_view utf8) {
    std::string out = toBytes(kGbkCodePage, toWide(CP_UTF8, utf8));
    const std::size_t nul = out.find('\0');
    if (nul != std::string::npos) out.resize(nul);
    return out;
}

}  // namespace vuv::win
