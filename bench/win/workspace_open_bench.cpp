// Speed of opening a big workspace on the panel's own page code inside this
// process (the main window and every page built as at start-up, without the
// channel): a workspace of 100,000 bookmarks (a third handed out, with
// holder and time), 1,000 launch rows and 100 rules is written to a file,
// then opened the way "打开工作区…" does after its dialog (read, parse,
// every page filled, the window painted). Set against reading the same
// file's bytes, and against reading and parsing it without the panel.
// Each figure is the median of several rounds.
//
//   workspace_open_bench [bookmarks=100000] [rounds=5]
#include "app/panel_win.h"
#include "app/workspace.h"
#include "common/control_ids.h"
#include "common/files_win.h"

#include "../bench_line.h"
#include "bench_win.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <variant>
#include <vector>

namespace {

using namespace vuv;
using namespace vuv::win;
using namespace vuv::bench;

Workspace makeWorkspace(std::size_t bookmarks) {
    Workspace w;
    w.settings.launchInterval = "800";
    w.settings.loopBookmarks = true;
    const std::string news = "\xD0\xC2\xCE\xC5";  // 新闻
    for (std::size_t i = 0; i < 1000; ++i) {
        const std::string n = std::to_string(i);
        w.launchList.push_back({news + n, "http://launch.example.com/" + n, "D:\\cfg\\" + n + ".ini"});
    }
    for (std::size_t i = 0; i < bookmarks; ++i) {
        const bool handed = i % 3 == 0;
        w.bookmarks.push_back({"http://www.example.com/section/" + std::to_string(i) + "/index.html?from=bm", handed,
                               handed ? static_cast<std::uint32_t>(1000 + i % 500) : kNoHolder,
                               handed ? static_cast<std::int32_t>(i % 86400) : kNoTime});
    }
    for (std::size_t i = 0; i < 100; ++i) {
        w.rules.push_back({"rule " + std::to_string(i) + "\r\nnext", "\xB4\xF2\xBF\xAA\xD6\xB8\xB6\xA8\xC1\xAC\xBD\xD3",
                           "http://rule.example.com/" + std::to_string(i), i});
    }
    return w;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;

    static Panel panel;
    if (!panel.build(GetModuleHandleW(nullptr))) return 1;
    const HWND main = panel.window().hwnd();
    // No settings file here: the browser-path question would stop the run.
    panel.window().setFirstActivationHandler({});
    panel.window().showPage(id::kBookmarksPage);
    ShowWindow(main, SW_SHOWNORMAL);
    pump();

    const std::wstring path = ownDirectory() + L"workspace_open_bench.txt";
    const std::string bytes = writeWorkspace(makeWorkspace(count));
    if (!writeFileBytes(path, bytes)) return 1;
    std::printf("workspace: %zu bookmarks, %zu bytes\n", count, bytes.size());

    std::vector<double> read, parsed, opened;
    for (int round = 0; round < rounds; ++round) {
        read.push_back(timeMs([&] {
            std::string again;
            if (!readFileBytes(path, again)) std::exit(1);
        }));
        parsed.push_back(timeMs([&] {
            std::string again;
            if (!readFileBytes(path, again)) std::exit(1);
            if (!std::holds_alternative<Workspace>(parseWorkspace(again))) std::exit(1);
        }));
        opened.push_back(timeMs([&] {
            if (panel.workspace().openFile(path)) std::exit(1);
            paint(main);
        }));
        if (panel.bookmarks().table().size() != count) std::exit(1);
    }
    DeleteFileW(path.c_str());
    const double readMs = medianOf(read), parsedMs = medianOf(parsed), openedMs = medianOf(opened);
    std::printf("read the file: %.1f ms; read and parse: %.1f ms; open in the panel: %.1f ms (%s 1 s)\n", readMs,
                parsedMs, openedMs, openedMs < 1000.0 ? "under" : "NOT under");
    figure("workspace_open_bench.open_vs_read", openedMs, "ms", readMs);
    figure("workspace_open_bench.open_vs_parse", openedMs, "ms", parsedMs);
    return 0;
}
