// A panel on its launch tab with stand-in browsers as lxbr.exe, and helpers
// that fill and edit the launch list the way the operator does: the address
// list dialog, the pop-up menu's commands and their small dialogs.
#pragma once

#include "e2e/instance_fixture.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vuv::e2e {

using Lines = std::vector<std::string>;

inline std::string gbk(const wchar_t* text) { return win::narrow(text); }

class LaunchFixture : public PanelFixture {
protected:
    // Starts the panel with the stand-in as its browser (and as designated
    // browser when asked) and shows the launch tab.
    void startPanel(bool designated = false) {
        writeSettingsWithBrowser(designated ? join({text::kKeyDesignated, "=", browserPath(), "\r\n"}) : std::string());
        panel = std::make_unique<PanelProcess>(sandbox);
        ASSERT_TRUE(panel->ready()) << panel->startError();
        list = panel->control(id::kLaunchList);
        ASSERT_NE(list, nullptr);
        ASSERT_TRUE(selectTab(panel->control(id::kTabs), 1));
    }

    // Appends one entry per line through the address list dialog.
    void addLines(const std::vector<std::string>& lines) {
        const std::size_t before = rows().size();
        ASSERT_TRUE(panel->click(id::kLaunchTextImport));
        HWND dialog = findDialog(panel->pid(), L"输入需要访问的地址");
        ASSERT_NE(dialog, nullptr);
        std::string text;
        for (const std::string& line : lines) text += line + "\r\n";
        ASSERT_TRUE(setEditText(findDescendant(dialog, L"Edit", nullptr), text));
        ASSERT_TRUE(clickAndWaitGone(dialog, L"确定"));
        ASSERT_TRUE(waitUntil([&] { return rows().size() == before + lines.size(); })) << rows().size();
    }

    [[nodiscard]] Table rows() const { return readListView(list); }
    [[nodiscard]] std::vector<std::string> column(int c) const {
        std::vector<std::string> out;
        for (const auto& row : rows()) out.push_back(row.at(static_cast<std::size_t>(c)));
        return out;
    }
    void select(const std::vector<int>& selected) { ASSERT_TRUE(selectRows(list, selected)); }

    // A right click in the middle of a row of the launch list.
    bool rightClick(int row) const { return rightClickRow(list, row); }

    // Opens a dialog by menu command; returns it (null when none came).
    HWND open(int command, const std::wstring& caption, Ms timeout = kWait) {
        if (!panel->command(command)) return nullptr;
        return findDialog(panel->pid(), caption, timeout);
    }

    // Opens a one-field dialog by menu command, checks its pre-filled text,
    // types text and confirms with the button captioned confirm.
    void answer(int command, const std::wstring& caption, const std::string& prefilled, const std::string& typed,
                const wchar_t* confirm) {
        HWND dialog = open(command, caption);
        ASSERT_NE(dialog, nullptr) << win::narrow(caption);
        HWND field = findDescendant(dialog, L"Edit", nullptr);
        EXPECT_EQ(windowTextGbk(field), prefilled);
        ASSERT_TRUE(setEditText(field, typed));
        ASSERT_TRUE(clickAndWaitGone(dialog, confirm));
    }

    void setConfigOfSelected(const std::string& path) {
        answer(id::kEditConfig, L"选择需要设置配置（支持文件拖拽）", "", path, L"确 定");
    }

    [[nodiscard]] bool checked(int id) const {
        const std::optional<LRESULT> state = sendWithTimeout(panel->control(id), BM_GETCHECK, 0, 0);
        return state && *state == BST_CHECKED;
    }
    void setChecked(int id, bool wanted) {
        if (checked(id) == wanted) return;
        ASSERT_TRUE(panel->click(id));
        ASSERT_TRUE(waitUntil([&] { return checked(id) == wanted; }));
    }
    void setInterval(const std::string& text) { ASSERT_TRUE(setEditText(panel->control(id::kInterval), text)); }

    // Presses 全部批量启动 and dismisses its closing notice.
    void launchAll() {
        ASSERT_TRUE(panel->click(id::kLaunchAll));
        const std::optional<MessageBoxInfo> box = panel->messageBox(gbk(L"完成"), Ms{60000});
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text, gbk(L"批量启动完成"));
        ASSERT_TRUE(pressButton(box->window));
    }

    // Command lines of the browsers the panel started, in starting order;
    // waits until there are at least count of them.
    std::vector<std::string> launched(std::size_t count, Ms timeout = Ms{30000}) {
        waitUntil([&] { return sandbox.standinPids().size() >= count; }, timeout, Ms{50});
        struct Started {
            ULONGLONG created;
            std::string commandLine;
        };
        std::vector<Started> started;
        for (DWORD pid : sandbox.standinPids()) {
            StandinLog log(sandbox.logDirectory() + L"standin-" + std::to_wstring(pid) + L".log");
            const std::optional<StandinRecord> line = log.waitFor(isKind("CMDLINE"));
            const Process process = Process::open(pid);
            FILETIME created{}, exited{}, kernel{}, user{};
            if (!process.valid() || !GetProcessTimes(process.handle(), &created, &exited, &kernel, &user)) {
                ADD_FAILURE() << "stand-in " << pid << " is gone";
                continue;
            }
            started.push_back({(ULONGLONG{created.dwHighDateTime} << 32) | created.dwLowDateTime,
                               line ? line->bytes : std::string("<no CMDLINE>")});
        }
        std::sort(started.begin(), started.end(), [](const Started& a, const Started& b) { return a.created < b.created; });
        std::vector<std::string> lines;
        for (Started& s : started) lines.push_back(std::move(s.commandLine));
        return lines;
    }

    // After a launch walk whose browsers have all been seen: true once the
    // walk is over. A walk waits until each browser it starts is idle (at
    // most a second) and then pumps messages, so the mark goes behind that:
    // every browser idle, then a message sent and answered, then the mark.
    // Every browser started by then has written its log, so launched()
    // lists them all.
    [[nodiscard]] bool walkOver() {
        for (DWORD pid : sandbox.standinPids()) {
            const Process browser = Process::open(pid);
            if (browser.valid()) WaitForInputIdle(browser.handle(), 30000);
        }
        if (!sendWithTimeout(panel->mainWindow(), WM_NULL, 0, 0) || !panel->caughtUp()) return false;
        // The programs running from the sandbox: the panel and the browsers.
        return waitUntil([&] { return sandbox.standinPids().size() + 1 >= processesIn(sandbox.directory()).size(); });
    }

    // The command line "P" U TF C as the browser receives it.
    [[nodiscard]] std::string browserLine(const std::string& address, const std::string& time, bool flag,
                                          const std::string& config) const {
        return join({"\"", browserPath(), "\" ", address, " ", time, flag ? text::kTrue : text::kFalse, " ", config});
    }
    [[nodiscard]] std::string quotedBrowser() const { return "\"" + browserPath() + "\""; }

    HWND list = nullptr;
};

}  // namespace vuv::e2e
