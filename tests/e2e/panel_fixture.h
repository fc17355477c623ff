// The base of the tests that run the real panel: a sandbox of their own with
// the programs and "设置.ini", checked to be usable under code page 936, the
// panel once a test starts it, and at the end the check that the panel
// raised no exception.
#pragma once

#include "e2e/harness.h"

#include "common/control_ids.h"
#include "common/encoding_win.h"
#include "common/kernel_handle_win.h"
#include "common/texts.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vuv::e2e {

// A file held open without sharing, as an editor, a sync tool or a virus
// scanner may hold it, until released.
class HeldFile {
public:
    explicit HeldFile(const std::wstring& path)
        : handle_(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    [[nodiscard]] bool held() const { return static_cast<bool>(handle_); }
    void release() { handle_.reset(); }

private:
    win::KernelHandle handle_;
};

class PanelFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sandbox.ok()) << "vuv.exe and lxbr.exe must be built beside the tests";
        // Code page 936 and Chinese file names, which every panel test needs.
        ASSERT_EQ(environmentProblems(sandbox.directory()), "");
    }

    void TearDown() override {
        if (panel) {
            EXPECT_EQ(panel->exceptionCount(), 0) << panel->wineLog();
            // An exception a window procedure caught is a fault all the same.
            EXPECT_EQ(panel->caughtExceptionLines(), std::vector<std::string>{}) << panel->wineLog();
        }
    }

    [[nodiscard]] std::wstring settingsFile() const { return sandbox.path(win::widen(text::kSettingsFile)); }
    [[nodiscard]] std::string browserPath() const { return win::narrow(sandbox.standinExe()); }

    // Writes "设置.ini" naming the stand-in as the browser (no warning at the
    // first activation), followed by more lines when given.
    void writeSettingsWithBrowser(const std::string& moreLines = {}) {
        const std::string settings =
            join({"[", text::kSettingsSection, "]\r\n", text::kKeyBrowserPath, "=", browserPath(), "\r\n", moreLines});
        ASSERT_TRUE(writeFileBytes(settingsFile(), settings));
    }

    // The contents of the panel's run-log rows of one kind, oldest first;
    // with a process id, only the rows about that process.
    static std::vector<std::string> logRows(const PanelProcess& p, std::string_view kind, DWORD pid = 0) {
        const std::string process = std::to_string(pid);
        std::vector<std::string> rows;
        for (const auto& row : readListView(p.control(id::kLogList))) {
            if (row.at(2) == kind && (pid == 0 || row.at(1) == process)) rows.push_back(row.at(3));
        }
        return rows;
    }

    // A right click in the middle of a row of one of the panel's list views,
    // as the mouse gives it: the list view turns it into NM_RCLICK for the
    // main window.
    bool rightClickRow(HWND listView, int row) const {
        RemoteMemory memory(panel->pid(), sizeof(RECT));
        RECT bounds{};
        bounds.left = LVIR_BOUNDS;
        if (!memory.ok() || !memory.write(0, &bounds, sizeof bounds) ||
            !sendWithTimeout(listView, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                             static_cast<LPARAM>(memory.address())) ||
            !memory.read(0, &bounds, sizeof bounds)) {
            return false;
        }
        const LPARAM at = MAKELPARAM((bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2);
        return PostMessageW(listView, WM_RBUTTONDOWN, MK_RBUTTON, at) && PostMessageW(listView, WM_RBUTTONUP, 0, at);
    }

    Sandbox sandbox;
    std::unique_ptr<PanelProcess> panel;
};

}  // namespace vuv::e2e
