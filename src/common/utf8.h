// Telling UTF-8 text files from GBK ones.
//
// Plain-text bookmark and launch files are read as GBK bytes, but editors
// save UTF-8 by default. A file is taken as UTF-8 when
// - it starts with the byte-order mark EF BB BF, whatever follows; or
// - it is strictly valid UTF-8 throughout and holds at least one character
//   of three or four bytes.
// Strictly valid: every character has the shortest form (no overlong
// encodings), none is a surrogate (U+D800..U+DFFF) or above U+10FFFF, and
// the text does not end inside a character.
//
// Every other file is not UTF-8: pure ASCII reads the same either way, and
// short GBK texts can pass as two-byte UTF-8 (GBK "\xC4\xE3" is a valid
// two-byte character), whereas Chinese text saved as UTF-8 always holds
// three-byte characters.
//
// Both functions take time linear in the size of the text and handle runs of
// ASCII eight bytes at a time, so a file of tens of megabytes costs
// milliseconds.
#pragma once

#include <string_view>

namespace vuv {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// True when the text is to be converted from UTF-8 (see above).
[[nodiscard]] bool isUtf8Text(std::string_view bytes) noexcept;

// The text without one leading byte-order mark; the text itself when it has
// none.
[[nodiscard]] std::string_view withoutUtf8Bom(std::string_view bytes) noexcept;

}  // namespace vuv
