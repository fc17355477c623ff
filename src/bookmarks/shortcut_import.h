// Reader of plain-text bookmark files: bare addresses and "|#|" shortcut
// lines, one record per line, GBK bytes taken as they are.
#pragma once

#include "bookmarks/imported_link.h"

#include <string>
#include <string_view>
#include <vector>

namespace vuv {

// Reads every line of the file and returns the launch entries it gives.
//
// A line ends at LF, NUL or 0x1A; reading goes on after any of them, so a
// NUL ends only its line. One CR right before the end of a line is dropped,
// and a line left empty is skipped. The other lines are split at "|#|"
// (at GBK character boundaries) into n pieces:
//   n = 1   the piece is an address: append (name, piece 1, config);
//   n = 2   append (name, piece 1, config) only when the name is not empty;
//   n = 3   name = base name of piece 3; append when it is not empty;
//   n >= 4  config = piece 4, name = base name of piece 3; always append,
//           also with an empty name, so that every exported line returns.
// The current name and configuration path start empty and carry over from
// one line to the next until a later line sets them.
[[nodiscard]] std::vector<ImportedLink> importShortcutLines(std::string_view fileBytes);

// The text after the last "\" of the piece (the whole piece without one),
// with every ".url" removed (exact case). "\" is found only at character
// boundaries, so the trail byte of a character such as 運 (DF 5C) is kept.
[[nodiscard]] std::string shortcutBaseName(std::string_view piece);

}  // namespace vuv
