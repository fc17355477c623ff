#include "bookmarks/shortcut_import.h"

#include <gtest/gtest.h>

namespace {

using vuv::importShortcutLines;
using vuv::ImportedLink;
using vuv::shortcutBaseName;
using Entries = std::vector<ImportedLink>;
using namespace std::string_literals;

const std::string kYun = "\xDF\x5C";  // 運: its trail byte is "\"
const std::string kBar = "\x81\x7C";  // a character whose trail byte is "|"

TEST(ShortcutImport, LinesEndAtLineFeedNulOrEofMarkAndLoseOneCarriageReturn) {
    const std::string file = "a\r\n\r\nb\n\nc\0d\x1A" "e\r\r\nf\r"s;
    EXPECT_EQ(importShortcutLines(file),
              (Entries{{"", "a", ""}, {"", "b", ""}, {"", "c", ""}, {"", "d", ""}, {"", "e\r", ""}, {"", "f", ""}}));
    EXPECT_TRUE(importShortcutLines("").empty());
    EXPECT_TRUE(importShortcutLines("\r\n\0\x1A\n"s).empty());
}

TEST(ShortcutImport, NameAndConfigurationCarryOverBetweenLines) {
    EXPECT_EQ(importShortcutLines("u1|#|x|#|C:\\fav\\Site.url|#|D:\\cfg.ini\r\nu2\r\n"),
              (Entries{{"Site", "u1", "D:\\cfg.ini"}, {"Site", "u2", "D:\\cfg.ini"}}));
    // A three-piece line sets the name and keeps the earlier configuration.
    EXPECT_EQ(importShortcutLines("u1|#||#|A.url|#|cfg|#|ignored\nu2|#||#|B.url\n"),
              (Entries{{"A", "u1", "cfg"}, {"B", "u2", "cfg"}}));
}

TEST(ShortcutImport, LinesWithoutNameAreSkippedExceptBareAndFourPieceLines) {
    // Two pieces at the start: no name yet, skipped; after a named line, imported.
    EXPECT_EQ(importShortcutLines("u1|#|x\nu2|#||#|N.url\nu3|#|x\n"),
              (Entries{{"N", "u2", ""}, {"N", "u3", ""}}));
    // A three-piece line whose name comes out empty is skipped and clears the name.
    EXPECT_EQ(importShortcutLines("u1|#||#|N.url\nu2|#||#|\\.url\nu3|#|x\nu4\n"),
              (Entries{{"N", "u1", ""}, {"", "u4", ""}}));
    // A four-piece line is appended even with an empty name.
    EXPECT_EQ(importShortcutLines("u1|#||#|\\.url|#|c\n"), (Entries{{"", "u1", "c"}}));
}

TEST(ShortcutImport, SeparatorsAndBackslashesCountOnlyAtCharacterBoundaries) {
    EXPECT_EQ(importShortcutLines("a" + kBar + "#|b\n"), (Entries{{"", "a" + kBar + "#|b", ""}}));
    EXPECT_EQ(importShortcutLines("u|#||#|C:\\" + kYun + ".url|#|\n"), (Entries{{kYun, "u", ""}}));
}

TEST(ShortcutImport, BaseNameIsTheLastPathPartWithoutUrlSuffixes) {
    EXPECT_EQ(shortcutBaseName("Site.url"), "Site");
    EXPECT_EQ(shortcutBaseName("C:\\a\\b.url.url"), "b");
    EXPECT_EQ(shortcutBaseName("C:\\a\\b.URL"), "b.URL");
    EXPECT_EQ(shortcutBaseName("C:\\a\\"), "");
    EXPECT_EQ(shortcutBaseName(kYun + "x"), kYun + "x");
    EXPECT_EQ(shortcutBaseName("\\" + kYun + "\\" + kYun + ".url"), kYun);
}

}  // namespace
