#include "bookmarks/anchor_matcher.h"

#include "core/bookmarks/anchor_reference.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

using namespace vuv;
using reference::Match;

Match offsets(std::string_view text, const AnchorMatch& a) {
    Match m;
    m.begin = a.begin;
    m.end = a.end;
    m.addressBegin = static_cast<std::size_t>(a.address.data() - text.data());
    m.addressEnd = m.addressBegin + a.address.size();
    m.hasName = a.hasName;
    if (a.hasName) {
        m.nameBegin = static_cast<std::size_t>(a.name.data() - text.data());
        m.nameEnd = m.nameBegin + a.name.size();
    }
    return m;
}

std::string describe(const std::vector<Match>& ms) {
    std::string s;
    for (const Match& m : ms) {
        s += "[" + std::to_string(m.begin) + "," + std::to_string(m.end) + ") addr [" + std::to_string(m.addressBegin) +
             "," + std::to_string(m.addressEnd) + ")";
        s += m.hasName ? " name [" + std::to_string(m.nameBegin) + "," + std::to_string(m.nameEnd) + ")\n" : " no name\n";
    }
    return s;
}

std::string escaped(std::string_view text) {
    std::string s;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F) {
            s += c;
        } else {
            static const char* hex = "0123456789ABCDEF";
            s += "\\x";
            s += hex[u >> 4];
            s += hex[u & 15];
        }
    }
    return s;
}

// Compares findAnchors with the reference on one text; returns the matches.
std::vector<Match> expectSameAsReference(std::string_view text) {
    const std::vector<Match> expected = reference::referenceAnchors(text);
    std::vector<Match> actual;
    for (const AnchorMatch& a : findAnchors(text)) actual.push_back(offsets(text, a));
    EXPECT_EQ(actual, expected) << "text: \"" << escaped(text) << "\"\nexpected:\n"
                                << describe(expected) << "actual:\n"
                                << describe(actual);
    return expected;
}

struct Expected {
    std::string_view address;
    std::string_view name;
    bool hasName;
};

void expectAnchors(std::string_view text, const std::vector<Expected>& want, bool withReference = true) {
    const std::vector<AnchorMatch> got = findAnchors(text);
    ASSERT_EQ(got.size(), want.size()) << escaped(text);
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].address, want[i].address) << escaped(text);
        EXPECT_EQ(got[i].hasName, want[i].hasName) << escaped(text);
        EXPECT_EQ(got[i].name, want[i].name) << escaped(text);
    }
    if (withReference) expectSameAsReference(text);
}

TEST(AnchorMatcher, NetscapeBookmarkLinesGiveOneMatchEach) {
    const std::string icon(6000, 'Q');
    const std::string file = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n<DL><p>\r\n"
                             "    <DT><H3 ADD_DATE=\"1\">Folder</H3>\r\n"
                             "    <DT><A HREF=\"http://x/\" ADD_DATE=\"1\" ICON=\"data:image/png;base64," +
                             icon + "==\">Name</A>\r\n" +
                             "    <DT><a href=\"http://y/?a=1&b=2\" add_date=\"2\">\xD0\xC2\xCE\xC5</a>\r\n</DL><p>\r\n";
    expectAnchors(file, {{"http://x/", "Name", true}, {"http://y/?a=1&b=2", "\xD0\xC2\xCE\xC5", true}});
    const std::vector<AnchorMatch> got = findAnchors(file);
    EXPECT_EQ(file.substr(got[0].begin, 5), "HREF=");
    EXPECT_EQ(file.substr(got[0].end - 4, 4), "</A>");
}

TEST(AnchorMatcher, LettersCaseQuotesAndLineBreaks) {
    expectAnchors("<a Href='u1'>Name</A>", {{"u1", "Name", true}});
    expectAnchors("<A hReF=\"u1\">Name</a>", {{"u1", "Name", true}});
    expectAnchors("<a href=u1\">Name</a>", {{"u1", "Name", true}});
    // A link text spans lines; CR stays in it.
    expectAnchors("<A HREF=\"u1\">Line\r\nTwo</A>\r\n", {{"u1", "Line\r\nTwo", true}});
    // An element with no text: group 3 does not take part.
    expectAnchors("<a href=\"u1\"></a>", {{"u1", "", false}});
    // Group 2 reaches the last ">" that a closing tag follows.
    expectAnchors("<a href=\"u1\"></a>x</a>", {{"u1", "x", true}});
    // The first character of the link text may be a "<".
    expectAnchors("<a href=\"u1\"><</a>", {{"u1", "<", true}});
    // Without a closing tag the element is skipped; the next one is found.
    expectAnchors("<a href=\"u1\">One\n<a href=\"u2\">Two</a>", {{"u2", "Two", true}});
    // The ">" must be on the quote's line.
    expectAnchors("<a href=\"u1\"\n>Name</a>", {});
    // An empty attribute: the address becomes the first quote.
    expectAnchors("<a href=\"\" title=\"t\">x</a>", {{"\"", "x", true}});
}

TEST(AnchorMatcher, GreedyGroupTwoJoinsElementsOnOneLine) {
    // Group 2 runs to the last usable ">" of the line, so two links on one
    // line give one match: the first address with the last link text.
    expectAnchors("<a href=\"u1\">One</a> <a href=\"u2\">Two</a>\n<a href=\"u3\">Three</a>",
                  {{"u1", "Two", true}, {"u3", "Three", true}});
}

TEST(AnchorMatcher, StartsOnlyAtCharacterBoundaries) {
    // 81 68 is one character whose trail byte is "h".
    expectAnchors("\x81href=\"u1\">n</a>", {});
    expectAnchors("\x81\x81href=\"u1\">n</a>", {{"u1", "n", true}});
    expectAnchors("\xB0\xA1href=\"\xDF\x5C\">\xA1\xF6</a>", {{"\xDF\x5C", "\xA1\xF6", true}});
    // A full-width blank is not white space: it stays in the address.
    expectAnchors("href=\"a\xA1\xA1" "b\">n</a>", {{"a\xA1\xA1" "b", "n", true}});
}

TEST(AnchorMatcher, TrapsFinishAndMatchAsBacktrackingWould) {
    // Inputs that take quadratic time or deep recursion in a naive engine
    // (too big for the reference, whose answers follow from the small cases).
    const std::size_t big = 200000;
    const std::string quotes = "href=" + std::string(big, '"');
    EXPECT_TRUE(findAnchors(quotes).empty());
    // ['"]* gives back quotes until one is left for group 1 and one after it.
    expectAnchors(quotes + ">n</a>", {{"\"", "n", true}}, false);
    expectAnchors(quotes + "u\">n</a>", {{"u", "n", true}}, false);
    EXPECT_TRUE(findAnchors(std::string(big, '>') + "href=\"u\"" + std::string(big, '>')).empty());

    std::string repeated;
    for (std::size_t i = 0; i < big / 8; ++i) repeated += "href=\"u\"";
    EXPECT_TRUE(findAnchors(repeated + ">").empty());
    const std::vector<AnchorMatch> one = findAnchors(repeated + ">n</a>");
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].begin, 0u);

    std::string lines;  // every start reads the link text up to the very end
    for (std::size_t i = 0; i < big / 8; ++i) lines += "href='u'>a\n";
    EXPECT_TRUE(findAnchors(lines + "<b>").empty());
    EXPECT_EQ(findAnchors(lines + "</a>").size(), 1u);

    std::string opens;  // many ">" each followed by an unclosed text
    for (std::size_t i = 0; i < big / 4; ++i) opens += "><b";
    EXPECT_TRUE(findAnchors("href='u'" + opens).empty());
}

// The differential test: texts compared match by match with the reference.
// Half are random runs of pieces that exercise every choice point of the
// pattern; half are element-shaped, each part drawn from a pool that mixes
// the usual form with its traps.
class TextGenerator {
public:
    explicit TextGenerator(unsigned seed) : rng_(seed) {}

    std::string next(std::size_t maxPieces) { return pick(2) == 0 ? pieces(maxPieces) : elements(1 + maxPieces / 12); }

private:
    std::size_t pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_); }
    template <std::size_t N>
    const char* pickFrom(const char* const (&pool)[N]) {
        return pool[pick(N)];
    }

    std::string pieces(std::size_t maxPieces) {
        static const char* const kPieces[] = {
            "href=", "HREF=", "hReF=", "href=", "\"", "\"", "'", "'", "\"\"", " ", "\t", "\v", "\f", "<", ">", ">",
            "\r", "\n", "\r\n", "</a>", "</A>", "</a>", "a", "x", "h", "=", "/", "<a ", "\">", "'>", "\n</a>",
            "\x81\x68",   // trail byte "h"
            "\x81href=",  // the "h" is the trail of 81 68
            "\xB0\xA1",   // 啊
            "\xDF\x5C",   // 運, trail byte "\\"
            "\x81\x7C",   // trail byte "|"
            "\xA1\xA1",   // full-width blank
        };
        std::string text;
        for (std::size_t n = 1 + pick(maxPieces); n > 0; --n) text += pickFrom(kPieces);
        return text;
    }

    std::string elements(std::size_t count) {
        static const char* const kBefore[] = {"", "", "<a ", "<DT><A ", "\n", "x", "\x81", "\xB0\xA1", ">", "'"};
        static const char* const kHref[] = {"href=", "HREF=", "Href=", "href="};
        static const char* const kQuotes[] = {"\"", "\"", "'", "", "\"\"", "'\"", "\"'\""};
        static const char* const kAddress[] = {"u", "http://x/", "a\"b", "a'", "\xDF\x5C", "a>b", "", "\"", "a\tb", "u\"x"};
        static const char* const kClose[] = {"\"", "'", "\"", "", "\"\"", "\">", "'\""};
        static const char* const kAttrs[] = {"", "", " add_date=\"1\"", " x='y' ", "\r", ">", " > ", "\n", "\"", "a"};
        static const char* const kGt[] = {">", ">", ">", "", ">>"};
        static const char* const kName[] = {"Name", "", "", "<", "a\r\nb", "\xA1\xF6", ">", "x<b>y", "\n", "\"", "<a"};
        static const char* const kEnd[] = {"</a>", "</A>", "</a>", "", "</b>", "<", "</a", "</a>\"", "</a>>"};
        static const char* const kAfter[] = {"", "\r\n", "\n", " ", "\"", "'", ">", "</a>", "x"};
        std::string text;
        for (std::size_t i = 0; i < count; ++i) {
            text += pickFrom(kBefore);
            text += pickFrom(kHref);
            text += pickFrom(kQuotes);
            text += pickFrom(kAddress);
            text += pickFrom(kClose);
            text += pickFrom(kAttrs);
            text += pickFrom(kGt);
            text += pickFrom(kName);
            text += pickFrom(kEnd);
            text += pickFrom(kAfter);
        }
        return text;
    }

    std::mt19937 rng_;
};

TEST(AnchorMatcher, AgreesWithBacktrackingReferenceOnGeneratedTexts) {
    TextGenerator gen(20240601);
    std::size_t withMatch = 0, twoOrMore = 0, withoutName = 0, quotedAddress = 0, nameOverLines = 0;
    constexpr std::size_t kCases = 150000;
    for (std::size_t i = 0; i < kCases; ++i) {
        const std::string text = gen.next(i % 10 == 0 ? 60 : 24);
        const std::vector<Match> ms = expectSameAsReference(text);
        if (HasFailure()) return;
        withMatch += !ms.empty();
        twoOrMore += ms.size() >= 2;
        for (const Match& m : ms) {
            withoutName += !m.hasName;
            quotedAddress += text[m.addressBegin] == '"' || text[m.addressBegin] == '\'';
            nameOverLines += m.hasName && text.substr(m.nameBegin, m.nameEnd - m.nameBegin).find('\n') != std::string::npos;
        }
    }
    // The generator must keep reaching the interesting outcomes.
    EXPECT_GT(withMatch, kCases / 5);
    EXPECT_GT(twoOrMore, 1000u);
    EXPECT_GT(withoutName, 1000u);
    EXPECT_GT(quotedAddress, 1000u);
    EXPECT_GT(nameOverLines, 1000u);
}

TEST(AnchorMatcher, AgreesWithReferenceOnLongerTexts) {
    TextGenerator gen(7);
    for (int i = 0; i < 2000 && !HasFailure(); ++i) expectSameAsReference(gen.next(400));
}

}  // namespace
