// "设置.ini" across runs of the panel, the browser-path check at start-up and
// the path dialog's typed paths, driven from outside.
#include "e2e/launch_fixture.h"

namespace vuv::e2e {
namespace {

class SettingsFile : public LaunchFixture {
protected:
    [[nodiscard]] std::optional<std::string> file() const { return readFileBytes(settingsFile()); }

    // Types text into the path dialog's field and presses "确 定".
    static void confirmPath(HWND dialog, const std::string& path) {
        ASSERT_TRUE(setEditText(findDescendant(dialog, L"Edit", nullptr), path));
        ASSERT_TRUE(clickAndWaitGone(dialog, L"确 定"));
    }

    // The descriptions in the filter list of the panel's open dialog.
    [[nodiscard]] std::vector<std::wstring> fileDialogFilters() const {
        constexpr int kFilterCombo = 0x470;  // cmb1
        std::vector<std::wstring> names;
        HWND combo = nullptr;
        waitUntil([&] {
            for (HWND w : topLevelWindows(panel->pid(), L"#32770")) {
                if (IsWindowVisible(w) && (combo = controlById(w, kFilterCombo)) != nullptr) return true;
            }
            return false;
        });
        const std::optional<LRESULT> count = sendWithTimeout(combo, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; count && i < *count; ++i) {
            wchar_t text[256] = {};
            if (sendWithTimeout(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text))) {
                names.emplace_back(text);
            }
        }
        return names;
    }

    [[nodiscard]] std::string line(std::string_view key, std::string_view value) const {
        return join({key, "=", value, "\r\n"});
    }
};

TEST_F(SettingsFile, FirstRunAsksForTheBrowserAndTheSecondRunUsesWhatWasStored) {
    ASSERT_FALSE(file());
    PanelOptions options;
    options.waitForChannel = false;  // the check holds start-up until the dialog closes
    panel = std::make_unique<PanelProcess>(sandbox, options);
    ASSERT_TRUE(panel->ready()) << panel->startError();

    const std::optional<MessageBoxInfo> warning = panel->messageBox(gbk(L"提醒"));
    ASSERT_TRUE(warning);
    EXPECT_EQ(warning->text, gbk(L"未设置正确鹭行路径请设置\r\n否则将无法使用批量启动功能"));
    ASSERT_TRUE(pressButton(warning->window));
    HWND dialog = findDialog(panel->pid(), L"设置鹭行的路径");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(windowText(dialog), L"设置鹭行的路径（支持文件拖拽）");
    EXPECT_NE(findDescendant(dialog, L"Static", L"设置路径："), nullptr);
    EXPECT_NE(findDescendant(dialog, L"Button", L"打 开"), nullptr);
    EXPECT_EQ(windowText(findDescendant(dialog, L"Edit", nullptr)), L"");

    // A path that names nothing is refused and the dialog stays.
    ASSERT_TRUE(setEditText(findDescendant(dialog, L"Edit", nullptr), win::narrow(sandbox.path(L"无此文件.exe"))));
    ASSERT_TRUE(PostMessageW(findDescendant(dialog, L"Button", L"确 定"), BM_CLICK, 0, 0));
    const std::optional<MessageBoxInfo> missing = panel->messageBox(gbk(L"文件不存在"));
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->text, gbk(L"该文件不存在，请重新设置"));
    ASSERT_TRUE(pressButton(missing->window));
    ASSERT_TRUE(IsWindow(dialog));
    EXPECT_FALSE(file());
    confirmPath(dialog, browserPath());

    // The designated browser and the default configuration through the menu.
    const std::wstring config = sandbox.path(L"默认 配置.zni");
    ASSERT_TRUE(writeFileBytes(config, "x"));
    dialog = open(id::kSetDesignatedPath, L"设置批量启动指定浏览器的路径（支持文件拖拽）");
    ASSERT_NE(dialog, nullptr);
    confirmPath(dialog, browserPath());
    dialog = open(id::kSetDefaultConfig, L"选择需要设置的默认配置（支持文件拖拽）");
    ASSERT_NE(dialog, nullptr);
    confirmPath(dialog, win::narrow(config));

    ASSERT_TRUE(selectTab(panel->control(id::kTabs), 1));
    setChecked(id::kWapBox, true);
    ASSERT_TRUE(panel->command(id::kExit));
    ASSERT_TRUE(Process::open(panel->pid()).waitForExit() || !panel->running());
    EXPECT_EQ(file(), join({"[", text::kSettingsSection, "]\r\n", line(text::kKeyBrowserPath, browserPath()),
                            line(text::kKeyDesignated, browserPath()), line(text::kKeyDefaultConfig, win::narrow(config)),
                            line(text::kKeyWapMode, text::kTrue), line(text::kKeyDesignatedMode, text::kFalse)}));

    // Second run: no question; both paths are in use; the WAP box starts
    // unchecked and its state is written again on the close box.
    panel = std::make_unique<PanelProcess>(sandbox);
    ASSERT_TRUE(panel->ready()) << panel->startError();
    list = panel->control(id::kLaunchList);
    // The start-up check has run before the panel's channel opened (which
    // harness waited for); a box it opened would be there still.
    ASSERT_TRUE(panel->caughtUp());
    EXPECT_EQ(panel->modalWindows(), "");
    ASSERT_TRUE(selectTab(panel->control(id::kTabs), 1));
    EXPECT_FALSE(checked(id::kWapBox));
    ASSERT_TRUE(panel->command(id::kStartBrowser));
    ASSERT_EQ(launched(1), Lines{quotedBrowser()});
    addLines({"http://u/"});
    select({0});
    ASSERT_TRUE(panel->command(id::kLaunchSelectedDesignated));
    EXPECT_EQ(launched(2).back(), quotedBrowser() + " http://u/");
    dialog = open(id::kSetDefaultConfig, L"选择需要设置的默认配置");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(windowTextGbk(findDescendant(dialog, L"Edit", nullptr)), win::narrow(config));
    ASSERT_TRUE(PostMessageW(dialog, WM_CLOSE, 0, 0));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog); }));
    setChecked(id::kDesignatedBox, true);
    ASSERT_TRUE(panel->close());
    const std::optional<std::string> after = file();
    ASSERT_TRUE(after);
    EXPECT_NE(after->find(line(text::kKeyWapMode, text::kFalse)), std::string::npos) << *after;
    EXPECT_NE(after->find(line(text::kKeyDesignatedMode, text::kTrue)), std::string::npos) << *after;
    EXPECT_NE(after->find(line(text::kKeyDesignated, browserPath())), std::string::npos)
        << "the designated browser's key keeps its path";
}

TEST_F(SettingsFile, ClosingThePathDialogStoresAnExistingPathButTheRunKeepsTheOldOne) {
    startPanel();
    const std::string other = win::narrow(sandbox.panelExe());  // exists, never started

    HWND dialog = open(id::kSetBrowserPath, L"设置鹭行的路径（支持文件拖拽）");
    ASSERT_NE(dialog, nullptr);
    HWND field = findDescendant(dialog, L"Edit", nullptr);
    EXPECT_EQ(windowTextGbk(field), browserPath()) << "pre-filled from the file";
    ASSERT_TRUE(setEditText(field, other));
    ASSERT_TRUE(PostMessageW(dialog, WM_CLOSE, 0, 0));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog); }));
    const std::optional<std::string> stored = file();
    ASSERT_TRUE(stored);
    EXPECT_NE(stored->find(join({text::kKeyBrowserPath, "=", other, "\r\n"})), std::string::npos) << *stored;

    ASSERT_TRUE(panel->command(id::kStartBrowser));
    EXPECT_EQ(launched(1), Lines{quotedBrowser()});

    // Enter in the field browses with the browser filter; the chosen file
    // replaces the field's text.
    dialog = open(id::kSetBrowserPath, L"设置鹭行的路径");
    ASSERT_NE(dialog, nullptr);
    field = findDescendant(dialog, L"Edit", nullptr);
    ASSERT_TRUE(PostMessageW(field, WM_KEYDOWN, VK_RETURN, 0x001C0001));
    EXPECT_EQ(fileDialogFilters(), (std::vector<std::wstring>{L"lxbr.exe"}));
    ASSERT_TRUE(answerFileDialog(panel->pid(), sandbox.standinExe()));
    EXPECT_TRUE(waitUntil([&] { return windowTextGbk(field) == browserPath(); }));
    ASSERT_TRUE(PostMessageW(dialog, WM_CLOSE, 0, 0));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog); }));
    dialog = open(id::kSetDefaultConfig, L"选择需要设置的默认配置");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(PostMessageW(findDescendant(dialog, L"Button", L"打 开"), BM_CLICK, 0, 0));
    EXPECT_EQ(fileDialogFilters(), (std::vector<std::wstring>{L"刷页配置(*.zni;*.ini)", L"所有文件(*.*)"}));
    ASSERT_TRUE(answerFileDialog(panel->pid(), L""));
    ASSERT_TRUE(PostMessageW(dialog, WM_CLOSE, 0, 0));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog); }));
    ASSERT_TRUE(panel->command(id::kSetBrowserPath));  // pre-filled from the file again
    dialog = findDialog(panel->pid(), L"设置鹭行的路径");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(setEditText(findDescendant(dialog, L"Edit", nullptr), other));
    ASSERT_TRUE(PostMessageW(dialog, WM_CLOSE, 0, 0));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog); }));

    // A closed dialog with a path that names nothing stores nothing.
    dialog = open(id::kSetBrowserPath, L"设置鹭行的路径");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(windowTextGbk(findDescendant(dialog, L"Edit", nullptr)), other);
    ASSERT_TRUE(setEditText(findDescendant(dialog, L"Edit", nullptr), "C:\\nowhere\\lxbr.exe"));
    ASSERT_TRUE(PostMessageW(dialog, WM_CLOSE, 0, 0));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog); }));
    EXPECT_EQ(file(), stored);
}

// "设置.ini" held open without sharing: the first write that fails (an
// option of the menu 工具 switched) is told in a box, every failed write
// leaves a 失败 row naming the file, and later failures (switching back, the
// exit's two keys) add rows but no box, so nothing holds up the exit.
TEST_F(SettingsFile, AFileThatCannotBeWrittenIsToldOnceAndEveryFailureIsLogged) {
    startPanel();
    const std::optional<std::string> before = file();
    ASSERT_TRUE(before);
    HeldFile held(settingsFile());
    ASSERT_TRUE(held.held());

    ASSERT_TRUE(panel->command(id::kAutoRestart));
    const std::optional<MessageBoxInfo> box = panel->messageBox(gbk(L"提醒"));
    ASSERT_TRUE(box) << "the operator is not told";
    EXPECT_EQ(box->text, gbk(L"设置保存失败"));
    ASSERT_TRUE(pressButton(box->window));
    ASSERT_TRUE(panel->command(id::kAutoRestart));
    ASSERT_TRUE(panel->caughtUp());
    EXPECT_EQ(panel->modalWindows(), "") << "a second failure was told again";

    std::vector<std::string> failures;
    EXPECT_TRUE(waitUntil([&] {
        failures = logRows(*panel, text::kEventFailure);
        return failures.size() == 2u;
    })) << failures.size();
    for (const std::string& row : failures) {
        EXPECT_EQ(row.rfind(gbk(L"设置保存失败"), 0), 0u) << row;
        EXPECT_NE(row.find(std::string(text::kSettingsFile)), std::string::npos) << row;
    }
    ASSERT_TRUE(panel->close()) << panel->modalWindows();
    held.release();
    EXPECT_EQ(file(), before) << "a held file was written";
}

}  // namespace
}  // namespace vuv::e2e
