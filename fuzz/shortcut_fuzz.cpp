// Fuzz target: the shortcut-line reader and the file import decision on any
// bytes. Fields never hold a line end, names never hold a "\" at a character
// boundary, and there are never more entries than lines.
#include "bookmarks/bookmark_import.h"
#include "bookmarks/shortcut_import.h"
#include "common/gbk.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void require(bool ok) {
    if (!ok) std::abort();
}

bool holdsLineEnd(std::string_view s) { return s.find_first_of(std::string_view("\n\0\x1A", 3)) != std::string_view::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view raw(reinterpret_cast<const char*>(data), size);
    std::size_t lines = 1;
    for (const char c : raw) lines += c == '\n' || c == '\0' || c == '\x1A';

    const std::vector<vuv::ImportedLink> entries = vuv::importShortcutLines(raw);
    require(entries.size() <= lines);
    for (const vuv::ImportedLink& e : entries) {
        require(!holdsLineEnd(e.name) && !holdsLineEnd(e.address) && !holdsLineEnd(e.config));
        require(vuv::gbk::findLast(e.name, '\\') == vuv::gbk::npos);
    }

    const std::vector<vuv::ImportedLink> imported = vuv::importBookmarkText(vuv::cutAtTextEnd(raw), raw);
    require(imported.size() <= raw.size());
    return 0;
}
