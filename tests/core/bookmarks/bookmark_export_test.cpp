#include "bookmarks/bookmark_export.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bookmarks/shortcut_import.h"

namespace {

using namespace vuv;
using Seq = std::vector<std::string>;

BookmarkTable tableOf(const Seq& addresses) {
    BookmarkTable t;
    t.appendAll(addresses);
    return t;
}

TEST(BookmarkExport, WritesEachAddressWithThreeEmptyPieces) {
    EXPECT_EQ(exportBookmarks(tableOf({"http://a/", ""})), "http://a/|#||#||#|\r\n|#||#||#|\r\n");
    EXPECT_EQ(exportBookmarks(BookmarkTable()), "");
}

TEST(BookmarkExport, ReadsBackThroughTheShortcutImporter) {
    const std::string news = "\xD0\xC2\xCE\xC5";  // 新闻
    const std::string bar = "\x81\x7C";           // a character whose trail byte is "|"
    const Seq cases[] = {
        {""},
        {"", "", "http://a/", "http://a/", ""},
        {"http://" + news + "/", "a" + bar + "#|b", bar},
        {"a\rb", "c\r", " spaced ", "C:\\dir\\x.url"},
    };
    for (const Seq& addresses : cases) {
        BookmarkTable t = tableOf(addresses);
        (void)t.next(false, 1, 0);  // states are not exported and do not matter
        Seq back;
        for (const ImportedLink& e : importShortcutLines(exportBookmarks(t))) back.push_back(e.address);
        EXPECT_EQ(back, addresses);
    }
}

}  // namespace
