// A panel with stand-in browsers listed in its instance table, and helpers to
// drive the panel's small dialogs from outside: found by caption, filled with
// WM_SETTEXT, confirmed with a posted BM_CLICK.
#pragma once

#include "e2e/panel_fixture.h"

#include "common/control_ids.h"
#include "common/encoding_win.h"
#include "common/texts.h"
#include "link/payloads.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace vuv::e2e {

// Visible top-level window of pid whose caption starts with prefix.
inline HWND findDialog(DWORD pid, const std::wstring& prefix, Ms timeout = kWait) {
    HWND found = nullptr;
    static_cast<void>(waitUntil(
        [&] {
            for (HWND w : topLevelWindows(pid)) {
                if (IsWindowVisible(w) && windowText(w).compare(0, prefix.size(), prefix) == 0) {
                    found = w;
                    return true;
                }
            }
            return false;
        },
        timeout, Ms{20}));
    return found;
}

inline bool setEditText(HWND edit, const std::string& gbk) {
    const std::wstring text = win::widen(gbk);
    const std::optional<LRESULT> done = sendWithTimeout(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    return done && *done;
}

// Clicks a button of the dialog by caption and waits until the dialog is gone.
inline bool clickAndWaitGone(HWND dialog, const wchar_t* button) {
    const HWND target = findDescendant(dialog, L"Button", button);
    if (target == nullptr || !PostMessageW(target, BM_CLICK, 0, 0)) return false;
    return waitUntil([&] { return !IsWindow(dialog); });
}

// Payloads received under a message name, in order.
inline std::vector<std::string> received(StandinProcess& standin, std::string_view name) {
    std::vector<std::string> payloads;
    for (const StandinRecord& r : standin.log()) {
        if (r.kind == "RECV" && r.name == name) payloads.push_back(r.bytes);
    }
    return payloads;
}

inline std::string dump(StandinProcess& standin) {
    std::string out = "log of " + std::to_string(standin.pid()) + ":\n";
    for (const StandinRecord& r : standin.log()) out += "  " + r.line.substr(0, 160) + "\n";
    return out;
}

class InstanceFixture : public PanelFixture {
protected:
    StandinProcess& browser(const StandinOptions& options = {}) {
        browsers.push_back(std::make_unique<StandinProcess>(sandbox, options));
        return *browsers.back();
    }

    // Starts the panel with a valid browser path (no warning at first
    // activation); it lists the running browsers as it shows.
    void startPanel(const PanelOptions& options = {}) {
        writeSettingsWithBrowser();
        for (const auto& b : browsers) ASSERT_TRUE(b->ready());
        panel = std::make_unique<PanelProcess>(sandbox, options);
        ASSERT_TRUE(panel->ready()) << panel->startError();
        table = panel->control(id::kInstanceTable);
        ASSERT_NE(table, nullptr);
        ASSERT_TRUE(waitUntil([&] { return readListView(table).size() == browsers.size(); }))
            << readListView(table).size() << " rows";
    }

    // A framed copy (browsers[0]) and one in tab mode, without frame window
    // (browsers[1]), both listed and selected.
    void startFramedAndTabbedSelected() {
        StandinOptions tabbed;
        tabbed.frame = false;
        browser();
        browser(tabbed);
        startPanel();
        select({0, 1});
    }

    // The stand-in shown in a row of the table (its 编号 is the process id).
    StandinProcess& atRow(int row) {
        const Table rows = readListView(table);
        for (const auto& b : browsers) {
            if (row < static_cast<int>(rows.size()) && rows[static_cast<std::size_t>(row)][0] == std::to_string(b->pid())) {
                return *b;
            }
        }
        ADD_FAILURE() << "no stand-in at row " << row;
        return *browsers.front();
    }

    void select(const std::vector<int>& rows) { ASSERT_TRUE(selectRows(table, rows)); }

    std::vector<std::unique_ptr<StandinProcess>> browsers;
    HWND table = nullptr;
};

}  // namespace vuv::e2e
