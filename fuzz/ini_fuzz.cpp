// Fuzz target for the INI reader and writer.
//
// Input: file text, section, key and value, separated by NUL bytes (missing
// pieces are empty). Checks, besides the absence of crashes and sanitizer
// reports on arbitrary bytes:
// - a value read is never longer than the limit and a cut value is a prefix
//   of the full one;
// - set() leaves the text alone when canSet() refuses the entry;
// - otherwise the value reads back (exactly when it has no surrounding blanks
//   or quotes), setting it again changes nothing, and every other section and
//   key named in the text reads as before.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "common/ini.h"

namespace {

using namespace vuv;

constexpr std::size_t kNoLimit = std::numeric_limits<std::size_t>::max();
constexpr std::size_t kMaxNames = 24;

void require(bool condition) {
    if (!condition) std::abort();
}

std::string_view takePiece(std::string_view& input) {
    const std::size_t at = input.find('\0');
    const std::string_view piece = input.substr(0, at);
    input.remove_prefix(at == std::string_view::npos ? input.size() : at + 1);
    return piece;
}

bool isBlankOrQuote(char c) { return c == ' ' || c == '\t' || c == '"' || c == '\''; }

// Section names and keys as they appear in the text, cut on raw bytes: they
// serve only as queries, so an odd cut just makes an odd query.
void collectNames(std::string_view text, std::vector<std::string>& sections, std::vector<std::string>& keys) {
    std::size_t begin = 0;
    while (begin <= text.size() && (sections.size() < kMaxNames || keys.size() < kMaxNames)) {
        std::size_t end = text.find_first_of("\r\n", begin);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(begin, end - begin);
        const std::size_t open = line.find('[');
        if (open != std::string_view::npos && sections.size() < kMaxNames) {
            sections.emplace_back(line.substr(open + 1, line.find(']', open) - open - 1));
        }
        const std::size_t equals = line.find('=');
        if (equals != std::string_view::npos && keys.size() < kMaxNames) keys.emplace_back(line.substr(0, equals));
        begin = end + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view text = takePiece(input);
    const std::string_view section = takePiece(input);
    const std::string_view key = takePiece(input);
    const std::string_view value = input;

    const auto full = ini::get(text, section, key, kNoLimit);
    const auto limited = ini::get(text, section, key);
    const auto small = ini::get(text, section, key, 5);
    require(full.has_value() == limited.has_value() && full.has_value() == small.has_value());
    if (full) {
        require(limited->size() <= ini::kDefaultMaxBytes && full->compare(0, limited->size(), *limited) == 0);
        require(small->size() <= 5 && full->compare(0, small->size(), *small) == 0);
        require(small->size() + 1 >= (full->size() < 5 ? full->size() : 5));
    }

    const std::string written = ini::set(text, section, key, value);
    if (!ini::canSet(section, key, value)) {
        require(written == text);
        return 0;
    }

    const auto readBack = ini::get(written, section, key, kNoLimit);
    require(readBack.has_value());
    if (value.empty() || (!isBlankOrQuote(value.front()) && !isBlankOrQuote(value.back()))) require(*readBack == value);
    require(ini::set(written, section, key, value) == written);

    // Whether a queried name denotes the entry just written, decided on a
    // file that holds nothing else.
    const std::string alone = ini::set("", section, key, "1");
    std::vector<std::string> sections{std::string(section)};
    std::vector<std::string> keys{"k"};
    collectNames(text, sections, keys);
    for (const std::string& s : sections) {
        for (const std::string& k : keys) {
            if (ini::get(alone, s, k)) continue;
            require(ini::get(written, s, k, kNoLimit) == ini::get(text, s, k, kNoLimit));
        }
    }
    return 0;
}
