#include "common/gbk.h"

namespace vuv::gbk {

std::size_t find(std::string_view hay, std::string_view needle, std::size_t from) noexcept {
    if (needle.empty()) return from <= hay.size() ? from : npos;
    const char first = needle.front();
    for (std::size_t i = from; i < hay.size(); i += charLength(hay, i)) {
        if (hay[i] == first && hay.compare(i, needle.size(), needle) == 0) return i;
    }
    return npos;
}

std::size_t findLast(std::string_view hay, char c) noexcept {
    std::size_t found = npos;
    for (std::size_t i = 0; i < hay.size(); i += charLength(hay, i)) {
        if (hay[i] == c) found = i;
    }
    return found;
}

std::vector<std::string_view> split(std::string_view s, std::string_view sep) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (std::size_t at = find(s, sep, 0); at != npos; at = find(s, sep, start)) {
        pieces.push_back(s.substr(start, at - start));
        start = at + sep.size();
    }
    pieces.push_back(s.substr(start));
    return pieces;
}

std::string replaceAll(std::string_view s, std::string_view what, std::string_view with) {
    std::string out;
    out.reserve(s.size());
    std::size_t start = 0;
    if (!what.empty()) {
        for (std::size_t at = find(s, what, 0); at != npos; at = find(s, what, start)) {
            out.append(s.substr(start, at - start));
            out.append(with);
            start = at + what.size();
        }
    }
    out.append(s.substr(start));
    return out;
}

std::string removeAll(std::string_view s, std::string_view what) { return replaceAll(s, what, {}); }

}  // namespace vuv::gbk
