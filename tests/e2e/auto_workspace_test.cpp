// The automatic workspace never replaces a file it did not build itself: a
// file held open or damaged at start-up, one of an earlier run found when
// the option is switched on, one a second panel from the same folder saves.
// A save that fails is told once per streak and retried; the exports write
// through a temporary file and tell their failures.
#include "e2e/instance_fixture.h"
#include "e2e/notification_helpers.h"

#include "app/workspace.h"
#include "link/channel_win.h"

#include <chrono>
#include <variant>

namespace vuv::e2e {
namespace {

using Clock = std::chrono::steady_clock;

std::string gbk(const wchar_t* text) { return win::narrow(text); }

// How long a test waits for a change to reach the automatic workspace: a
// save that fails once is tried again after 1, 2, 4 and 8 s.
constexpr Ms kSaveWait{30000};

bool contains(const std::string& text, const wchar_t* part) { return text.find(gbk(part)) != std::string::npos; }

std::string workspaceWithBookmarks(const std::string& prefix, int count) {
    Workspace workspace;
    for (int i = 0; i < count; ++i) {
        workspace.bookmarks.push_back(SavedBookmark{prefix + std::to_string(i), false, kNoHolder, kNoTime});
    }
    return writeWorkspace(workspace);
}

std::optional<Workspace> parsed(const std::optional<std::string>& bytes) {
    if (!bytes) return std::nullopt;
    auto read = parseWorkspace(*bytes);
    if (auto* workspace = std::get_if<Workspace>(&read)) return std::move(*workspace);
    return std::nullopt;
}

class AutoWorkspace : public InstanceFixture {
protected:
    [[nodiscard]] std::wstring autoFile() const { return sandbox.path(win::widen(text::kWorkspaceFile)); }
    static std::string autoSaveOn() { return join({text::kKeyAutoSave, "=", text::kTrue, "\r\n"}); }

    // Starts a panel from the sandbox as it stands; with a box expected at
    // start-up, its channel is waited for after the box (see channelOpen).
    static std::unique_ptr<PanelProcess> start(Sandbox& sandbox, bool boxExpected) {
        PanelOptions options;
        options.waitForChannel = !boxExpected;
        return std::make_unique<PanelProcess>(sandbox, options);
    }
    static bool channelOpen(const PanelProcess& p) {
        const HWND main = p.mainWindow();
        return waitUntil([main] { return win::sendTransfer(main, text::kMsgNotify, {}); }, Ms{20000}, Ms{50});
    }
    static Table bookmarksOf(const PanelProcess& p) { return readListView(p.control(id::kBookmarkList)); }

    // The run log's rows about the automatic workspace.
    static std::vector<std::string> workspaceRows(const PanelProcess& p) { return logRows(p, text::kEventWorkspace); }

    bool settingStored(std::string_view key, std::string_view value) const {
        const std::optional<std::string> file = readFileBytes(settingsFile());
        return file && file->find(join({key, "=", value})) != std::string::npos;
    }

    // The start-up box about the automatic workspace: read, answered, and
    // the panel's channel open afterwards.
    std::string answerStartBox() {
        const std::optional<MessageBoxInfo> box = panel->messageBox(gbk(L"提醒"), Ms{20000});
        if (!box) return "no box";
        const std::string text = box->text;
        if (!pressButton(box->window) || !channelOpen(*panel)) return "box not answered";
        return text;
    }

    // The panel's save dialog answered with path, then the panel caught up.
    bool saveThroughDialog(int command, const std::wstring& path) {
        return panel->command(command) && answerFileDialog(panel->pid(), path) && panel->caughtUp();
    }
};

// Held open without sharing while the panel starts and released 3 s later:
// the operator is told (naming the file), the run log says so, and neither
// the ticks after the release nor the exit write over the saved bookmarks.
TEST_F(AutoWorkspace, AFileHeldOpenAtStartKeepsItsBookmarksAndTheOperatorIsTold) {
    writeSettingsWithBrowser(autoSaveOn());
    const std::string saved = workspaceWithBookmarks("http://held.example/", 5);
    ASSERT_TRUE(writeFileBytes(autoFile(), saved));
    HeldFile held(autoFile());
    ASSERT_TRUE(held.held());
    const auto heldSince = Clock::now();
    panel = start(sandbox, true);
    ASSERT_TRUE(panel->ready()) << panel->startError();
    const std::optional<MessageBoxInfo> box = panel->messageBox(gbk(L"提醒"), Ms{20000});
    ASSERT_TRUE(box) << "the operator is not told";
    EXPECT_TRUE(contains(box->text, L"工作区.txt")) << box->text;
    EXPECT_TRUE(contains(box->text, L"无法读取")) << box->text;
    // The holder lets go after 3 s; the panel runs on from there.
    waitUntil([&] { return Clock::now() - heldSince >= std::chrono::seconds(3); }, Ms{5000}, Ms{50});
    held.release();
    ASSERT_TRUE(pressButton(box->window));
    ASSERT_TRUE(channelOpen(*panel));
    ASSERT_TRUE(waitUntil([&] { return workspaceRows(*panel).size() == 1u; }));
    EXPECT_TRUE(contains(workspaceRows(*panel).front(), L"工作区.txt"));
    EXPECT_TRUE(bookmarksOf(*panel).empty());

    // A change, then the exit, which saves what changed: the file stays.
    ASSERT_TRUE(panel->click(id::kLoopBox));
    ASSERT_TRUE(panel->caughtUp());
    EXPECT_EQ(panel->modalWindows(), "");
    ASSERT_TRUE(panel->close()) << panel->modalWindows();
    EXPECT_TRUE(readFileBytes(autoFile()) == saved) << "the saved workspace was written over";
}

// A damaged file whose copy aside fails (a folder of that name is in the
// way): told, and the file is left as it is for the operator to recover.
TEST_F(AutoWorkspace, ADamagedFileThatCannotBeSetAsideIsLeftAsItIs) {
    writeSettingsWithBrowser(autoSaveOn());
    std::string damaged = workspaceWithBookmarks("http://damaged.example/", 4);
    damaged.resize(damaged.rfind("[END]"));  // cut short, as by a crash
    ASSERT_TRUE(writeFileBytes(autoFile(), damaged));
    ASSERT_TRUE(CreateDirectoryW((autoFile() + L".damaged").c_str(), nullptr));
    panel = start(sandbox, true);
    ASSERT_TRUE(panel->ready()) << panel->startError();
    const std::string told = answerStartBox();
    EXPECT_TRUE(contains(told, L"无法打开")) << told;
    EXPECT_TRUE(contains(told, L"工作区.txt.damaged")) << told;
    EXPECT_TRUE(contains(told, L"不自动保存")) << told;
    ASSERT_TRUE(waitUntil([&] { return workspaceRows(*panel).size() == 1u; }));

    ASSERT_TRUE(panel->click(id::kLoopBox));
    ASSERT_TRUE(panel->caughtUp());
    ASSERT_TRUE(panel->close()) << panel->modalWindows();
    EXPECT_TRUE(readFileBytes(autoFile()) == damaged) << "the damaged file was written over";
    const DWORD aside = GetFileAttributesW((autoFile() + L".damaged").c_str());
    EXPECT_TRUE(aside != INVALID_FILE_ATTRIBUTES && (aside & FILE_ATTRIBUTE_DIRECTORY) != 0);
}

// Two panels from one folder: the first opens and saves the workspace (and
// removes what a killed run left), the second is told why it does not,
// opens nothing, writes nothing and removes nothing.
TEST_F(AutoWorkspace, ASecondPanelFromTheSameFolderNeitherOpensNorSavesTheWorkspace) {
    writeSettingsWithBrowser(autoSaveOn());
    const std::string saved = workspaceWithBookmarks("http://first.example/", 4);
    ASSERT_TRUE(writeFileBytes(autoFile(), saved));
    // Left by a run killed mid-write: the first panel removes it.
    const std::wstring leftover = autoFile() + L".tmp4242";
    ASSERT_TRUE(writeFileBytes(leftover, "half"));
    panel = start(sandbox, false);
    ASSERT_TRUE(panel->ready()) << panel->startError();
    ASSERT_EQ(bookmarksOf(*panel).size(), 4u);
    EXPECT_FALSE(readFileBytes(leftover).has_value()) << "a leftover temporary file stays";

    // One that may be the first panel's own write in progress: the second
    // panel, which holds no lock, leaves it.
    ASSERT_TRUE(writeFileBytes(leftover, "half"));
    std::unique_ptr<PanelProcess> second = start(sandbox, true);
    ASSERT_TRUE(second->ready()) << second->startError();
    ASSERT_NE(second->pid(), panel->pid());
    const std::optional<MessageBoxInfo> box = second->messageBox(gbk(L"提醒"), Ms{20000});
    ASSERT_TRUE(box) << "the second panel is not told";
    EXPECT_TRUE(contains(box->text, L"另一个面板")) << box->text;
    EXPECT_TRUE(contains(box->text, L"工作区.txt")) << box->text;
    ASSERT_TRUE(pressButton(box->window));
    ASSERT_TRUE(channelOpen(*second));
    EXPECT_TRUE(bookmarksOf(*second).empty());
    ASSERT_TRUE(waitUntil([&] { return workspaceRows(*second).size() == 1u; }));
    ASSERT_TRUE(second->click(id::kLoopBox));
    ASSERT_TRUE(second->caughtUp());
    ASSERT_TRUE(second->close()) << second->modalWindows();
    EXPECT_TRUE(readFileBytes(autoFile()) == saved) << "the second panel wrote the first one's workspace";
    EXPECT_TRUE(readFileBytes(leftover) == std::optional<std::string>("half"));
    EXPECT_EQ(second->exceptionCount(), 0) << second->wineLog();

    // The first panel still saves: its change reaches the file.
    ASSERT_TRUE(panel->click(id::kLoopBox));
    ASSERT_TRUE(waitUntil([&] {
        const std::optional<Workspace> w = parsed(readFileBytes(autoFile()));
        return w && w->bookmarks.size() == 4u && w->settings.loopBookmarks == std::optional<bool>(true);
    }, kSaveWait, Ms{100})) << "open: " << panel->modalWindows() << "\n" << panel->wineLog();
    EXPECT_TRUE(workspaceRows(*panel).empty());
}

// A save that fails (the file held open without sharing) is told once,
// however often it is tried again; released, the next try writes the
// workspace and the run log says it is saved again. At exit a failed save
// is told in a box before the panel ends.
TEST_F(AutoWorkspace, AFailingSaveIsToldOncePerStreakRetriedAndToldAtExit) {
    writeSettingsWithBrowser(autoSaveOn());
    panel = start(sandbox, false);
    ASSERT_TRUE(panel->ready()) << panel->startError();
    // No file yet: the first tick creates it.
    ASSERT_TRUE(waitUntil([&] { return parsed(readFileBytes(autoFile())).has_value(); }));

    auto held = std::make_unique<HeldFile>(autoFile());
    ASSERT_TRUE(held->held());
    ASSERT_TRUE(panel->click(id::kLoopBox));
    const std::optional<MessageBoxInfo> box = panel->messageBox(gbk(L"提醒"), Ms{20000});
    ASSERT_TRUE(box) << "a failed save is not told";
    EXPECT_TRUE(contains(box->text, L"自动保存失败")) << box->text;
    EXPECT_TRUE(contains(box->text, L"工作区.txt")) << box->text;
    ASSERT_TRUE(pressButton(box->window));
    // More changes while the file stays held for 4 s: tried again, not told again.
    ASSERT_TRUE(panel->click(id::kWapBox));
    const auto since = Clock::now();
    waitUntil([&] { return Clock::now() - since >= std::chrono::seconds(4); }, Ms{6000}, Ms{100});
    held.reset();
    const auto savedAgain = [&] {
        const std::optional<Workspace> w = parsed(readFileBytes(autoFile()));
        return w && w->settings.loopBookmarks == std::optional<bool>(true) &&
               w->settings.wapMode == std::optional<bool>(true);
    };
    ASSERT_TRUE(waitUntil(savedAgain, Ms{40000}, Ms{100})) << "the save was not tried again";
    ASSERT_TRUE(waitUntil([&] { return workspaceRows(*panel).size() == 2u; }));
    const std::vector<std::string> rows = workspaceRows(*panel);
    EXPECT_TRUE(contains(rows[0], L"自动保存失败")) << rows[0];
    EXPECT_TRUE(contains(rows[1], L"重新自动保存")) << rows[1];
    EXPECT_EQ(panel->modalWindows(), "") << "one notice per streak";

    // The exit's save fails: told before the panel ends.
    held = std::make_unique<HeldFile>(autoFile());
    ASSERT_TRUE(held->held());
    ASSERT_TRUE(panel->click(id::kLoopBox));
    ASSERT_TRUE(PostMessageW(panel->mainWindow(), WM_CLOSE, 0, 0));
    bool toldAtExit = false;
    // A tick may fail first and tell of a new streak; the exit tells after it.
    waitUntil(
        [&] {
            if (!panel->running()) return true;
            const std::optional<MessageBoxInfo> next = panel->messageBox(gbk(L"提醒"), Ms{500});
            if (next) {
                toldAtExit = toldAtExit || contains(next->text, L"没有保存");
                static_cast<void>(pressButton(next->window));
            }
            return false;
        },
        Ms{30000}, Ms{50});
    EXPECT_TRUE(toldAtExit) << "the exit's failed save is not told";
    EXPECT_FALSE(panel->running());
}

// Switched on beside a file of an earlier run: cancelled, the option stays
// off and the file as it is; "是" opens it first; "否" sets it aside under a
// new name and saves the panel's workspace.
TEST_F(AutoWorkspace, SwitchingOnBesideAnEarlierFileOpensItOrSetsItAside) {
    writeSettingsWithBrowser();
    const std::string earlier = workspaceWithBookmarks("http://earlier.example/", 3);
    ASSERT_TRUE(writeFileBytes(autoFile(), earlier));
    panel = start(sandbox, false);
    ASSERT_TRUE(panel->ready()) << panel->startError();
    ASSERT_TRUE(bookmarksOf(*panel).empty());

    const auto ask = [&]() -> std::optional<MessageBoxInfo> {
        if (!panel->command(id::kAutoSaveWorkspace)) return std::nullopt;
        return panel->messageBox(gbk(L"提醒"));
    };
    std::optional<MessageBoxInfo> box = ask();
    ASSERT_TRUE(box) << "switched on without asking";
    EXPECT_TRUE(contains(box->text, L"工作区.txt")) << box->text;
    ASSERT_TRUE(pressButton(box->window, IDCANCEL));
    ASSERT_TRUE(panel->caughtUp());
    EXPECT_TRUE(settingStored(text::kKeyAutoSave, text::kFalse));
    EXPECT_TRUE(readFileBytes(autoFile()) == earlier);

    box = ask();
    ASSERT_TRUE(box);
    ASSERT_TRUE(pressButton(box->window, IDYES));
    ASSERT_TRUE(panel->caughtUp());
    EXPECT_TRUE(settingStored(text::kKeyAutoSave, text::kTrue));
    const Table opened = bookmarksOf(*panel);
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[2][1], "http://earlier.example/2");
    ASSERT_TRUE(panel->click(id::kLoopBox));
    ASSERT_TRUE(waitUntil([&] {
        const std::optional<Workspace> w = parsed(readFileBytes(autoFile()));
        return w && w->bookmarks.size() == 3u && w->settings.loopBookmarks == std::optional<bool>(true);
    }, kSaveWait, Ms{100}));

    // Off; meanwhile the file is replaced by someone else; on again: "否".
    ASSERT_TRUE(panel->command(id::kAutoSaveWorkspace));
    ASSERT_TRUE(panel->caughtUp());
    const std::string other = workspaceWithBookmarks("http://other.example/", 2);
    ASSERT_TRUE(writeFileBytes(autoFile(), other));
    box = ask();
    ASSERT_TRUE(box) << "a file this run did not write was taken over";
    ASSERT_TRUE(pressButton(box->window, IDNO));
    ASSERT_TRUE(waitUntil([&] {
        const std::optional<Workspace> w = parsed(readFileBytes(autoFile()));
        return w && w->bookmarks.size() == 3u;
    }, kSaveWait, Ms{100}));
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((autoFile() + L".2*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << "no file set aside";
    FindClose(search);
    EXPECT_TRUE(readFileBytes(sandbox.path(found.cFileName)) == other);
    EXPECT_EQ(bookmarksOf(*panel).size(), 3u);
}

// The bookmark and run-log exports tell a failure and leave the previous
// file byte for byte; the launch-list export leaves it too, without a box.
// Every failure leaves a run-log row naming it and the file. A good export
// leaves no temporary file behind.
TEST_F(AutoWorkspace, FailedExportsLeaveThePreviousFileAndTellWhereTheyShould) {
    startPanel();
    ASSERT_TRUE(importBookmarks(*panel, sandbox.directory(), {"http://x.example/1", "http://x.example/2"}));
    const std::string previous = "previous export\r\n";

    struct Export {
        int command;
        const wchar_t* file;
        const wchar_t* failure;  // the run log's words
        bool told;  // in a box too
    };
    std::size_t failures = 0;
    for (const Export& e : {Export{id::kExportBookmarks, L"书签导出.txt", L"书签导出失败", true},
                            Export{id::kLogExport, L"运行记录导出.txt", L"运行记录导出失败", true},
                            Export{id::kLaunchExport, L"批量导出.txt", L"批量导出失败", false}}) {
        SCOPED_TRACE(win::narrow(e.file));
        const std::wstring path = sandbox.path(e.file);
        ASSERT_TRUE(saveThroughDialog(e.command, path));
        ASSERT_TRUE(readFileBytes(path).has_value());
        WIN32_FIND_DATAW found{};
        HANDLE leftover = FindFirstFileW((path + L".tmp*").c_str(), &found);
        EXPECT_EQ(leftover, INVALID_HANDLE_VALUE) << "a temporary file was left";
        if (leftover != INVALID_HANDLE_VALUE) FindClose(leftover);

        ASSERT_TRUE(writeFileBytes(path, previous));
        {
            HeldFile held(path);
            ASSERT_TRUE(held.held());
            ASSERT_TRUE(saveThroughDialog(e.command, path));
            if (e.told) {
                const std::optional<MessageBoxInfo> box = panel->messageBox(gbk(L"提醒"));
                ASSERT_TRUE(box) << "a failed export is not told";
                EXPECT_EQ(box->text, gbk(e.failure));
                ASSERT_TRUE(pressButton(box->window));
            } else {
                EXPECT_EQ(panel->modalWindows(), "");
            }
        }
        ++failures;
        ASSERT_TRUE(waitUntil([&] { return logRows(*panel, text::kEventFailure).size() == failures; }))
            << "the failure is not in the run log";
        const std::string row = logRows(*panel, text::kEventFailure).back();
        EXPECT_EQ(row.rfind(gbk(e.failure) + gbk(L"："), 0), 0u) << row;
        EXPECT_NE(row.find(gbk(e.file)), std::string::npos) << row;
        EXPECT_TRUE(readFileBytes(path) == previous);
    }
}

// A stream of link codes changes nothing the automatic workspace holds: the
// file, as read at start-up (with LF line ends the panel would not write),
// is not written again until a real change.
TEST_F(AutoWorkspace, AStreamOfLinkCodesDoesNotRewriteTheWorkspace) {
    std::string saved = workspaceWithBookmarks("http://stream.example/", 3);
    std::string lf;
    for (char c : saved) {
        if (c != '\r') lf += c;
    }
    ASSERT_TRUE(parsed(lf).has_value());
    ASSERT_TRUE(writeFileBytes(autoFile(), lf));
    StandinProcess& sender = browser();
    ASSERT_TRUE(sender.ready());
    writeSettingsWithBrowser(autoSaveOn());
    panel = start(sandbox, false);
    ASSERT_TRUE(panel->ready()) << panel->startError();
    ASSERT_TRUE(waitUntilListening(sender));
    ASSERT_EQ(bookmarksOf(*panel).size(), 3u);

    // Link codes for 3 s, so that ticks of the automatic save fall in between.
    const auto since = Clock::now();
    int sent = 0;
    while (Clock::now() - since < std::chrono::seconds(3)) {
        ASSERT_TRUE(sender.notify(linkCode("http://code.example/" + std::to_string(sent++))));
    }
    const std::wstring last = L"http://code.example/" + std::to_wstring(sent - 1);
    const HWND record = panel->control(id::kLinkRecord);
    ASSERT_TRUE(waitUntil([&] { return windowText(record).find(last) != std::wstring::npos; }));
    ASSERT_TRUE(panel->caughtUp());
    EXPECT_TRUE(readFileBytes(autoFile()) == lf) << "rewritten after " << sent << " link codes";

    // A real change is still saved.
    ASSERT_TRUE(panel->click(id::kLoopBox));
    ASSERT_TRUE(waitUntil([&] {
        const std::optional<Workspace> w = parsed(readFileBytes(autoFile()));
        return w && w->settings.loopBookmarks == std::optional<bool>(true) && w->bookmarks.size() == 3u;
    }, kSaveWait, Ms{100})) << "open: " << panel->modalWindows();
}

}  // namespace
}  // namespace vuv::e2e
