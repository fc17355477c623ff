#include "bookmarks/bookmark_import.h"

#include "bookmarks/anchor_matcher.h"
#include "bookmarks/shortcut_import.h"
#include "common/utf8.h"

#include <string>

namespace vuv {

std::string_view cutAtTextEnd(std::string_view fileBytes) noexcept {
    const std::size_t end = fileBytes.find_first_of(std::string_view("\0\x1A", 2));
    return end == std::string_view::npos ? fileBytes : fileBytes.substr(0, end);
}

bool linesAreUtf8(std::string_view fileBytes) noexcept { return isUtf8Text(fileBytes); }

std::vector<ImportedLink> importBookmarkText(std::string_view converted, std::string_view lines) {
    const std::vector<AnchorMatch> anchors = findAnchors(converted);
    if (anchors.empty()) return importShortcutLines(lines);

    std::vector<ImportedLink> entries;
    entries.reserve(anchors.size());
    for (const AnchorMatch& a : anchors) entries.push_back(ImportedLink{std::string(a.name), std::string(a.address), {}});
    return entries;
}

}  // namespace vuv
