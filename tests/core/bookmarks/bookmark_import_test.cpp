#include "bookmarks/bookmark_import.h"

#include "common/gbk.h"
#include "launch/export.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using namespace vuv;
using namespace std::string_literals;
using Entries = std::vector<LaunchEntry>;
using Links = std::vector<ImportedLink>;

TEST(BookmarkImport, TextEndsAtFirstNulOrEofMark) {
    EXPECT_EQ(cutAtTextEnd("ab\x1A" "c\0d"s), "ab");
    EXPECT_EQ(cutAtTextEnd("ab\0c\x1A"s), "ab");
    EXPECT_EQ(cutAtTextEnd("abc"), "abc");
}

TEST(BookmarkImport, LinksWinOverLinesAndCarryNoConfiguration) {
    const std::string page = "<a href=\"u1\">One</a>\nu2|#|x|#|N.url|#|cfg\n<a href='u3'></a>\n";
    EXPECT_EQ(importBookmarkText(page, page), (Links{{"One", "u1", ""}, {"", "u3", ""}}));
}

TEST(BookmarkImport, WithoutLinksTheRawBytesAreReadAsLines) {
    // The raw bytes go on past the NUL that ended the converted text, and
    // are read without the conversion.
    const std::string raw = "u1\n\xDF\x5C\0u2\n"s;
    EXPECT_EQ(importBookmarkText("u1\n?", raw), (Links{{"", "u1", ""}, {"", "\xDF\x5C", ""}, {"", "u2", ""}}));
    EXPECT_TRUE(importBookmarkText("", "").empty());
}

// Entries an export can carry: no CR, LF, NUL or 0x1A anywhere, no "|#"
// that would join the separator after it, and names without "\" or ".url",
// so that the third piece gives the name back.
Entries generateEntries(std::size_t count) {
    static const char* const kNameParts[] = {
        "\xD0\xC2\xCE\xC5",  // 新闻
        "\xDF\x5C",          // 運, trail byte "\"
        "\x81\x7C",          // trail byte "|"
        "\xA1\xF6",          // ■
        "\xB0\xA1",          // 啊
        "Site", " ", "#", "|", ".ur", "a.u", "l", "url",
    };
    static const char* const kConfigs[] = {"", "", "D:\\cfg.ini", "C:\\\xDF\x5C\\\xD0\xC2.zni", "x|y"};
    std::mt19937 rng(42);
    auto pick = [&rng](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };

    Entries entries;
    for (std::size_t i = 0; i < count; ++i) {
        LaunchEntry e;
        do {
            e.name.clear();
            const std::size_t parts = pick(4);  // a quarter of the names are empty
            for (std::size_t k = 0; k < parts; ++k) e.name += kNameParts[pick(std::size(kNameParts))];
        } while (gbk::find(e.name, ".url") != gbk::npos || gbk::find(e.name, "|#") != gbk::npos);
        if (pick(20) != 0) e.address = "http://example.com/" + std::to_string(i) + "?q=" + kNameParts[pick(5)];
        e.config = kConfigs[pick(std::size(kConfigs))];
        entries.push_back(std::move(e));
    }
    return entries;
}

TEST(BookmarkImport, ExportedListImportsBackUnchanged) {
    const Entries entries = generateEntries(10000);
    const std::string file = exportLaunchEntries(entries);
    const std::vector<ImportedLink> back = importBookmarkText(cutAtTextEnd(file), file);
    ASSERT_EQ(back.size(), entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const LaunchEntry& e = entries[i];
        ASSERT_EQ(back[i], (ImportedLink{e.name, e.address, e.config})) << "entry " << i << " name " << e.name;
    }
}

}  // namespace
