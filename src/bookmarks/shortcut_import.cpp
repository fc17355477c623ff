#include "bookmarks/shortcut_import.h"

#include "common/gbk.h"
#include "common/texts.h"

namespace vuv {

namespace {

constexpr bool isLineEnd(char c) noexcept { return c == '\n' || c == '\0' || c == '\x1A'; }

}  // namespace

std::string shortcutBaseName(std::string_view piece) {
    const std::size_t slash = gbk::findLast(piece, '\\');
    if (slash != gbk::npos) piece.remove_prefix(slash + 1);
    return gbk::removeAll(piece, text::kUrlSuffix);
}

std::vector<ImportedLink> importShortcutLines(std::string_view fileBytes) {
    std::vector<ImportedLink> entries;
    std::string name;
    std::string config;

    std::size_t start = 0;
    while (start < fileBytes.size()) {
        std::size_t end = start;
        while (end < fileBytes.size() && !isLineEnd(fileBytes[end])) ++end;
        std::string_view line = fileBytes.substr(start, end - start);
        start = end + 1;

        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;

        const std::vector<std::string_view> pieces = gbk::split(line, text::kExportSeparator);
        const std::size_t n = pieces.size();
        if (n >= 4) config.assign(pieces[3]);
        if (n >= 3) name = shortcutBaseName(pieces[2]);

        const bool append = n == 1 || n >= 4 || !name.empty();
        if (append) entries.push_back(ImportedLink{name, std::string(pieces[0]), config});
    }
    return entries;
}

}  // namespace vuv
