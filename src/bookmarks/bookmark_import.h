// What a bookmark file gives the launch list: the links of an HTML page or,
// when the page has none, its shortcut lines.
#pragma once

#include "bookmarks/imported_link.h"

#include <string_view>
#include <vector>

namespace vuv {

// The file's text: its bytes up to the first NUL or 0x1A, if any.
[[nodiscard]] std::string_view cutAtTextEnd(std::string_view fileBytes) noexcept;

// converted: the file's text (cutAtTextEnd) decoded as UTF-8 and encoded as
// GBK, which the caller does with the platform converters. raw: the file's
// bytes as read.
// When findAnchors finds links in converted, one entry per link in document
// order: name = the link text (empty when the element has none), address =
// the href value, no configuration path. Otherwise the entries that
// importShortcutLines reads from raw (without conversion, past any NUL).
[[nodiscard]] std::vector<ImportedLink> importBookmarkText(std::string_view converted, std::string_view raw);

}  // namespace vuv
