#include "launch/export.h"

#include "common/texts.h"

namespace vuv {

namespace {
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kBackslash = "\\";
}  // namespace

std::string exportLaunchEntries(const std::vector<LaunchEntry>& entries) {
    const std::size_t fixedPerLine = 3 * text::kExportSeparator.size() + kBackslash.size() +
                                     text::kUrlSuffix.size() + kLineEnd.size();
    std::size_t total = 0;
    for (const LaunchEntry& e : entries) total += fixedPerLine + e.address.size() + 2 * e.name.size() + e.config.size();

    std::string out;
    out.reserve(total);
    for (const LaunchEntry& e : entries) {
        out.append(e.address).append(text::kExportSeparator);
        out.append(e.name).append(text::kExportSeparator);
        out.append(kBackslash).append(e.name).append(text::kUrlSuffix).append(text::kExportSeparator);
        out.append(e.config).append(kLineEnd);
    }
    return out;
}

}  // namespace vuv
