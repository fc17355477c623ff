// A slow, obviously faithful matcher for the anchor pattern
//
//     \href=['"]*(\S+)["'](.+|)>(.[^\<]*)?\</A>   (IgnoreCase, Global)
//
// used to check findAnchors. It reads the text as GBK characters (a lead
// byte 0x81..0xFE takes the next byte with it) and backtracks with one nested
// loop per pattern element, in the order a Perl/ECMAScript engine explores:
// greedy counts from the longest down, the left alternative first, the
// optional group taken first. It may take cubic time; use it on small texts.
#pragma once

#include "common/gbk.h"

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace vuv::reference {

struct Match {
    std::size_t begin = 0, end = 0;                // byte offsets of the whole match
    std::size_t addressBegin = 0, addressEnd = 0;  // group 1
    bool hasName = false;
    std::size_t nameBegin = 0, nameEnd = 0;  // group 3 when hasName

    friend bool operator==(const Match& a, const Match& b) {
        return a.begin == b.begin && a.end == b.end && a.addressBegin == b.addressBegin &&
               a.addressEnd == b.addressEnd && a.hasName == b.hasName &&
               (!a.hasName || (a.nameBegin == b.nameBegin && a.nameEnd == b.nameEnd));
    }
};

class AnchorReference {
public:
    explicit AnchorReference(std::string_view text) : text_(text) {
        for (std::size_t i = 0; i < text.size(); i += gbk::charLength(text, i)) starts_.push_back(i);
        count_ = starts_.size();
        starts_.push_back(text.size());
    }

    std::vector<Match> all() const {
        std::vector<Match> out;
        std::size_t s = 0;
        while (s < count_) {
            if (auto m = matchAt(s)) {
                out.push_back(*m);
                s = charIndex(m->end);
            } else {
                ++s;
            }
        }
        return out;
    }

private:
    // Character j is the single byte c.
    bool is(std::size_t j, char c) const {
        return j < count_ && starts_[j + 1] - starts_[j] == 1 && text_[starts_[j]] == c;
    }
    bool isNoCase(std::size_t j, char lower) const {
        return is(j, lower) || (lower >= 'a' && lower <= 'z' && is(j, static_cast<char>(lower - 'a' + 'A')));
    }
    bool wordAt(std::size_t j, std::string_view lowerWord) const {
        for (std::size_t i = 0; i < lowerWord.size(); ++i) {
            if (!isNoCase(j + i, lowerWord[i])) return false;
        }
        return true;
    }
    bool isQuote(std::size_t j) const { return is(j, '"') || is(j, '\''); }
    bool isSpace(std::size_t j) const {
        return is(j, ' ') || is(j, '\t') || is(j, '\n') || is(j, '\v') || is(j, '\f') || is(j, '\r');
    }
    bool isDot(std::size_t j) const { return j < count_ && !is(j, '\n'); }
    bool isNotLess(std::size_t j) const { return j < count_ && !is(j, '<'); }
    std::size_t charIndex(std::size_t byte) const {
        std::size_t j = 0;
        while (starts_[j] < byte) ++j;
        return j;
    }
    template <typename Pred>
    std::size_t longestRun(std::size_t j, Pred pred) const {
        std::size_t n = 0;
        while (pred(j + n)) ++n;
        return n;
    }

    std::optional<Match> matchAt(std::size_t s) const {
        if (!wordAt(s, "href=")) return std::nullopt;
        const std::size_t i0 = s + 5;
        // ['"]*
        for (std::size_t k = longestRun(i0, [this](std::size_t j) { return isQuote(j); }) + 1; k-- > 0;) {
            const std::size_t p = i0 + k;
            // (\S+)
            const std::size_t r = longestRun(p, [this](std::size_t j) { return j < count_ && !isSpace(j); });
            for (std::size_t len1 = r; len1 >= 1; --len1) {
                const std::size_t e = p + len1;
                // ["']
                if (!isQuote(e)) continue;
                // (.+|): first ".+" from the longest, then the empty branch
                const std::size_t r2 = longestRun(e + 1, [this](std::size_t j) { return isDot(j); });
                std::vector<std::size_t> ends;
                for (std::size_t len2 = r2; len2 >= 1; --len2) ends.push_back(e + 1 + len2);
                ends.push_back(e + 1);
                for (const std::size_t f : ends) {
                    // >
                    if (!is(f, '>')) continue;
                    if (auto m = tail(s, p, e, f)) return m;
                }
            }
        }
        return std::nullopt;
    }

    // (.[^\<]*)?\</A> after the ">" at f.
    std::optional<Match> tail(std::size_t s, std::size_t p, std::size_t e, std::size_t f) const {
        Match m;
        m.begin = starts_[s];
        m.addressBegin = starts_[p];
        m.addressEnd = starts_[e];
        // group 3 taken: "." then [^\<]* from the longest
        if (isDot(f + 1)) {
            const std::size_t r3 = longestRun(f + 2, [this](std::size_t j) { return isNotLess(j); });
            for (std::size_t len3 = r3 + 1; len3-- > 0;) {
                const std::size_t g = f + 2 + len3;
                if (wordAt(g, "</a>")) {
                    m.hasName = true;
                    m.nameBegin = starts_[f + 1];
                    m.nameEnd = starts_[g];
                    m.end = starts_[g + 4];
                    return m;
                }
            }
        }
        // group 3 skipped
        if (wordAt(f + 1, "</a>")) {
            m.end = starts_[f + 5];
            return m;
        }
        return std::nullopt;
    }

    std::string_view text_;
    std::vector<std::size_t> starts_;  // byte offset of every character, then the text size
    std::size_t count_ = 0;            // number of characters
};

inline std::vector<Match> referenceAnchors(std::string_view text) { return AnchorReference(text).all(); }

}  // namespace vuv::reference
