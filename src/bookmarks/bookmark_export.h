// Export of the bookmark table as "|#|" shortcut lines.
#pragma once

#include <string>

#include "bookmarks/bookmark_table.h"

namespace vuv {

// One line per row, in table order, ended by CR LF: the address followed by
// three empty pieces, "address|#||#||#|". The shortcut-line importer
// (importShortcutLines) appends every line of four or more pieces with its
// first piece as the address, so the file reads back as the same addresses
// in the same order, empty ones included. States, holders and times are not
// written.
//
// Addresses that cannot round-trip: one containing "|#|" (split into more
// pieces), one containing a byte that ends a line for the importer (LF, NUL
// or 0x1A), and one ending in a GBK lead byte (the separator's first "|"
// would be read as its trail byte). A CR anywhere in an address is kept.
//
// An empty table gives an empty text.
[[nodiscard]] std::string exportBookmarks(const BookmarkTable& table);

}  // namespace vuv
