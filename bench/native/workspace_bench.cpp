// Writing and reading the workspace file.
//
// A workspace of 100,000 launch rows and 100,000 bookmarks (GBK names,
// configuration paths whose backslashes are escaped), and one of a 10 MB page
// record. Each figure is set against a baseline measured in the same run over
// the file's bytes: a memchr scan for a byte the file does not hold, i.e. one
// plain pass over the memory.
#include "app/workspace.h"

#include "../bench_line.h"
#include "bench_native.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <variant>
#include <vector>

namespace {


constexpr int kRuns = 5;

using vuv::bench::timeBest;
const auto baselineSeconds = vuv::bench::memchrSeconds;


const std::string kNews = "\xD0\xC2\xCE\xC5";  // 新闻
const std::string kYun = "\xDF\x5C";           // 運, trail byte "\"

vuv::Workspace rows(std::size_t count) {
    vuv::Workspace w;
    w.settings.launchInterval = "800";
    w.settings.designatedBrowser = true;
    w.settings.wapMode = false;
    w.settings.loopBookmarks = true;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        w.launchList.push_back({kNews + " " + n, "http://example.com/" + n + "/index.html",
                                i % 2 ? "D:\\cfg\\" + kYun + "\\" + n + ".ini" : ""});
        w.bookmarks.push_back({"http://example.com/bookmark/" + n + "?from=bm", i % 3 == 0,
                               i % 3 == 0 ? static_cast<std::uint32_t>(1000 + i) : vuv::kNoHolder,
                               i % 3 == 0 ? static_cast<std::int32_t>(i % 86400) : vuv::kNoTime});
    }
    for (std::size_t i = 0; i < 100; ++i) w.rules.push_back({"#" + std::to_string(i) + "\r\nok", "", "", i});
    return w;
}

vuv::Workspace record(std::size_t bytes) {
    std::string text;
    for (std::size_t i = 0; text.size() < bytes; ++i) {
        text += "http://example.com/" + std::to_string(i) + "\t" + kNews + "\t<a href=\"x\">\\</a>\r\n";
    }
    vuv::Workspace w;
    w.pageRecord = std::move(text);
    return w;
}

bool measure(const char* label, const char* name, const vuv::Workspace& w) {
    std::string bytes;
    const double writeSeconds = timeBest([&] { bytes = vuv::writeWorkspace(w); });
    // Every run's result is kept, so freeing the previous one is not timed.
    std::vector<std::variant<vuv::Workspace, vuv::WorkspaceError>> results;
    results.reserve(kRuns);
    const double parseSeconds = timeBest([&] { results.push_back(vuv::parseWorkspace(bytes)); }, kRuns);
    const auto& back = results.back();
    const double base = baselineSeconds(bytes);
    const double mb = static_cast<double>(bytes.size()) / 1e6;
    std::printf("%-36s %6.1f MB  write %6.1f ms  parse %6.1f ms (%4.0f MB/s, %5.1f x baseline)\n", label, mb,
                writeSeconds * 1e3, parseSeconds * 1e3, mb / parseSeconds, parseSeconds / base);
    const std::string prefix = std::string("workspace.") + name;
    vuv::bench::figure((prefix + "_parse").c_str(), parseSeconds * 1e3, "ms", base * 1e3);
    vuv::bench::figure((prefix + "_write").c_str(), writeSeconds * 1e3, "ms", base * 1e3);
    const auto* parsed = std::get_if<vuv::Workspace>(&back);
    return parsed != nullptr && *parsed == w;
}

}  // namespace

int main() {
    std::printf("Workspace file\n");
    const bool rowsOk = measure("100,000 launch rows + 100,000 bookmarks", "rows_200k", rows(100000));
    const bool recordOk = measure("page record of 10 MB", "record_10mb", record(10u << 20));
    if (!rowsOk || !recordOk) std::printf("round trip FAILED\n");
    return rowsOk && recordOk ? 0 : 1;
}
