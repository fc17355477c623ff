// Fuzz target for the workspace and rule files, both ways:
// - the input read as a workspace and as a rule file: whatever is accepted
//   writes back to a text that reads as the same data, and writing that again
//   gives the same bytes;
// - the input cut at NUL bytes into field values (any bytes, lone lead bytes,
//   backslashes, line breaks) that fill a workspace and a rule list: writing
//   them and reading back gives them exactly.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "app/workspace.h"

namespace {

using namespace vuv;

void require(bool condition) {
    if (!condition) std::abort();
}

template <typename Data, typename Write, typename Parse>
void requireStable(const std::variant<Data, WorkspaceError>& first, Write write, Parse parse) {
    if (const auto* error = std::get_if<WorkspaceError>(&first)) {
        require(error->line >= 1 && !error->what.empty());
        return;
    }
    const std::string written = write(std::get<Data>(first));
    const auto second = parse(written);
    require(std::holds_alternative<Data>(second) && std::get<Data>(second) == std::get<Data>(first));
    require(write(std::get<Data>(second)) == written);
}

std::int32_t timeFrom(std::string_view piece) {
    if (piece.size() < sizeof(std::int32_t)) return kNoTime;
    std::int32_t value = 0;
    std::memcpy(&value, piece.data(), sizeof value);
    return value;
}

// Any 64-bit value, 0 (not known) included, from the piece's last bytes.
std::uint64_t startFrom(std::string_view piece) {
    std::uint64_t value = 0;
    const std::size_t n = piece.size() < sizeof value ? piece.size() : sizeof value;
    std::memcpy(&value, piece.data() + piece.size() - n, n);
    return value;
}

Workspace fill(std::string_view input) {
    Workspace w;
    std::size_t index = 0;
    for (std::size_t begin = 0; begin <= input.size(); ++index) {
        std::size_t end = input.find('\0', begin);
        if (end == std::string_view::npos) end = input.size();
        const std::string piece(input.substr(begin, end - begin));
        begin = end + 1;
        const std::size_t n = piece.size();
        switch (index % 6) {
            case 0: w.launchList.push_back({piece, piece.substr(n / 2), piece.substr(0, n / 3)}); break;
            case 1:
                w.bookmarks.push_back({piece, n % 2 == 1, static_cast<std::uint32_t>(n * 2654435761u), timeFrom(piece),
                                       startFrom(piece)});
                break;
            case 2:
                if (!piece.empty()) w.rules.push_back({piece, piece.substr(1), piece.substr(0, 1), n * 0x9E3779B97F4A7C15u});
                break;
            case 3: w.linkRecord = piece; break;
            case 4: w.pageRecord = piece; break;
            default:
                w.settings.launchInterval = piece;
                if (n % 3 != 0) w.settings.designatedBrowser = n % 3 == 1;
                if (n % 4 != 0) w.settings.wapMode = n % 4 == 1;
                if (n % 5 != 0) w.settings.loopBookmarks = n % 5 == 1;
                break;
        }
    }
    return w;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly the input, so the sanitizer sees any read past it.
    const std::string input(reinterpret_cast<const char*>(data), size);

    requireStable(parseWorkspace(input), writeWorkspace, parseWorkspace);
    requireStable(parseRuleFile(input), writeRuleFile, parseRuleFile);

    const Workspace w = fill(input);
    const auto back = parseWorkspace(writeWorkspace(w));
    require(std::holds_alternative<Workspace>(back) && std::get<Workspace>(back) == w);
    const auto rules = parseRuleFile(writeRuleFile(w.rules));
    require(std::holds_alternative<std::vector<SavedRule>>(rules) && std::get<std::vector<SavedRule>>(rules) == w.rules);
    return 0;
}
