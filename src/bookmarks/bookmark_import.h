// What a bookmark file gives the launch list: the links of an HTML page or,
// when the page has none, its shortcut lines.
#pragma once

#include "bookmarks/imported_link.h"

#include <string_view>
#include <vector>

namespace vuv {

// The file's text: its bytes up to the first NUL or 0x1A, if any.
[[nodiscard]] std::string_view cutAtTextEnd(std::string_view fileBytes) noexcept;

// Whether the file's lines must be converted from UTF-8 before they are read:
// a file that starts with the UTF-8 byte-order mark, or that is strictly
// valid UTF-8 throughout and holds a character of three or more bytes (every
// Chinese character in UTF-8 is one; short GBK texts can pass for two-byte
// UTF-8). An editor that saves UTF-8 by default turns an exported list into
// such a file. Every other file is read as GBK, as it is.
[[nodiscard]] bool linesAreUtf8(std::string_view fileBytes) noexcept;

// converted: the file's text (cutAtTextEnd) decoded as UTF-8 and encoded as
// GBK, which the caller does with the platform converters. lines: the file's
// bytes as read, or, when linesAreUtf8(), those bytes after the mark
// converted from UTF-8 to GBK (NULs kept).
// When findAnchors finds links in converted, one entry per link in document
// order: name = the link text (empty when the element has none), address =
// the href value, no configuration path. Otherwise the entries that
// importShortcutLines reads from lines (past any NUL).
[[nodiscard]] std::vector<ImportedLink> importBookmarkText(std::string_view converted, std::string_view lines);

}  // namespace vuv
