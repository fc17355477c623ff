#include "common/ini.h"

#include "common/gbk.h"

namespace vuv::ini {

namespace {

constexpr std::string_view kLineBreak = "\r\n";

[[nodiscard]] constexpr bool isBlank(char c) noexcept { return c == ' ' || c == '\t'; }
[[nodiscard]] constexpr bool isBreak(char c) noexcept { return c == '\r' || c == '\n'; }

// One line of the text: its content is [begin, end); the next line starts at
// next, after the line's terminator (next == end for the last line when the
// text does not end with a line break). CR and LF are never trail bytes of a
// GBK character, so lines are cut on raw bytes; this also keeps a stray lead
// byte at the end of a line from swallowing the line break.
struct Line {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t next = 0;
};

[[nodiscard]] Line lineAt(std::string_view text, std::size_t begin) noexcept {
    Line line{begin, begin, begin};
    while (line.end < text.size() && !isBreak(text[line.end])) ++line.end;
    line.next = line.end;
    if (line.next < text.size() && text[line.next] == '\r') ++line.next;
    if (line.next < text.size() && text[line.next] == '\n') ++line.next;
    return line;
}

// Removes leading and trailing blanks. Trailing blanks are taken only where
// they are characters of their own: an unpaired lead byte followed by a blank
// forms one character with it, as everywhere else in the GBK helpers.
[[nodiscard]] std::string_view trim(std::string_view s) noexcept {
    std::size_t first = 0;
    while (first < s.size() && isBlank(s[first])) ++first;
    s.remove_prefix(first);
    std::size_t keep = 0;
    for (std::size_t i = 0; i < s.size(); i += gbk::charLength(s, i)) {
        if (!isBlank(s[i])) keep = i + gbk::charLength(s, i);
    }
    return s.substr(0, keep);
}

[[nodiscard]] constexpr char foldAscii(char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Byte-wise equality that ignores the case of ASCII letters standing as
// characters of their own; both bytes of a double-byte character must match
// exactly (its trail byte may look like a letter).
[[nodiscard]] bool sameName(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size();) {
        const std::size_t length = gbk::charLength(a, i);
        if (length == 2) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
        } else if (foldAscii(a[i]) != foldAscii(b[i])) {
            return false;
        }
        i += length;
    }
    return true;
}

enum class Kind { Blank, Comment, Section, Entry, Other };

struct Parsed {
    Kind kind = Kind::Other;
    std::string_view name;   // section name or key, trimmed
    std::string_view value;  // raw text after '=' (entries only)
};

[[nodiscard]] Parsed parse(std::string_view line) noexcept {
    std::size_t start = 0;
    while (start < line.size() && isBlank(line[start])) ++start;
    if (start == line.size()) return {Kind::Blank, {}, {}};
    if (line[start] == ';') return {Kind::Comment, {}, {}};
    if (line[start] == '[') {
        const std::size_t open = start + 1;
        const std::size_t close = gbk::find(line, "]", open);
        const std::size_t length = close == gbk::npos ? gbk::npos : close - open;
        return {Kind::Section, trim(line.substr(open, length)), {}};
    }
    const std::size_t equals = gbk::find(line, "=", start);
    if (equals == gbk::npos) return {Kind::Other, {}, {}};
    return {Kind::Entry, trim(line.substr(start, equals - start)), line.substr(equals + 1)};
}

// Where a section and one of its entries lie in the text.
struct Location {
    std::optional<Line> header;  // the first section of the name
    std::optional<Line> entry;   // the first entry of the key in it
    std::size_t contentEnd = 0;  // `next` of the section's last non-blank line
    bool contentEndsLine = true;  // whether that line has a terminator
};

[[nodiscard]] Location locate(std::string_view text, std::string_view section, std::string_view key) noexcept {
    Location where;
    for (std::size_t at = 0; at < text.size();) {
        const Line line = lineAt(text, at);
        at = line.next;
        const Parsed parsed = parse(text.substr(line.begin, line.end - line.begin));
        if (parsed.kind == Kind::Section) {
            if (where.header) break;  // the section ends at the next header
            if (!sameName(parsed.name, section)) continue;
            where.header = line;
        } else if (!where.header || parsed.kind == Kind::Blank) {
            continue;
        } else if (parsed.kind == Kind::Entry && sameName(parsed.name, key)) {
            where.entry = line;
            break;
        }
        where.contentEnd = line.next;
        where.contentEndsLine = line.next != line.end;
    }
    return where;
}

// The value as read: blanks and one pair of matching quotes removed.
[[nodiscard]] std::string_view unquote(std::string_view raw) noexcept {
    std::string_view value = trim(raw);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        // The closing quote must be a character of its own, not the second
        // byte of an unpaired lead byte and the quote.
        std::size_t last = 0;
        for (std::size_t i = 0; i < value.size(); i += gbk::charLength(value, i)) last = i;
        if (last == value.size() - 1) value = value.substr(1, value.size() - 2);
    }
    return value;
}

// Longest prefix of at most maxBytes bytes that ends at a character boundary.
[[nodiscard]] std::string_view cut(std::string_view s, std::size_t maxBytes) noexcept {
    if (s.size() <= maxBytes) return s;
    std::size_t end = 0;
    while (end < s.size() && gbk::charLength(s, end) <= maxBytes - end) end += gbk::charLength(s, end);
    return s.substr(0, end);
}

// A name can be written before its delimiter when it holds no delimiter at a
// character boundary and does not end in an unpaired lead byte, which would
// pair with the delimiter written after it.
[[nodiscard]] bool fitsBefore(std::string_view name, char delimiter) noexcept {
    for (std::size_t i = 0; i < name.size(); i += gbk::charLength(name, i)) {
        if (gbk::charLength(name, i) == 2) continue;
        if (name[i] == delimiter || gbk::isLeadByte(static_cast<unsigned char>(name[i]))) return false;
    }
    return true;
}

[[nodiscard]] bool holdsBreak(std::string_view s) noexcept {
    return s.find_first_of(kLineBreak) != std::string_view::npos;
}

}  // namespace

std::optional<std::string> get(std::string_view fileText, std::string_view section, std::string_view key,
                               std::size_t maxBytes) {
    const std::string_view wantedSection = trim(section);
    const std::string_view wantedKey = trim(key);
    if (wantedSection.empty() || wantedKey.empty()) return std::nullopt;
    const Location where = locate(fileText, wantedSection, wantedKey);
    if (!where.entry) return std::nullopt;
    const std::string_view line = fileText.substr(where.entry->begin, where.entry->end - where.entry->begin);
    return std::string(cut(unquote(parse(line).value), maxBytes));
}

bool canSet(std::string_view section, std::string_view key, std::string_view value) noexcept {
    const std::string_view name = trim(section);
    const std::string_view entry = trim(key);
    if (name.empty() || entry.empty()) return false;
    if (holdsBreak(section) || holdsBreak(key) || holdsBreak(value)) return false;
    if (entry.front() == ';' || entry.front() == '[') return false;
    return fitsBefore(name, ']') && fitsBefore(entry, '=');
}

std::string set(std::string_view fileText, std::string_view section, std::string_view key, std::string_view value) {
    if (!canSet(section, key, value)) return std::string(fileText);
    const std::string_view name = trim(section);
    const std::string_view entry = trim(key);
    const Location where = locate(fileText, name, entry);

    std::string out;
    out.reserve(fileText.size() + name.size() + entry.size() + value.size() + 8);
    const auto appendEntry = [&](std::string_view spelling) {
        out.append(spelling).append("=").append(value).append(kLineBreak);
    };

    if (where.entry) {
        const Line line = *where.entry;
        out.append(fileText.substr(0, line.begin));
        appendEntry(parse(fileText.substr(line.begin, line.end - line.begin)).name);
        out.append(fileText.substr(line.next));
    } else if (where.header) {
        out.append(fileText.substr(0, where.contentEnd));
        if (!where.contentEndsLine) out.append(kLineBreak);
        appendEntry(entry);
        out.append(fileText.substr(where.contentEnd));
    } else {
        out.append(fileText);
        if (!fileText.empty() && !isBreak(fileText.back())) out.append(kLineBreak);
        out.append("[").append(name).append("]").append(kLineBreak);
        appendEntry(entry);
    }
    return out;
}

}  // namespace vuv::ini
