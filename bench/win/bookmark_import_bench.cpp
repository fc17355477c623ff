// Speed of "导入" on a big bookmark file, on the panel's own page code inside
// this process (the main window, the launch page, the bookmark page and the
// importers' page are built as at start-up, without the channel). A page of
// links in UTF-8, each with a Chinese link text, is generated first; then:
//   - from the answer of the open dialog to the launch list showing every
//     link (read, convert, match, append, paint), against reading the same
//     file and converting it to entries without the panel, and against
//     reading its bytes alone;
//   - the same into the bookmark table;
//   - from the press of "导入" to the list showing, the system's open dialog
//     included: a helper thread types the path into it and confirms; the
//     part until the path is typed is the dialog's own start-up.
// Each figure is the median of several rounds, measured in the same run.
//
// Under Wine on a display without a window manager, the X11 driver waits
// about 2 s for every closed top-level window to be withdrawn (its log says
// "wait_for_withdrawn_state ... wait timed out"). That wait lands in the two
// dialog figures alike; the baseline of the dialog alone shows its size.
//
//   bookmark_import_bench [links=50000] [rounds=5]
#include "app/panel_win.h"
#include "bookmarks/bookmark_import.h"
#include "common/control_ids.h"
#include "common/encoding_win.h"
#include "common/file_dialog_win.h"
#include "common/files_win.h"

#include "../bench_line.h"
#include "bench_win.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace vuv;
using namespace vuv::win;
using namespace vuv::bench;

std::size_t rowCount(HWND list) { return static_cast<std::size_t>(ListView_GetItemCount(list)); }

// A bookmark page as browsers write it: one link per line, an icon attribute
// and a link text of Chinese and ASCII, in UTF-8.
std::string makeBookmarkPage(std::size_t links) {
    const std::string head = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n<TITLE>Bookmarks</TITLE>\r\n<DL><p>\r\n";
    const std::string folder = "\xE4\xB9\xA6\xE7\xAD\xBE";  // 书签
    std::string page = head;
    page.reserve(head.size() + links * 150);
    for (std::size_t i = 0; i < links; ++i) {
        const std::string n = std::to_string(i);
        page += "    <DT><A HREF=\"http://www.example.com/section/" + n + "/index.html\" ADD_DATE=\"1600000000\"";
        page += " ICON=\"data:image/png;base64,iVBORw0KGgo=\">" + folder + " " + n + "</A>\r\n";
    }
    page += "</DL><p>\r\n";
    return page;
}

// Answers the next open dialog of the given thread with path, from another
// thread, as the operator would: types the path and confirms.
class DialogAnswerer {
public:
    DialogAnswerer(DWORD uiThread, std::wstring path)
        : uiThread_(uiThread), path_(std::move(path)), thread_([this] { run(); }) {}
    ~DialogAnswerer() {
        done_ = true;
        thread_.join();
    }
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;

    // When the path was typed and the dialog confirmed; valid once the
    // dialog has closed.
    [[nodiscard]] Clock::time_point answered() const noexcept { return answered_; }

private:
    // The file name box of a visible open dialog of the thread, or null.
    static BOOL CALLBACK findNameBox(HWND window, LPARAM found) {
        wchar_t name[16] = {};
        if (!IsWindowVisible(window) || GetClassNameW(window, name, 16) == 0 || lstrcmpW(name, L"#32770") != 0) {
            return TRUE;
        }
        HWND box = GetDlgItem(window, 0x47C);  // cmb13, or edt1 in older dialogs
        if (box == nullptr) box = GetDlgItem(window, 0x480);
        if (box == nullptr) return TRUE;
        *reinterpret_cast<HWND*>(found) = box;
        return FALSE;
    }

    void run() {
        while (!done_) {
            HWND box = nullptr;
            EnumThreadWindows(uiThread_, &DialogAnswerer::findNameBox, reinterpret_cast<LPARAM>(&box));
            if (box != nullptr) {
                SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path_.c_str()));
                answered_ = Clock::now();
                PostMessageW(GetAncestor(box, GA_ROOT), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                return;
            }
            Sleep(1);
        }
    }

    DWORD uiThread_;
    std::wstring path_;
    std::atomic<bool> done_{false};
    Clock::time_point answered_{};
    std::thread thread_;
};

}  // namespace

int main(int argc, char** argv) {
    const std::size_t links = argc > 1 ? static_cast<std::size_t>(std::max(1, std::atoi(argv[1]))) : 50000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    // The whole panel, in this process, without its start-up sequence.
    static Panel panel;
    if (!panel.build(GetModuleHandleW(nullptr))) return 1;
    MainWindow& window = panel.window();
    const HWND main = window.hwnd();
    LaunchPage& launch = panel.launch();
    Importer& importer = panel.importer();
    window.showPage(id::kLaunchPage);
    ShowWindow(main, SW_SHOWNORMAL);
    UpdateWindow(main);
    pump();
    HWND launchList = GetDlgItem(main, id::kLaunchList);
    HWND bookmarkList = GetDlgItem(main, id::kBookmarkList);

    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring widePath =
        std::wstring(temp) + L"vuv-bench-书签-" + std::to_wstring(GetCurrentProcessId()) + L".htm";
    const std::wstring& path = widePath;
    const std::string page = makeBookmarkPage(links);
    if (!writeFileBytes(path, page)) {
        std::fprintf(stderr, "cannot write %s\n", narrow(path).c_str());
        return 1;
    }
    bool wrong = false;
    const auto check = [&](HWND list, const char* what) {
        if (rowCount(list) == links) return;
        std::fprintf(stderr, "%s: %zu rows instead of %zu\n", what, rowCount(list), links);
        wrong = true;
    };

    std::vector<double> toLaunch, toBookmarks, throughDialog, untilAnswered, dialogAlone, baseline, readOnly;
    for (int r = 0; r < rounds; ++r) {
        launch.clear();
        paint(launchList);
        toLaunch.push_back(timeMs([&] {
            importer.importFile(path, true);
            paint(launchList);
        }));
        check(launchList, "launch list");

        window.showPage(id::kBookmarksPage);
        SendMessageW(GetDlgItem(main, id::kBookmarkClear), BM_CLICK, 0, 0);  // 清空
        paint(bookmarkList);
        toBookmarks.push_back(timeMs([&] {
            importer.importFile(path, false);
            paint(bookmarkList);
        }));
        check(bookmarkList, "bookmark table");
        window.showPage(id::kLaunchPage);

        launch.clear();
        paint(launchList);
        {
            DialogAnswerer answerer(GetCurrentThreadId(), widePath);
            const auto pressed = Clock::now();
            throughDialog.push_back(timeMs([&] {
                SendMessageW(GetDlgItem(main, id::kLaunchFileImport), BM_CLICK, 0, 0);
                paint(launchList);
            }));
            untilAnswered.push_back(std::chrono::duration<double, std::milli>(answerer.answered() - pressed).count());
        }
        check(launchList, "launch list through the open dialog");

        {
            DialogAnswerer answerer(GetCurrentThreadId(), widePath);
            dialogAlone.push_back(timeMs([&] {
                if (askOpenFile(main, L"htm|*.htm") != widePath) wrong = true;
            }));
        }

        std::size_t entries = 0;
        baseline.push_back(timeMs([&] {
            std::string raw;
            if (!readFileBytes(path, raw)) return;
            entries = importBookmarkText(utf8ToGbk(cutAtTextEnd(raw)), raw).size();
        }));
        if (entries != links) {
            std::fprintf(stderr, "baseline: %zu entries instead of %zu\n", entries, links);
            wrong = true;
        }
        readOnly.push_back(timeMs([&] {
            std::string raw;
            if (!readFileBytes(path, raw)) wrong = true;
        }));
    }
    DeleteFileW(widePath.c_str());

    std::printf("links: %zu, file: %zu bytes (UTF-8), rounds: %d (median of each)\n", links, page.size(), rounds);
    std::printf("import into 批量启动 and show:          %8.2f ms\n", medianOf(toLaunch));
    std::printf("import into 书签管理 and show:          %8.2f ms\n", medianOf(toBookmarks));
    std::printf("press 导入, open dialog, import, show:  %8.2f ms\n", medianOf(throughDialog));
    std::printf("  of which the open dialog until typed: %8.2f ms\n", medianOf(untilAnswered));
    std::printf("  baseline the open dialog alone:      %8.2f ms\n", medianOf(dialogAlone));
    std::printf("  baseline read, convert, find links:  %8.2f ms\n", medianOf(baseline));
    std::printf("  baseline reading the file alone:     %8.2f ms\n", medianOf(readOnly));
    vuv::bench::figure("bookmark_import.to_launch_list", medianOf(toLaunch), "ms", medianOf(baseline));
    vuv::bench::figure("bookmark_import.to_bookmarks", medianOf(toBookmarks), "ms", medianOf(baseline));
    vuv::bench::figure("bookmark_import.through_dialog", medianOf(throughDialog), "ms",
                       medianOf(baseline) + medianOf(dialogAlone));
    // Leave without the exit sequence: nothing of the panel's settings is saved.
    ExitProcess(wrong ? 1 : 0);
}
