// vuvprobe: waits until the panel's main window shows what a person would
// see once it has started: its tabs, the expected number of rows in the
// instance table, and nothing of the window or those controls left to paint.
// Prints what it checked; exit code 0 when all held before the deadline, 1
// otherwise (with what it saw last).
//
//   vuvprobe [--rows N] [--seconds S]     (defaults: 3 rows, 120 s)
#include "common/control_ids.h"
#include "common/encoding_win.h"
#include "common/texts.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <optional>
#include <string>

namespace {

using namespace vuv;

// Every question to the panel has a time limit: a panel that hangs must not
// hang the probe.
std::optional<LRESULT> ask(HWND hwnd, UINT message) {
    DWORD_PTR result = 0;
    if (hwnd == nullptr || SendMessageTimeoutW(hwnd, message, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) == 0) {
        return std::nullopt;
    }
    return static_cast<LRESULT>(result);
}

struct ControlQuery {
    int id;
    HWND found;
};

BOOL CALLBACK matchControl(HWND hwnd, LPARAM param) {
    auto& q = *reinterpret_cast<ControlQuery*>(param);
    if (GetDlgCtrlID(hwnd) != q.id) return TRUE;
    q.found = hwnd;
    return FALSE;
}

// A control by id, also on a page window inside the main window.
HWND control(HWND main, int wanted) {
    ControlQuery query{wanted, GetDlgItem(main, wanted)};
    if (query.found == nullptr) EnumChildWindows(main, &matchControl, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

// Shown, and with no region waiting for WM_PAINT.
bool painted(HWND hwnd) { return hwnd != nullptr && IsWindowVisible(hwnd) && !GetUpdateRect(hwnd, nullptr, FALSE); }

struct Seen {
    HWND main = nullptr;
    long tabs = -1;
    long rows = -1;
    bool mainPainted = false;
    bool tabsPainted = false;
    bool tablePainted = false;

    [[nodiscard]] bool complete(long wantedRows) const {
        return main != nullptr && tabs > 0 && rows == wantedRows && mainPainted && tabsPainted && tablePainted;
    }
    [[nodiscard]] std::string describe() const {
        if (main == nullptr) return "no visible main window captioned with the panel's caption";
        const auto count = [](long n, const char* what) {
            return n < 0 ? std::string("no answer about the ") + what : std::to_string(n) + " " + what;
        };
        return count(tabs, "tabs") + ", " + count(rows, "rows in the instance table") + ", main window " +
               (mainPainted ? "painted" : "not painted yet") + ", tabs " + (tabsPainted ? "painted" : "not painted yet") +
               ", instance table " + (tablePainted ? "painted" : "not painted yet");
    }
};

Seen look() {
    Seen seen;
    const std::wstring caption = win::widen(text::kMainCaption);
    const HWND main = FindWindowW(nullptr, caption.c_str());
    if (main == nullptr || !IsWindowVisible(main)) return seen;
    seen.main = main;
    const HWND tabs = control(main, id::kTabs);
    const HWND table = control(main, id::kInstanceTable);
    seen.tabs = static_cast<long>(ask(tabs, TCM_GETITEMCOUNT).value_or(-1));
    seen.rows = static_cast<long>(ask(table, LVM_GETITEMCOUNT).value_or(-1));
    seen.mainPainted = painted(main);
    seen.tabsPainted = painted(tabs);
    seen.tablePainted = painted(table);
    return seen;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    long rows = 3;
    long seconds = 120;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::wcscmp(argv[i], L"--rows") == 0) rows = std::wcstol(argv[i + 1], nullptr, 10);
        else if (std::wcscmp(argv[i], L"--seconds") == 0) seconds = std::wcstol(argv[i + 1], nullptr, 10);
    }
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
    Seen seen;
    std::string shown;
    int completeInARow = 0;
    while (GetTickCount64() < deadline) {
        seen = look();
        // Each state once, as it changes: what the panel went through.
        if (const std::string now = seen.describe(); now != shown && !seen.complete(rows)) {
            std::printf("waiting: %s\n", now.c_str());
            std::fflush(stdout);
            shown = now;
        }
        // Twice in a row, 100 ms apart: a paint that a late row asked for
        // has been done too.
        completeInARow = seen.complete(rows) ? completeInARow + 1 : 0;
        if (completeInARow == 2) {
            std::printf("checked: %s\n", seen.describe().c_str());
            return 0;
        }
        Sleep(100);
    }
    std::printf("after %ld s, wanted %ld rows, tabs and everything painted; saw: %s\n", seconds, rows,
                seen.describe().c_str());
    return 1;
}
