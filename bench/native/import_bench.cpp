// Throughput of the bookmark importers on generated files.
//
// Each figure is set against a baseline measured in the same run over the
// same buffer: a memchr scan for a byte the buffer does not hold, i.e. one
// plain pass over the memory. "x baseline" is matcher time / baseline time.
#include "bookmarks/anchor_matcher.h"
#include "bookmarks/shortcut_import.h"
#include "launch/export.h"

#include "../bench_line.h"
#include "bench_native.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using vuv::bench::timeBest;
const auto baselineSeconds = vuv::bench::memchrSeconds;



struct Figure {
    double seconds;
    double mbPerSecond;
};

Figure measureAnchors(const char* name, const char* label, const std::string& text) {
    std::size_t matches = 0;
    const double s = timeBest([&] { matches = vuv::findAnchors(text).size(); });
    const double base = baselineSeconds(text);
    const double mb = static_cast<double>(text.size()) / 1e6;
    std::printf("%-44s %7.1f MB %9.1f MB/s %8zu matches  %6.1f x baseline (memchr %.0f MB/s)\n", label, mb, mb / s,
                matches, s / base, mb / base);
    vuv::bench::figure(name, s * 1e3, "ms", base * 1e3);
    return {s, mb / s};
}

std::string base64Like(std::size_t n, unsigned seed) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string s(n, 'A');
    for (std::size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        s[i] = kAlphabet[(seed >> 16) % 64];
    }
    return s;
}

std::string anchor(std::size_t i) {
    const std::string icon = base64Like(2000 + (i * 7919) % 4000, static_cast<unsigned>(i));
    return "<DT><A HREF=\"http://example.com/section/" + std::to_string(i) + "/index.html?from=bm&id=" +
           std::to_string(i) + "\" ADD_DATE=\"1600000" + std::to_string(i % 1000) + "\" LAST_MODIFIED=\"1600001000\" " +
           "ICON=\"data:image/png;base64," + icon + "==\">Site " + std::to_string(i) + " \xD0\xC2\xCE\xC5\xDF\x5C</A>";
}

std::string netscapeFile(std::size_t bytes) {
    std::string s = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; "
                    "charset=UTF-8\">\r\n<TITLE>Bookmarks</TITLE>\r\n<H1>Bookmarks</H1>\r\n<DL><p>\r\n";
    for (std::size_t i = 0; s.size() < bytes; ++i) {
        if (i % 50 == 0) s += "    <DT><H3 ADD_DATE=\"1600000000\">Folder " + std::to_string(i / 50) + "</H3>\r\n    <DL><p>\r\n";
        s += "        " + anchor(i) + "\r\n";
        if (i % 50 == 49) s += "    </DL><p>\r\n";
    }
    return s + "</DL><p>\r\n";
}

std::string singleLinePage(std::size_t bytes) {
    std::string s = "<html><body>";
    for (std::size_t i = 0; s.size() < bytes; ++i) s += anchor(i) + " | ";
    return s + "</body></html>";
}

}  // namespace

int main() {
    std::printf("Anchor matching (findAnchors)\n");
    const Figure multi = measureAnchors("import.anchors_netscape_20mb", "Netscape bookmark file, 20 MB, CR LF lines", netscapeFile(20u << 20));
    const Figure single = measureAnchors("import.anchors_one_line_5mb", "page with every anchor on one line, 5 MB", singleLinePage(5u << 20));
    std::printf("  one line vs many lines: %.2f x the time per byte\n", multi.mbPerSecond / single.mbPerSecond);
    std::string unclosedPage = singleLinePage(5u << 20);
    for (std::size_t at = unclosedPage.find("</A>"); at != std::string::npos; at = unclosedPage.find("</A>", at)) {
        unclosedPage.replace(at, 4, "</B>");
    }
    const Figure open = measureAnchors("import.anchors_unclosed_5mb", "the same page without closing tags", unclosedPage);
    std::printf("  without closing tags vs many lines: %.2f x the time per byte\n", multi.mbPerSecond / open.mbPerSecond);

    const std::size_t big = 10u << 20;
    measureAnchors("import.trap_quotes", "trap: href= and 10M quotes, no '>'", "href=" + std::string(big, '"'));
    measureAnchors("import.trap_quotes_closed", "trap: href= and 10M quotes, then >n</a>", "href=" + std::string(big, '"') + ">n</a>");
    std::string repeated;
    while (repeated.size() < big) repeated += "href=\"u\"";
    measureAnchors("import.trap_repeated_href", "trap: 1.3M href=\"u\" on one line, no '>'", repeated);
    std::string unclosed;
    while (unclosed.size() < big) unclosed += "href='u'>a\n";
    measureAnchors("import.trap_unclosed_lines", "trap: 1M lines href='u'>a, never closed", unclosed + "<b>");
    std::string opens = "href='u'";
    while (opens.size() < big) opens += "><b";
    measureAnchors("import.trap_open_tags", "trap: href='u' then 3.5M \"><b\" on one line", opens);
    measureAnchors("import.trap_angles", "trap: 10M '>' around one href=", std::string(big / 2, '>') + "href=\"u\"" + std::string(big / 2, '>'));

    std::printf("\nExport and shortcut lines, 100,000 entries\n");
    std::vector<vuv::LaunchEntry> entries;
    for (std::size_t i = 0; i < 100000; ++i) {
        entries.push_back({"\xD0\xC2\xCE\xC5 " + std::to_string(i), "http://example.com/" + std::to_string(i),
                           i % 2 ? "D:\\cfg\\" + std::to_string(i) + ".ini" : ""});
    }
    std::string file;
    const double exportSeconds = timeBest([&] { file = vuv::exportLaunchEntries(entries); });
    std::size_t back = 0;
    const double importSeconds = timeBest([&] { back = vuv::importShortcutLines(file).size(); });
    const double mb = static_cast<double>(file.size()) / 1e6;
    std::printf("export  %6.1f ms  (%.1f MB, %.0f MB/s)\n", exportSeconds * 1e3, mb, mb / exportSeconds);
    std::printf("import  %6.1f ms  (%zu entries, %.0f MB/s)\n", importSeconds * 1e3, back, mb / importSeconds);
    const double pass = baselineSeconds(file);
    vuv::bench::figure("import.export_100k", exportSeconds * 1e3, "ms", pass * 1e3);
    vuv::bench::figure("import.shortcut_lines_100k", importSeconds * 1e3, "ms", pass * 1e3);
    return back == entries.size() ? 0 : 1;
}
