#include "common/gbk.h"

#include <gtest/gtest.h>

namespace {

using namespace vuv;

// 運 is DF 5C: its trail byte is a backslash; 81 7C is a character whose
// trail byte is "|". Both are built from raw bytes.
const std::string kTrailBackslash = "\xDF\x5C";  // 運
const std::string kTrailBar = "\x81\x7C";        // a GBK character whose trail byte is "|"

TEST(Gbk, CharLengthStepsOverDoubleByteCharacters) {
    const std::string s = "a" + kTrailBackslash + "\x81";
    EXPECT_EQ(gbk::charLength(s, 0), 1u);
    EXPECT_EQ(gbk::charLength(s, 1), 2u);
    EXPECT_EQ(gbk::charLength(s, 3), 1u) << "a lead byte at the end stands alone";
}

TEST(Gbk, FindIgnoresMatchesInsideCharacters) {
    const std::string s = kTrailBackslash + "x\\y";
    EXPECT_EQ(gbk::find(s, "\\"), 3u);
    EXPECT_EQ(gbk::findLast(s, '\\'), 3u);
    EXPECT_EQ(gbk::findLast(kTrailBackslash, '\\'), gbk::npos);
    // "■" (A1 F6) straddling a boundary: B0 A1 is one character, F6 A1 another.
    const std::string straddle = "\xB0\xA1\xF6\xA1";
    EXPECT_EQ(gbk::find(straddle, "\xA1\xF6"), gbk::npos);
    EXPECT_EQ(gbk::find("x\xA1\xF6y", "\xA1\xF6"), 1u);
}

TEST(Gbk, SplitKeepsEmptyPiecesAndRespectsBoundaries) {
    const std::string text = "a|#||#|b" + kTrailBar + "#|c";
    const auto pieces = gbk::split(text, "|#|");
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[0], "a");
    EXPECT_EQ(pieces[1], "");
    EXPECT_EQ(pieces[2], "b" + kTrailBar + "#|c");
    EXPECT_EQ(gbk::split("", "|#|").size(), 1u);
}

TEST(Gbk, RemoveAndReplaceWorkOnCharacterBoundariesOnly) {
    EXPECT_EQ(gbk::removeAll("vuv|||avuv|||b", "vuv|||"), "ab");
    EXPECT_EQ(gbk::removeAll("\x81vuv|||", "vuv|||"), "\x81vuv|||") << "v is the trail byte of 81 76";
    EXPECT_EQ(gbk::replaceAll("C:\\lxbr.exe lxbr.exe", "lxbr.exe", "yxsj.ini"), "C:\\yxsj.ini yxsj.ini");
    EXPECT_EQ(gbk::replaceAll("abc", "", "x"), "abc");
}

}  // namespace
