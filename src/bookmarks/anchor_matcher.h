// Finder of HTML link elements in GBK text.
//
// Gives exactly the matches of the regular expression
//
//     \href=['"]*(\S+)["'](.+|)>(.[^\<]*)?\</A>
//
// run with IgnoreCase, Multiline and Global by a backtracking engine of the
// Perl/ECMAScript family: leftmost match, greedy quantifiers tried longest
// first, the left alternative first, the optional group tried first, and each
// search starting where the previous match ended. (Multiline changes nothing:
// the pattern has no "^" or "$".)
//
// Character classes as this matcher reads them:
//   "."      any character except LF (CR is matched);
//   [^\<]    any character except "<", LF included, so a link text may span
//            lines;
//   \S       any character except space, TAB, LF, VT, FF and CR. Only these
//            ASCII blanks count as white space: a full-width blank (A1 A1) or
//            any other double-byte character belongs to an address;
//   "href=" and "</A>" compare ASCII letters without regard to case.
//
// The text is GBK. A match starts only at a character boundary (a trail byte
// can be an "h"); past its first byte the match is made byte by byte, which
// gives the same result as matching characters because no GBK trail byte
// (0x40 or above) is a quote, "<", ">", LF or white space.
//
// The time is linear in the size of the text: no backtracking is done
// position by position, whatever the number of quotes, ">" or lines.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace vuv {

struct AnchorMatch {
    std::string_view address;  // group 1
    std::string_view name;     // group 3; empty when it did not take part
    bool hasName = false;      // whether group 3 took part in the match
    std::size_t begin = 0;     // byte offset of the "h" of "href="
    std::size_t end = 0;       // byte offset just past the closing "</A>"
};

// Every match in document order; the views point into text.
[[nodiscard]] std::vector<AnchorMatch> findAnchors(std::string_view text);

}  // namespace vuv
