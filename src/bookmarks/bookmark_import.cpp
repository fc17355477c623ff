#include "bookmarks/bookmark_import.h"

#include "bookmarks/anchor_matcher.h"
#include "bookmarks/shortcut_import.h"

#include <string>

namespace vuv {

std::string_view cutAtTextEnd(std::string_view fileBytes) noexcept {
    const std::size_t end = fileBytes.find_first_of(std::string_view("\0\x1A", 2));
    return end == std::string_view::npos ? fileBytes : fileBytes.substr(0, end);
}

std::vector<ImportedLink> importBookmarkText(std::string_view converted, std::string_view raw) {
    const std::vector<AnchorMatch> anchors = findAnchors(converted);
    if (anchors.empty()) return importShortcutLines(raw);

    std::vector<ImportedLink> entries;
    entries.reserve(anchors.size());
    for (const AnchorMatch& a : anchors) entries.push_back(ImportedLink{std::string(a.name), std::string(a.address), {}});
    return entries;
}

}  // namespace vuv
