#include "app/workspace.h"

#include "common/gbk.h"
#include "common/texts.h"

#include <array>
#include <charconv>
#include <cstring>
#include <limits>
#include <system_error>
#include <utility>

namespace vuv {

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kLineEnd = "\r\n"sv;
constexpr std::string_view kEndLine = "[END]"sv;
constexpr std::string_view kVersion = "1"sv;  // the layout described in workspace.h
constexpr char kTab = '\t';
constexpr char kHexDigits[] = "0123456789ABCDEF";

// ---------------------------------------------------------------- writing

// What the writer does with a byte standing at a character boundary.
enum ByteClass : unsigned char { kPlain, kEscaped, kLead };

constexpr std::array<unsigned char, 256> makeByteClasses() {
    std::array<unsigned char, 256> classes{};
    for (std::size_t c = 0; c < classes.size(); ++c) {
        if (gbk::isLeadByte(static_cast<unsigned char>(c))) classes[c] = kLead;
    }
    classes[static_cast<unsigned char>('\\')] = kEscaped;
    classes[static_cast<unsigned char>('\t')] = kEscaped;
    classes[static_cast<unsigned char>('\r')] = kEscaped;
    classes[static_cast<unsigned char>('\n')] = kEscaped;
    return classes;
}

constexpr std::array<unsigned char, 256> kByteClasses = makeByteClasses();

[[nodiscard]] unsigned char classOf(char c) noexcept { return kByteClasses[static_cast<unsigned char>(c)]; }

[[nodiscard]] std::string_view escapeOf(char c) noexcept {
    switch (c) {
        case '\\': return "\\\\"sv;
        case '\t': return "\\t"sv;
        case '\r': return "\\r"sv;
        default: return "\\n"sv;
    }
}

// Appends s as one field. Runs of bytes that need nothing are copied whole.
// A double-byte character is copied as it is, even when its trail byte is
// "\"; a lead byte followed by a byte that gets escaped cannot pair with it,
// and written raw it would pair with the escape's backslash instead, so it is
// written "\xHH". firstOnLine: a leading "[" would make the line a section
// line and is written "\[".
void appendField(std::string& out, std::string_view s, bool firstOnLine) {
    std::size_t i = 0;
    if (firstOnLine && !s.empty() && s.front() == '[') {
        out.append("\\["sv);
        i = 1;
    }
    std::size_t run = i;
    const std::size_t n = s.size();
    while (i < n) {
        const unsigned char kind = classOf(s[i]);
        if (kind == kPlain) {
            ++i;
        } else if (kind == kEscaped) {
            out.append(s.substr(run, i - run)).append(escapeOf(s[i]));
            run = ++i;
        } else if (i + 1 == n) {
            ++i;  // a lead byte ending the field stands alone; the delimiter is cut first
        } else if (classOf(s[i + 1]) == kEscaped && s[i + 1] != '\\') {
            const auto byte = static_cast<unsigned char>(s[i]);
            out.append(s.substr(run, i - run)).append("\\x"sv);
            out.push_back(kHexDigits[byte >> 4]);
            out.push_back(kHexDigits[byte & 0x0F]);
            run = ++i;
        } else {
            i += 2;
        }
    }
    out.append(s.substr(run));
}

void appendNumber(std::string& out, std::uint64_t value) {
    std::array<char, 24> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    out.append(digits.data(), static_cast<std::size_t>(result.ptr - digits.data()));
}

void appendTwoDigits(std::string& out, std::int64_t value) {
    out.push_back(static_cast<char>('0' + value / 10));
    out.push_back(static_cast<char>('0' + value % 10));
}

// kNoTime as nothing, anything else as [-]HH:MM:SS (hours may exceed 23 and
// take more digits for values beyond a day).
void appendTime(std::string& out, std::int32_t seconds) {
    if (seconds == kNoTime) return;
    std::int64_t value = seconds;
    if (value < 0) {
        out.push_back('-');
        value = -value;
    }
    const std::int64_t hours = value / 3600;
    if (hours < 10) out.push_back('0');
    appendNumber(out, static_cast<std::uint64_t>(hours));
    out.push_back(':');
    appendTwoDigits(out, value / 60 % 60);
    out.push_back(':');
    appendTwoDigits(out, value % 60);
}

std::string_view truthText(bool value) noexcept { return value ? text::kTrue : text::kFalse; }

void appendHeader(std::string& out, std::string_view format) {
    out.append(format).append(" "sv).append(kVersion).append(kLineEnd);
}

void appendSectionLine(std::string& out, std::string_view name) {
    out.append("["sv).append(name).append("]"sv).append(kLineEnd);
}

void appendSetting(std::string& out, std::string_view name, std::string_view value) {
    out.append(name).push_back(kTab);
    appendField(out, value, false);
    out.append(kLineEnd);
}

void appendRules(std::string& out, const std::vector<SavedRule>& rules) {
    appendSectionLine(out, text::kSectionRules);
    for (const SavedRule& rule : rules) {
        appendField(out, rule.condition, true);
        out.push_back(kTab);
        appendField(out, rule.action, false);
        out.push_back(kTab);
        appendField(out, rule.link, false);
        out.push_back(kTab);
        appendNumber(out, rule.hits);
        out.append(kLineEnd);
    }
}

// The record cut at its CR LF pairs, one escaped piece per line.
void appendRecord(std::string& out, std::string_view name, std::string_view record) {
    appendSectionLine(out, name);
    std::size_t start = 0;
    for (std::size_t at = start; at < record.size();) {
        const void* found = std::memchr(record.data() + at, '\r', record.size() - at);
        if (found == nullptr) break;
        const auto cr = static_cast<std::size_t>(static_cast<const char*>(found) - record.data());
        if (cr + 1 < record.size() && record[cr + 1] == '\n') {
            appendField(out, record.substr(start, cr - start), true);
            out.append(kLineEnd);
            start = cr + 2;
        }
        at = cr + 1;
    }
    appendField(out, record.substr(start), true);
    out.append(kLineEnd);
}

[[nodiscard]] std::size_t rulesSize(const std::vector<SavedRule>& rules) noexcept {
    std::size_t total = 0;
    for (const SavedRule& r : rules) total += r.condition.size() + r.action.size() + r.link.size() + 28;
    return total;
}

// ---------------------------------------------------------------- reading

enum class FileKind { Workspace, Rules };

enum class Section { None, Settings, Launch, Bookmarks, Rules, LinkRecord, PageRecord };

struct SectionName {
    std::string_view name;
    Section section;
};

constexpr SectionName kSections[] = {
    {text::kSectionSettings, Section::Settings},     {text::kSectionLaunch, Section::Launch},
    {text::kSectionBookmarks, Section::Bookmarks},   {text::kSectionRules, Section::Rules},
    {text::kSectionLinkRecord, Section::LinkRecord}, {text::kSectionPageRecord, Section::PageRecord},
};

[[nodiscard]] constexpr int hexValue(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Whether byte p of f starts a character, given that byte `from` (<= p) does.
// A byte outside the lead range always ends a character (alone or as a trail
// byte), so the bytes of the lead range that follow it pair up from there: p
// starts a character when an even number of them stand before it.
[[nodiscard]] bool startsCharacter(std::string_view f, std::size_t from, std::size_t p) noexcept {
    std::size_t q = p;
    while (q > from && gbk::isLeadByte(static_cast<unsigned char>(f[q - 1]))) --q;
    return (p - q) % 2 == 0;
}

// Appends the field's bytes with its escapes undone; false on an escape that
// is not one. Only a backslash at a character boundary starts an escape.
// Backslashes are found with memchr; the test for a boundary looks back no
// further than the last place known to be one, so every byte is looked at a
// bounded number of times.
[[nodiscard]] bool decodeField(std::string_view f, std::string& out) {
    const std::size_t n = f.size();
    std::size_t run = 0;       // start of the bytes not yet appended
    std::size_t boundary = 0;  // a known character start
    for (std::size_t i = 0; i < n;) {
        const void* hit = std::memchr(f.data() + i, '\\', n - i);
        if (hit == nullptr) break;
        const auto p = static_cast<std::size_t>(static_cast<const char*>(hit) - f.data());
        if (!startsCharacter(f, boundary, p)) {  // trail byte of a double-byte character
            i = boundary = p + 1;
            continue;
        }
        if (out.empty()) out.reserve(n);
        out.append(f.substr(run, p - run));
        if (p + 1 == n) return false;
        std::size_t length = 2;
        switch (f[p + 1]) {
            case '\\': out.push_back('\\'); break;
            case 't': out.push_back('\t'); break;
            case 'r': out.push_back('\r'); break;
            case 'n': out.push_back('\n'); break;
            case '[': out.push_back('['); break;
            case 'x': {
                if (n - p < 4) return false;
                const int high = hexValue(f[p + 2]);
                const int low = hexValue(f[p + 3]);
                if (high < 0 || low < 0) return false;
                out.push_back(static_cast<char>(high * 16 + low));
                length = 4;
                break;
            }
            default: return false;
        }
        i = run = boundary = p + length;
    }
    out.append(f.substr(run));
    return true;
}

template <typename Number>
[[nodiscard]] bool parseNumber(std::string_view s, Number& value) noexcept {
    if (s.empty()) return false;
    const auto result = std::from_chars(s.data(), s.data() + s.size(), value);
    return result.ec == std::errc() && result.ptr == s.data() + s.size();
}

[[nodiscard]] bool parseTwoDigits(std::string_view s, std::int64_t& value) noexcept {
    if (s.size() != 2 || s[0] < '0' || s[0] > '5' || s[1] < '0' || s[1] > '9') return false;
    value = (s[0] - '0') * 10 + (s[1] - '0');
    return true;
}

// Empty (kNoTime) or [-]H..H:MM:SS within the range of a 32-bit signed value.
[[nodiscard]] bool parseTime(std::string_view s, std::int32_t& value) noexcept {
    if (s.empty()) {
        value = kNoTime;
        return true;
    }
    const bool negative = s.front() == '-';
    if (negative) s.remove_prefix(1);
    if (s.size() < 7 || s[s.size() - 3] != ':' || s[s.size() - 6] != ':') return false;
    std::uint32_t hours = 0;
    std::int64_t minutes = 0;
    std::int64_t seconds = 0;
    if (!parseNumber(s.substr(0, s.size() - 6), hours) || !parseTwoDigits(s.substr(s.size() - 5, 2), minutes) ||
        !parseTwoDigits(s.substr(s.size() - 2), seconds)) {
        return false;
    }
    std::int64_t total = static_cast<std::int64_t>(hours) * 3600 + minutes * 60 + seconds;
    if (negative) total = -total;
    if (total < std::numeric_limits<std::int32_t>::min() || total > std::numeric_limits<std::int32_t>::max()) {
        return false;
    }
    value = static_cast<std::int32_t>(total);
    return true;
}

[[nodiscard]] bool parseTruth(std::string_view s, std::optional<bool>& value) noexcept {
    if (s == text::kTrue) {
        value = true;
    } else if (s == text::kFalse) {
        value = false;
    } else {
        return false;
    }
    return true;
}

// Bytes the scan of a row line stops at.
enum ScanClass : unsigned char { kScanPlain, kScanTab, kScanCr, kScanLf, kScanBackslash };

constexpr std::array<unsigned char, 256> makeScanClasses() {
    std::array<unsigned char, 256> classes{};
    classes[static_cast<unsigned char>('\t')] = kScanTab;
    classes[static_cast<unsigned char>('\r')] = kScanCr;
    classes[static_cast<unsigned char>('\n')] = kScanLf;
    classes[static_cast<unsigned char>('\\')] = kScanBackslash;
    return classes;
}

constexpr std::array<unsigned char, 256> kScanClasses = makeScanClasses();

constexpr std::size_t kMaxFields = 5;

// One line of the file, without its line end, and what the scan found in it.
struct Line {
    std::string_view text;
    std::size_t next = 0;    // where the next line starts
    bool strayCr = false;    // holds a CR that is not directly before its LF
    bool escapes = true;     // may hold a backslash (decode its fields)
    // Filled by scanRow only:
    std::size_t fieldCount = 1;  // TABs + 1
    std::array<std::string_view, kMaxFields> fields{};  // the first kMaxFields of them
};

// Reads the file line by line; the first problem ends the reading.
//
// Line ends and TABs are found on raw bytes: neither is ever part of a GBK
// character, and the writer never leaves a lead byte before one (it writes
// such a byte "\xHH"). Row lines, which are short and many, are cut in one
// pass over their bytes; record lines, which may be long, with memchr.
class Reader {
public:
    Reader(std::string_view bytes, FileKind kind) noexcept : bytes_(bytes), kind_(kind) {}

    // False with error() set on the first problem.
    [[nodiscard]] bool read(Workspace& out);
    [[nodiscard]] WorkspaceError error() && { return std::move(error_); }

private:
    bool fail(std::string what) {
        error_ = {line_, std::move(what)};
        return false;
    }
    [[nodiscard]] Line scanRow(std::size_t pos) const noexcept;
    [[nodiscard]] Line scanLong(std::size_t pos) const noexcept;
    [[nodiscard]] bool readHeader(std::string_view line);
    [[nodiscard]] bool openSection(std::string_view line, std::size_t next, Workspace& out);
    [[nodiscard]] bool readRow(const Line& line, Workspace& out);
    [[nodiscard]] bool readSetting(const Line& line, WorkspaceSettings& settings);
    [[nodiscard]] bool wantFields(const Line& line, std::size_t wanted);
    [[nodiscard]] bool decode(const Line& line, std::string_view field, std::string& out) {
        if (!line.escapes) {
            out.assign(field);
            return true;
        }
        return decodeField(field, out) || fail("bad escape");
    }

    std::string_view bytes_;
    FileKind kind_;
    std::size_t line_ = 0;
    Section section_ = Section::None;
    unsigned seen_ = 0;                // bit per Section
    std::string* record_ = nullptr;    // the record being read
    bool recordHasLine_ = false;
    WorkspaceError error_;
};

Line Reader::scanRow(std::size_t pos) const noexcept {
    Line line;
    line.escapes = false;
    const std::size_t size = bytes_.size();
    std::size_t fieldStart = pos;
    std::size_t end = pos;
    const auto endField = [&] {
        if (line.fieldCount <= kMaxFields) line.fields[line.fieldCount - 1] = bytes_.substr(fieldStart, end - fieldStart);
    };
    line.next = size;
    for (; end < size; ++end) {
        const unsigned char kind = kScanClasses[static_cast<unsigned char>(bytes_[end])];
        if (kind == kScanPlain) continue;
        if (kind == kScanTab) {
            endField();
            ++line.fieldCount;
            fieldStart = end + 1;
        } else if (kind == kScanBackslash) {
            line.escapes = true;
        } else if (kind == kScanLf) {
            line.next = end + 1;
            break;
        } else if (end + 1 < size && bytes_[end + 1] == '\n') {  // CR LF
            line.next = end + 2;
            break;
        } else {
            line.strayCr = true;
        }
    }
    endField();
    line.text = bytes_.substr(pos, end - pos);
    return line;
}

Line Reader::scanLong(std::size_t pos) const noexcept {
    Line line;
    const void* lf = std::memchr(bytes_.data() + pos, '\n', bytes_.size() - pos);
    const std::size_t end =
        lf == nullptr ? bytes_.size() : static_cast<std::size_t>(static_cast<const char*>(lf) - bytes_.data());
    line.text = bytes_.substr(pos, end - pos);
    line.next = lf == nullptr ? end : end + 1;
    if (lf != nullptr && !line.text.empty() && line.text.back() == '\r') line.text.remove_suffix(1);
    line.strayCr = std::memchr(line.text.data(), '\r', line.text.size()) != nullptr;
    return line;
}

bool Reader::read(Workspace& out) {
    static constexpr std::string_view kByteOrderMarks[] = {"\xEF\xBB\xBF"sv, "\xFF\xFE"sv, "\xFE\xFF"sv};
    for (const std::string_view mark : kByteOrderMarks) {
        if (bytes_.substr(0, mark.size()) == mark) {
            line_ = 1;
            return fail("byte-order mark: the file must be saved as GBK");
        }
    }
    bool ended = false;
    for (std::size_t pos = 0; pos < bytes_.size();) {
        ++line_;
        const Line line = record_ != nullptr ? scanLong(pos) : scanRow(pos);
        pos = line.next;
        if (line.strayCr) return fail("CR without LF");
        const std::string_view text = line.text;

        if (line_ == 1) {
            if (!readHeader(text)) return false;
        } else if (ended) {
            if (!text.empty()) return fail("text after [END]");
        } else if (!text.empty() && text.front() == '[') {
            if (text == kEndLine) {
                ended = true;
            } else if (!openSection(text, pos, out)) {
                return false;
            }
        } else if (record_ != nullptr) {
            if (recordHasLine_) record_->append(kLineEnd);
            recordHasLine_ = true;
            if (!decode(line, text, *record_)) return false;
        } else if (text.empty()) {
            continue;
        } else if (section_ == Section::None) {
            return fail("data outside a section");
        } else if (!readRow(line, out)) {
            return false;
        }
    }
    if (line_ == 0) {
        line_ = 1;
        return fail("empty file");
    }
    if (!ended) {
        ++line_;
        return fail("no [END] line: the file is cut short");
    }
    return true;
}

bool Reader::readHeader(std::string_view line) {
    const std::string_view wanted = kind_ == FileKind::Workspace ? text::kWorkspaceFormat : text::kRuleFileFormat;
    const std::string_view other = kind_ == FileKind::Workspace ? text::kRuleFileFormat : text::kWorkspaceFormat;
    const std::size_t blank = line.find(' ');
    const std::string_view format = line.substr(0, blank);
    if (format == other) {
        return fail(kind_ == FileKind::Workspace ? "a rule file, not a workspace" : "a workspace, not a rule file");
    }
    if (format != wanted || blank == std::string_view::npos) {
        return fail(kind_ == FileKind::Workspace ? "not a workspace file" : "not a rule file");
    }
    // Any other version is a later format this program cannot know.
    const std::string_view version = line.substr(blank + 1);
    if (version.empty() || version.find_first_not_of("0123456789"sv) != std::string_view::npos) {
        return fail("bad version");
    }
    return version == kVersion || fail("unsupported version");
}

bool Reader::openSection(std::string_view line, std::size_t next, Workspace& out) {
    if (line.size() < 2 || line.back() != ']') return fail("bad section line");
    const std::string_view name = line.substr(1, line.size() - 2);
    Section section = Section::None;
    for (const SectionName& known : kSections) {
        if (known.name == name) section = known.section;
    }
    if (section == Section::None) return fail("unknown section");
    if (kind_ == FileKind::Rules && section != Section::Rules) return fail("a rule file holds only rules");
    const unsigned bit = 1u << static_cast<unsigned>(section);
    if ((seen_ & bit) != 0) return fail("section repeated");
    seen_ |= bit;
    section_ = section;
    record_ = nullptr;
    recordHasLine_ = false;
    if (section == Section::LinkRecord) record_ = &out.linkRecord.emplace();
    if (section == Section::PageRecord) record_ = &out.pageRecord.emplace();
    // Room for the whole section at once: a table gets at most one row per
    // line that is not empty (so a run of empty lines reserves nothing), a
    // record is at most as long as its lines.
    std::size_t lines = 0;
    std::size_t end = next;
    while (end < bytes_.size() && bytes_[end] != '[') {
        lines += bytes_[end] != '\n' && bytes_[end] != '\r';
        const void* lf = std::memchr(bytes_.data() + end, '\n', bytes_.size() - end);
        end = lf == nullptr ? bytes_.size()
                            : static_cast<std::size_t>(static_cast<const char*>(lf) - bytes_.data()) + 1;
    }
    if (record_ != nullptr) record_->reserve(end - next);
    if (section == Section::Launch) out.launchList.reserve(lines);
    if (section == Section::Bookmarks) out.bookmarks.reserve(lines);
    if (section == Section::Rules) out.rules.reserve(lines);
    return true;
}

bool Reader::wantFields(const Line& line, std::size_t wanted) {
    if (line.fieldCount == wanted) return true;
    return fail("expected " + std::to_string(wanted) + " fields, found " + std::to_string(line.fieldCount));
}

bool Reader::readSetting(const Line& line, WorkspaceSettings& settings) {
    if (!wantFields(line, 2)) return false;
    const std::string_view name = line.fields[0];
    const std::string_view value = line.fields[1];
    std::optional<bool>* truth = nullptr;
    if (name == text::kSettingInterval) {
        if (settings.launchInterval) return fail("setting repeated");
        return decode(line, value, settings.launchInterval.emplace());
    }
    if (name == text::kSettingDesignated) {
        truth = &settings.designatedBrowser;
    } else if (name == text::kSettingWapMode) {
        truth = &settings.wapMode;
    } else if (name == text::kSettingLoopBookmarks) {
        truth = &settings.loopBookmarks;
    } else {
        return fail("unknown setting");
    }
    if (truth->has_value()) return fail("setting repeated");
    return parseTruth(value, *truth) || fail("bad truth value");
}

bool Reader::readRow(const Line& line, Workspace& out) {
    const auto& f = line.fields;
    switch (section_) {
        case Section::Settings: return readSetting(line, out.settings);
        case Section::Launch: {
            if (!wantFields(line, 3)) return false;
            LaunchEntry& entry = out.launchList.emplace_back();
            return decode(line, f[0], entry.name) && decode(line, f[1], entry.address) &&
                   decode(line, f[2], entry.config);
        }
        case Section::Bookmarks: {
            // The fifth field, the holder's creation time, may be missing
            // (files from before it was kept) or empty: 0, not known.
            if (line.fieldCount != 4 && line.fieldCount != 5) {
                return fail("expected 4 or 5 fields, found " + std::to_string(line.fieldCount));
            }
            SavedBookmark& bookmark = out.bookmarks.emplace_back();
            if (!decode(line, f[0], bookmark.address)) return false;
            if (f[1] == text::kStateOpened) {
                bookmark.opened = true;
            } else if (f[1] != text::kStateUnused) {
                return fail("bad state");
            }
            if (!parseNumber(f[2], bookmark.holderProcessId)) return fail("bad process id");
            if (!parseTime(f[3], bookmark.handedOutAt)) return fail("bad time");
            if (line.fieldCount == 5 && !f[4].empty() && !parseNumber(f[4], bookmark.holderStarted)) {
                return fail("bad process start");
            }
            return true;
        }
        case Section::Rules: {
            if (!wantFields(line, 4)) return false;
            if (f[0].empty()) return fail("empty condition");
            SavedRule& rule = out.rules.emplace_back();
            if (!decode(line, f[0], rule.condition) || !decode(line, f[1], rule.action) ||
                !decode(line, f[2], rule.link)) {
                return false;
            }
            return parseNumber(f[3], rule.hits) || fail("bad hit count");
        }
        default: return fail("data outside a section");  // records are read before rows
    }
}

}  // namespace

std::string writeWorkspace(const Workspace& w) {
    std::size_t size = 256 + rulesSize(w.rules);
    for (const LaunchEntry& e : w.launchList) size += e.name.size() + e.address.size() + e.config.size() + 4;
    for (const SavedBookmark& b : w.bookmarks) size += b.address.size() + 52;
    if (w.settings.launchInterval) size += w.settings.launchInterval->size();
    if (w.linkRecord) size += w.linkRecord->size() + w.linkRecord->size() / 16;
    if (w.pageRecord) size += w.pageRecord->size() + w.pageRecord->size() / 16;

    std::string out;
    out.reserve(size);
    appendHeader(out, text::kWorkspaceFormat);

    const WorkspaceSettings& s = w.settings;
    appendSectionLine(out, text::kSectionSettings);
    if (s.launchInterval) appendSetting(out, text::kSettingInterval, *s.launchInterval);
    if (s.designatedBrowser) appendSetting(out, text::kSettingDesignated, truthText(*s.designatedBrowser));
    if (s.wapMode) appendSetting(out, text::kSettingWapMode, truthText(*s.wapMode));
    if (s.loopBookmarks) appendSetting(out, text::kSettingLoopBookmarks, truthText(*s.loopBookmarks));

    appendSectionLine(out, text::kSectionLaunch);
    for (const LaunchEntry& e : w.launchList) {
        appendField(out, e.name, true);
        out.push_back(kTab);
        appendField(out, e.address, false);
        out.push_back(kTab);
        appendField(out, e.config, false);
        out.append(kLineEnd);
    }

    appendSectionLine(out, text::kSectionBookmarks);
    for (const SavedBookmark& b : w.bookmarks) {
        appendField(out, b.address, true);
        out.push_back(kTab);
        out.append(b.opened ? text::kStateOpened : text::kStateUnused).push_back(kTab);
        appendNumber(out, b.holderProcessId);
        out.push_back(kTab);
        appendTime(out, b.handedOutAt);
        if (b.holderStarted != 0) {
            out.push_back(kTab);
            appendNumber(out, b.holderStarted);
        }
        out.append(kLineEnd);
    }

    appendRules(out, w.rules);
    if (w.linkRecord) appendRecord(out, text::kSectionLinkRecord, *w.linkRecord);
    if (w.pageRecord) appendRecord(out, text::kSectionPageRecord, *w.pageRecord);
    out.append(kEndLine).append(kLineEnd);
    return out;
}

std::variant<Workspace, WorkspaceError> parseWorkspace(std::string_view bytes) {
    Workspace workspace;
    Reader reader(bytes, FileKind::Workspace);
    if (!reader.read(workspace)) return std::move(reader).error();
    return workspace;
}

std::string writeRuleFile(const std::vector<SavedRule>& rules) {
    std::string out;
    out.reserve(64 + rulesSize(rules));
    appendHeader(out, text::kRuleFileFormat);
    appendRules(out, rules);
    out.append(kEndLine).append(kLineEnd);
    return out;
}

std::variant<std::vector<SavedRule>, WorkspaceError> parseRuleFile(std::string_view bytes) {
    Workspace workspace;
    Reader reader(bytes, FileKind::Rules);
    if (!reader.read(workspace)) return std::move(reader).error();
    return std::move(workspace.rules);
}

}  // namespace vuv
