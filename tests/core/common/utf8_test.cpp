#include "common/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace vuv;

TEST(Utf8, TellsUtf8TextFromGbkAndAscii) {
    const struct {
        const char* name;
        std::string bytes;
        bool utf8;
    } cases[] = {
        {"empty", "", false},
        {"BOM only", "\xEF\xBB\xBF", true},
        {"BOM then GBK", "\xEF\xBB\xBF\xD6\xD0\xCE\xC4", true},
        {"ASCII", "http://a.example/\r\n", false},
        {"GBK 中文", "\xD6\xD0\xCE\xC4", false},
        {"GBK 你 reads as two-byte UTF-8", "\xC4\xE3", false},
        {"UTF-8 中文", "\xE4\xB8\xAD\xE6\x96\x87", true},
        {"UTF-8 after ASCII longer than a word", "0123456789abcdef\xE4\xB8\xAD", true},
        {"two-byte-only UTF-8 é", "caf\xC3\xA9", false},
        {"4-byte U+1F600", "\xF0\x9F\x98\x80", true},
        {"largest U+10FFFF", "\xF4\x8F\xBF\xBF", true},
        {"above U+10FFFF", "\xF4\x90\x80\x80", false},
        {"F5 lead", "\xF5\x80\x80\x80", false},
        {"overlong 3-byte slash", "\xE0\x80\xAF", false},
        {"overlong 2-byte", "\xC0\xAF\xE4\xB8\xAD", false},
        {"overlong 4-byte", "\xF0\x8F\xBF\xBF", false},
        {"smallest 3-byte U+0800", "\xE0\xA0\x80", true},
        {"surrogate U+D800", "\xED\xA0\x80", false},
        {"last before surrogates U+D7FF", "\xED\x9F\xBF", true},
        {"truncated at end", "\xE4\xB8\xAD\xE6\x96", false},
        {"truncated 4-byte at end", "\xE4\xB8\xAD\xF0\x9F\x98", false},
        {"lone continuation", "\xE4\xB8\xAD\x80", false},
        {"valid then GBK", "\xE4\xB8\xAD\xD6\xD0\xCE\xC4", false},
        {"NUL is ASCII", std::string("\xE4\xB8\xAD\0", 4), true},
    };
    for (const auto& c : cases) EXPECT_EQ(isUtf8Text(c.bytes), c.utf8) << c.name;
}

TEST(Utf8, ChecksEveryPositionOfALongText) {
    // A fault at any offset must be seen, whether it falls in a word-sized
    // ASCII run or in its tail.
    for (std::size_t at = 0; at <= 40; ++at) {
        std::string text(40, 'a');
        text += "\xE4\xB8\xAD";
        EXPECT_TRUE(isUtf8Text(text)) << at;
        text.insert(at, "\xFF");
        EXPECT_FALSE(isUtf8Text(text)) << at;
    }
}

TEST(Utf8, RemovesOneLeadingBom) {
    EXPECT_EQ(withoutUtf8Bom("\xEF\xBB\xBFx"), "x");
    EXPECT_EQ(withoutUtf8Bom("\xEF\xBB\xBF\xEF\xBB\xBF"), "\xEF\xBB\xBF");
    EXPECT_EQ(withoutUtf8Bom("\xEF\xBB"), "\xEF\xBB");
    EXPECT_EQ(withoutUtf8Bom("x\xEF\xBB\xBF"), "x\xEF\xBB\xBF");
}

}  // namespace
