#include "bookmarks/anchor_matcher.h"

#include "common/gbk.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

// How the backtracking search collapses to a few look-ups.
//
// Take a start s where "href=" matches and let i0 = s + 5. The engine tries,
// in this order: k = m..0 quotes for ['"]* (m = the quote run at i0), so
// group 1 starts at p = i0 + k; for each p, group 1 ends at a quote e with
// [p, e) free of white space, e tried from the right; for each e, group 2
// ends at a ">" f, trying the ">" in the LF-free stretch after e from the
// right (f >= e + 2, the ".+" branch) and then f = e + 1 (the empty branch);
// for each f, the tail (.[^\<]*)?\</A> is tried.
//
// 1. The tail depends on f alone. With group 3, "." takes f + 1 (not LF) and
//    [^\<]* stops at the first "<" at or after f + 2; giving back characters
//    cannot help because "</A>" must begin with "<". So the tail matches iff
//    (f + 1 is not LF and the first "<" from f + 2 starts "</A>") — group 3
//    taken — or "</A>" starts at f + 1 — group 3 skipped. Call such an f good.
// 2. For a quote e, both branches of group 2 together try every good f in
//    [e + 1, end of line) from the right. So e succeeds iff the last good ">"
//    of its line, G, lies at or after e + 1, and then f = G.
// 3. Every p lies in the white-space-free run that holds i0 (quotes are not
//    white space), which ends at r and lies within one line. Trying k from m
//    down and e from the right therefore finds the largest quote e in
//    [i0 + 1, min(r, G)), with k = min(m, e - 1 - i0): the first k whose
//    range [p + 1, r) reaches that e.
//
// The search for s itself only compares five bytes. So the whole match is:
// the next white space r, the line end, the last good ">" G of the line and
// the last quote before min(r, G). Each of these is a fact about the text,
// not about s; later starts ask for the same or later positions, so a small
// memo per look-up keeps every byte scanned a bounded number of times.

namespace vuv {

namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr std::string_view kHref = "href";  // the "=" is found separately
constexpr std::string_view kClose = "</a>";

constexpr bool isSpace(char c) noexcept { return c == ' ' || (c >= '\t' && c <= '\r'); }
constexpr bool isQuote(char c) noexcept { return c == '"' || c == '\''; }
constexpr char toLower(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool startsNoCase(std::string_view text, std::size_t at, std::string_view lowerWord) noexcept {
    if (at > text.size() || text.size() - at < lowerWord.size()) return false;
    for (std::size_t i = 0; i < lowerWord.size(); ++i) {
        if (toLower(text[at + i]) != lowerWord[i]) return false;
    }
    return true;
}

// Whether byte s starts a character when the text is read from its start.
// The byte before a run of lead-range bytes always ends a character, and
// within the run the bytes pair up, so only the run's length matters.
bool isCharBoundary(std::string_view text, std::size_t s) noexcept {
    std::size_t run = 0;
    while (run < s && gbk::isLeadByte(static_cast<unsigned char>(text[s - 1 - run]))) ++run;
    return run % 2 == 0;
}

// First position at or after a query that satisfies a byte test, remembered
// so that a rising sequence of queries scans every byte once.
class NextPosition {
public:
    template <typename Find>
    std::size_t at(std::size_t from, Find find) {
        if (from >= from_ && from <= found_) return found_;
        from_ = from;
        found_ = find(from);
        return found_;
    }

private:
    std::size_t from_ = npos;  // no answer yet
    std::size_t found_ = 0;
};

struct Tail {
    std::size_t gt = npos;  // the ">" closing group 2; npos when none
    bool hasName = false;
    std::size_t nameEnd = 0;  // group 3 is [gt + 1, nameEnd)
    std::size_t end = 0;      // just past "</A>"
};

class AnchorScanner {
public:
    explicit AnchorScanner(std::string_view text) : text_(text) {}

    bool matchAt(std::size_t s, AnchorMatch& out) {
        const std::size_t i0 = s + 5;
        const std::size_t runEnd = nextSpace(i0);
        if (runEnd < i0 + 2) return false;  // no room for group 1 and its quote
        const Tail tail = lastGoodGt(nextLineFeed(i0), i0 + 2);
        if (tail.gt == npos) return false;
        const std::size_t quote = lastQuote(std::min(runEnd, tail.gt), i0 + 1);
        if (quote == npos) return false;

        std::size_t p = i0;
        while (p + 1 < quote && isQuote(text_[p])) ++p;

        out.address = text_.substr(p, quote - p);
        out.hasName = tail.hasName;
        out.name = tail.hasName ? text_.substr(tail.gt + 1, tail.nameEnd - tail.gt - 1) : std::string_view();
        out.begin = s;
        out.end = tail.end;
        return true;
    }

private:
    // The first c in [from, to), or to.
    std::size_t find(char c, std::size_t from, std::size_t to) const noexcept {
        if (from >= to) return to;
        const void* hit = std::memchr(text_.data() + from, c, to - from);
        return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text_.data()) : to;
    }

    // The last c in [from, to), or to. Reads eight bytes at a time: a line
    // may be megabytes long with its last good ">" far from its end.
    std::size_t findLast(char c, std::size_t from, std::size_t to) const noexcept {
        constexpr std::uint64_t kOnes = 0x0101010101010101u;
        constexpr std::uint64_t kHighs = 0x8080808080808080u;
        const std::uint64_t pattern = kOnes * static_cast<unsigned char>(c);
        std::size_t i = to;
        while (i - from >= 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, text_.data() + i - 8, 8);
            const std::uint64_t x = word ^ pattern;
            if (((x - kOnes) & ~x & kHighs) != 0) break;  // some byte of the eight is c
            i -= 8;
        }
        while (i > from) {
            if (text_[--i] == c) return i;
        }
        return to;
    }

    std::size_t nextSpace(std::size_t from) {
        return spaces_.at(from, [this](std::size_t i) {
            while (i < text_.size() && !isSpace(text_[i])) ++i;
            return i;
        });
    }
    std::size_t nextLineFeed(std::size_t from) {
        return lineFeeds_.at(from, [this](std::size_t i) { return find('\n', i, text_.size()); });
    }
    std::size_t nextLess(std::size_t from) {
        return lessThans_.at(from, [this](std::size_t i) { return find('<', i, text_.size()); });
    }

    // The tail of the match when group 2 closes at the ">" at f, given the
    // first "<" at or after f + 2 (text size when none).
    bool tailAt(std::size_t f, std::size_t less, Tail& out) const noexcept {
        if (f + 1 < text_.size() && text_[f + 1] != '\n' && less < text_.size() && startsNoCase(text_, less, kClose)) {
            out = Tail{f, true, less, less + kClose.size()};
            return true;
        }
        if (startsNoCase(text_, f + 1, kClose)) {
            out = Tail{f, false, 0, f + 1 + kClose.size()};
            return true;
        }
        return false;
    }

    // The last good ">" in [lo, lineEnd), where lineEnd is a LF or the end.
    Tail lastGoodGt(std::size_t lineEnd, std::size_t lo) {
        if (lineEnd == gtLineEnd_ && lo >= gtFloor_) return gtTail_.gt != npos && gtTail_.gt >= lo ? gtTail_ : Tail{};

        Tail found;
        // less = the first "<" at or after lessFrom; lessFrom moves left as
        // the ">" are visited, so each byte is searched once.
        std::size_t lessFrom = std::min(lineEnd + 1, text_.size());
        std::size_t less = nextLess(lessFrom);
        for (std::size_t hi = lineEnd; hi > lo;) {
            const std::size_t f = findLast('>', lo, hi);
            if (f == hi) break;
            if (f + 2 < lessFrom) {
                const std::size_t hit = find('<', f + 2, lessFrom);
                if (hit < lessFrom) less = hit;
                lessFrom = f + 2;
            }
            if (tailAt(f, less, found)) break;
            hi = f;
        }
        gtLineEnd_ = lineEnd;
        gtFloor_ = lo;
        gtTail_ = found;
        return found;
    }

    // The last quote in [lo, limit), or npos.
    std::size_t lastQuote(std::size_t limit, std::size_t lo) {
        if (limit == quoteLimit_ && lo >= quoteFloor_) return quote_ != npos && quote_ >= lo ? quote_ : npos;
        std::size_t found = npos;
        for (std::size_t i = limit; i > lo;) {
            if (isQuote(text_[--i])) {
                found = i;
                break;
            }
        }
        quoteLimit_ = limit;
        quoteFloor_ = lo;
        quote_ = found;
        return found;
    }

    std::string_view text_;
    NextPosition spaces_;
    NextPosition lineFeeds_;
    NextPosition lessThans_;
    std::size_t gtLineEnd_ = npos;
    std::size_t gtFloor_ = 0;
    Tail gtTail_;
    std::size_t quoteLimit_ = npos;
    std::size_t quoteFloor_ = 0;
    std::size_t quote_ = npos;
};

}  // namespace

std::vector<AnchorMatch> findAnchors(std::string_view text) {
    std::vector<AnchorMatch> matches;
    AnchorScanner scanner(text);
    // Starts are found through the "=" of "href=", which is rarer than "h".
    std::size_t from = 0;
    while (text.size() - from > kHref.size()) {
        const void* hit = std::memchr(text.data() + from + kHref.size(), '=', text.size() - from - kHref.size());
        if (!hit) break;
        const std::size_t s = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) - kHref.size();
        AnchorMatch m;
        if (startsNoCase(text, s, kHref) && isCharBoundary(text, s) && scanner.matchAt(s, m)) {
            matches.push_back(m);
            from = m.end;
        } else {
            from = s + 1;
        }
    }
    return matches;
}

}  // namespace vuv
