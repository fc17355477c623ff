// Conversions at the program's edge. Inside, every text is GBK bytes; the
// controls are Unicode, and files and transfers carry GBK. The code page is
// always given explicitly (936), so the panel behaves the same on any
// Windows locale; the system's ANSI code page is used only to match what a
// browser on the ANSI functions made of its GBK bytes (widenAnsi, narrowAnsi).
#pragma once

#include <string>
#include <string_view>

namespace vuv::win {

inline constexpr unsigned kGbkCodePage = 936;

// GBK bytes to UTF-16 for the controls and the W functions.
[[nodiscard]] std::wstring widen(std::string_view gbk);

// UTF-16 to GBK; characters GBK lacks become "?".
[[nodiscard]] std::string narrow(std::wstring_view text);

// The same bytes read, or written, in the system's ANSI code page: what the
// ANSI functions make of them, for browsers that pass their GBK names and
// titles through those functions on a system whose code page is not 936.
[[nodiscard]] std::wstring widenAnsi(std::string_view bytes);
[[nodiscard]] std::string narrowAnsi(std::wstring_view text);

// UTF-8 bytes (a bookmark file) to GBK; invalid input becomes replacement
// characters. The result ends at the first NUL.
[[nodiscard]] std::string utf8ToGbk(std::string_view utf8);
// The same, every byte converted: NULs stay, as in the text they came in.
// Characters GBK lacks become their nearest GBK look-alike (best fit) or "?".
[[nodiscard]] std::string utf8TextToGbk(std::string_view utf8);

}  // namespace vuv::win
