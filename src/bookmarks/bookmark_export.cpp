#include "bookmarks/bookmark_export.h"

#include "common/texts.h"

namespace vuv {

namespace {
constexpr std::string_view kLineEnd = "\r\n";
}  // namespace

std::string exportBookmarks(const BookmarkTable& table) {
    const std::size_t fixedPerLine = 3 * text::kExportSeparator.size() + kLineEnd.size();
    std::size_t total = 0;
    for (std::size_t row = 0; row < table.size(); ++row) total += fixedPerLine + table.at(row).address.size();

    std::string out;
    out.reserve(total);
    for (std::size_t row = 0; row < table.size(); ++row) {
        out.append(table.at(row).address);
        for (int piece = 0; piece < 3; ++piece) out.append(text::kExportSeparator);
        out.append(kLineEnd);
    }
    return out;
}

}  // namespace vuv
