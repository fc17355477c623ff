// Private bytes of the real panel (vuv.exe beside this program), filled
// through its own paths with the end-to-end harness:
//   - at rest, right after start-up, against a stand-in browser (lxbr.exe, a
//     bare Win32 program from the same toolchain) at rest;
//   - with 100,000 launch entries, typed into the address list dialog of
//     "批量启动" (WM_SETTEXT, then 确定);
//   - with 100,000 bookmarks as well, through the same dialog of "书签管理";
//   - with a 10 MB page record as well, a "源代码" notification sent by a
//     stand-in browser.
// Each filled figure is set against the panel at rest in the same run. The
// panel should stay under 100 MB with all three loaded.
//
//   memory_bench [rows=100000] [record megabytes=10]
#include "e2e/harness.h"
#include "e2e/memory_use.h"

#include "common/control_ids.h"
#include "common/encoding_win.h"
#include "common/texts.h"
#include "link/channel_win.h"

#include "../../bench_line.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace vuv;
using namespace vuv::e2e;
using Clock = std::chrono::steady_clock;

constexpr double kTargetMb = 100.0;

// Private bytes once the panel has settled: the lowest of a few samples
// taken over half a second, so a transient buffer does not count.
double settledMb(DWORD pid) {
    Sleep(300);
    std::uint64_t lowest = ~std::uint64_t{0};
    for (int i = 0; i < 5; ++i) {
        lowest = std::min(lowest, privateBytes(pid).value_or(lowest));
        Sleep(100);
    }
    return megabytes(lowest);
}

std::optional<LRESULT> rowCount(HWND list) { return sendWithTimeout(list, LVM_GETITEMCOUNT, 0, 0, Ms{60000}); }

// Opens the address list dialog from a page, puts the lines into its edit
// box and confirms; true when the page's list then holds `rows` rows. The
// text goes in 10,000 lines at a time, the first piece with WM_SETTEXT (it
// replaces the hint), the rest appended with EM_REPLACESEL as a paste does:
// Wine does not deliver a cross-process WM_SETTEXT of a few megabytes.
bool fillThroughAddressList(const PanelProcess& panel, int page, int button, int list, const std::vector<std::wstring>& pieces,
                            std::size_t rows) {
    if (!selectTab(panel.control(id::kTabs), page) || !panel.click(button)) return false;
    const HWND dialog = waitForWindow(nullptr, L"输入需要访问的地址", panel.pid());
    HWND edit = nullptr;
    HWND confirm = nullptr;
    // The dialog's window comes first, its controls a moment later.
    waitUntil([&] {
        edit = findDescendant(dialog, L"Edit", nullptr);
        confirm = findDescendant(dialog, L"Button", L"确定");
        return edit != nullptr && confirm != nullptr && IsWindowVisible(dialog);
    });
    if (edit == nullptr || confirm == nullptr) return false;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const auto text = reinterpret_cast<LPARAM>(pieces[i].c_str());
        if (i == 0) {
            if (!sendWithTimeout(edit, WM_SETTEXT, 0, text, Ms{120000})) return false;
            continue;
        }
        const std::optional<LRESULT> end = sendWithTimeout(edit, WM_GETTEXTLENGTH, 0, 0, Ms{120000});
        if (!end || !sendWithTimeout(edit, EM_SETSEL, static_cast<WPARAM>(*end), *end, Ms{120000}) ||
            !sendWithTimeout(edit, EM_REPLACESEL, FALSE, text, Ms{120000})) {
            return false;
        }
    }
    PostMessageW(confirm, BM_CLICK, 0, 0);
    const HWND listView = panel.control(list);
    return waitUntil([&] { return rowCount(listView) == std::optional<LRESULT>(static_cast<LRESULT>(rows)); },
                     Ms{300000}, Ms{100});
}

std::vector<std::wstring> addressLines(const char* kind, std::size_t rows) {
    std::vector<std::wstring> pieces;
    for (std::size_t i = 0; i < rows; ++i) {
        if (i % 10000 == 0) pieces.emplace_back();
        pieces.back() += L"http://example.com/" + win::widen(kind) + L"/" + std::to_wstring(i) + L"?from=memory\r\n";
    }
    return pieces;
}

// A page source of about `bytes` bytes: lines of markup with Chinese text.
std::string pageText(std::size_t bytes) {
    std::string text;
    text.reserve(bytes + 128);
    for (std::size_t i = 0; text.size() < bytes; ++i) {
        text += "<p class=\"row\">\xD0\xC2\xCE\xC5 " + std::to_string(i) + " <a href=\"http://example.com/" +
                std::to_string(i) + "\">link</a></p>\r\n";
    }
    return text;
}

int fail(const char* what) {
    std::fprintf(stderr, "memory_bench: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t rows = argc > 1 ? static_cast<std::size_t>(std::max(1, std::atoi(argv[1]))) : 100000;
    const std::size_t recordMb = argc > 2 ? static_cast<std::size_t>(std::max(1, std::atoi(argv[2]))) : 10;

    Sandbox sandbox;
    if (!sandbox.ok() || !sandbox.hasPanel()) return fail("vuv.exe and lxbr.exe must be built beside this program");
    const std::string settings = "[" + std::string(text::kSettingsSection) + "]\r\n" +
                                 std::string(text::kKeyBrowserPath) + "=" + win::narrow(sandbox.standinExe()) + "\r\n";
    if (!writeFileBytes(sandbox.path(win::widen(text::kSettingsFile)), settings)) return fail("cannot write 设置.ini");
    StandinProcess browser(sandbox);
    if (!browser.ready()) return fail("the stand-in browser did not come up");
    PanelProcess panel(sandbox);
    if (!panel.ready()) return fail(panel.startError().c_str());

    const double standinMb = settledMb(browser.pid());
    const double idleMb = settledMb(panel.pid());

    const auto launchStart = Clock::now();
    if (!fillThroughAddressList(panel, 1, id::kLaunchTextImport, id::kLaunchList, addressLines("launch", rows), rows)) {
        return fail("the launch list did not take the rows");
    }
    const double launchSeconds = std::chrono::duration<double>(Clock::now() - launchStart).count();
    const double launchMb = settledMb(panel.pid());

    const auto bookmarksStart = Clock::now();
    if (!fillThroughAddressList(panel, 3, id::kBookmarkTextImport, id::kBookmarkList, addressLines("bookmark", rows), rows)) {
        return fail("the bookmark table did not take the rows");
    }
    const double bookmarksSeconds = std::chrono::duration<double>(Clock::now() - bookmarksStart).count();
    const double bookmarksMb = settledMb(panel.pid());

    const std::string page = pageText(recordMb << 20);
    const auto recordStart = Clock::now();
    // Sent from here the way a browser sends it (Wine does not deliver a
    // WM_COPYDATA of megabytes, so the stand-in cannot be handed the text to
    // send). The send may time out while the panel is still busy with the
    // text; what counts is that the record shows it.
    const bool acknowledged = win::sendTransfer(
        panel.mainWindow(), text::kMsgNotify, std::string(text::kTagPageSource) + "0" + std::string(text::kSeparator) + page);
    const HWND record = panel.control(id::kPageRecord);
    const auto shown = static_cast<LRESULT>(win::widen(page).size());  // characters, not bytes
    const auto recordLength = [&] { return sendWithTimeout(record, WM_GETTEXTLENGTH, 0, 0, Ms{60000}).value_or(0); };
    if (!waitUntil([&] { return recordLength() >= shown; }, Ms{300000}, Ms{100})) {
        return fail("the page record did not show the text");
    }
    const double recordSeconds = std::chrono::duration<double>(Clock::now() - recordStart).count();
    const double allMb = settledMb(panel.pid());
    const bool stillAnswering = sendWithTimeout(panel.mainWindow(), WM_NULL, 0, 0).has_value();
    const int exceptions = panel.exceptionCount();
    panel.close();

    std::printf("panel private bytes (PrivateUsage; PagefileUsage under Wine)\n");
    std::printf("  at rest:                          %7.1f MB   (stand-in browser at rest: %.1f MB)\n", idleMb,
                standinMb);
    std::printf("  with %zu launch entries:      %7.1f MB   (%+.1f MB; filled in %.1f s)\n", rows, launchMb,
                launchMb - idleMb, launchSeconds);
    std::printf("  and %zu bookmarks:            %7.1f MB   (%+.1f MB; filled in %.1f s)\n", rows, bookmarksMb,
                bookmarksMb - launchMb, bookmarksSeconds);
    std::printf("  and a %zu MB page record:          %7.1f MB   (%+.1f MB; shown in %.1f s, send %s)\n", recordMb,
                allMb, allMb - bookmarksMb, recordSeconds, acknowledged ? "acknowledged" : "timed out");
    std::printf("  all three loaded: %s the target of %.0f MB; panel %s, %d exceptions\n",
                allMb < kTargetMb ? "under" : "OVER", kTargetMb, stillAnswering ? "answering" : "NOT ANSWERING",
                exceptions);

    vuv::bench::figure("memory.idle", idleMb, "MB", standinMb);
    vuv::bench::figure("memory.launch_entries", launchMb, "MB", idleMb);
    vuv::bench::figure("memory.plus_bookmarks", bookmarksMb, "MB", idleMb);
    vuv::bench::figure("memory.plus_page_record", allMb, "MB", idleMb);
    return stillAnswering && exceptions == 0 ? 0 : 1;
}
