// Throughput of the UTF-8 detection on a generated 20 MB text file (mostly
// ASCII lines with Chinese names, as a bookmark file saved as UTF-8), against
// a memchr scan over the same buffer.
#include "common/utf8.h"

#include "../bench_line.h"
#include "bench_native.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

using vuv::bench::timeBest;



}  // namespace

int main() {
    std::string text;
    const std::string line = "http://www.example.com/path/page.html|#|\xE4\xB8\xAD\xE6\x96\x87\xE5\x90\x8D|#|c.ini\r\n";
    while (text.size() < 20'000'000) text += line;

    bool utf8 = false;
    const double s = timeBest([&] { utf8 = vuv::isUtf8Text(text); });
    const double base = vuv::bench::memchrSeconds(text);
    const double mb = static_cast<double>(text.size()) / 1e6;
    std::printf("isUtf8Text over %.1f MB: %s, %.2f ms (%.0f MB/s), memchr %.2f ms\n", mb, utf8 ? "UTF-8" : "not UTF-8",
                s * 1e3, mb / s, base * 1e3);
    vuv::bench::figure("utf8_bench.detect_20mb", s * 1e3, "ms", base * 1e3);
    return utf8 ? 0 : 1;
}
