// The copies that hold bookmarks, end to end: the panel keeps no process
// handle for a copy that ended or that no bookmark names any more, a
// bookmark handed out before the panel was killed comes back once its copy
// is gone (and only then), and a burst of requests with no bookmark left
// opens one notice at a time.
#include "e2e/instance_fixture.h"
#include "e2e/notification_helpers.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <set>
#include <vector>

namespace vuv::e2e {
namespace {

enum BookmarkColumn : std::size_t { kAddress = 1, kState, kHolder, kTime };
const std::string kOpened(text::kStateOpened), kUnused(text::kStateUnused);
const std::string kNoticeCaption = "\xCC\xE1\xD0\xD1";  // 提醒

std::vector<std::string> addresses(const std::string& prefix, int count) {
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) out.push_back(prefix + std::to_string(i));
    return out;
}

// The process's creation time as the system reports it (100 ns units).
std::uint64_t startedAt(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return (static_cast<std::uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// The handles a process holds now: how many in all, and how many of them
// name one of the given processes. Read from the system's list of handles
// (Wine answers 0 to GetProcessHandleCount for another process); each of
// the owner's handles is duplicated into this process to ask what it names.
struct HandleFigures {
    DWORD total = 0;
    DWORD toThose = 0;
};
std::optional<HandleFigures> handlesOf(HANDLE owner, DWORD ownerId, const std::set<DWORD>& those) {
    struct Entry {
        ULONG ownerPid;
        BYTE objectType;
        BYTE flags;
        USHORT value;
        PVOID object;
        ACCESS_MASK access;
    };
    struct HandleList {
        ULONG count;
        Entry entries[1];
    };
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr) return std::nullopt;
    constexpr ULONG kHandleInformation = 16;
    constexpr LONG kTooSmall = static_cast<LONG>(0xC0000004);
    std::vector<Entry> buffer(4096);
    for (int attempt = 0; attempt < 12; ++attempt) {
        const auto bytes = static_cast<ULONG>(buffer.size() * sizeof(Entry));
        ULONG needed = 0;
        const LONG status = query(kHandleInformation, buffer.data(), bytes, &needed);
        if (status == kTooSmall) {
            buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed / sizeof(Entry) + 1024));
            continue;
        }
        if (status < 0) return std::nullopt;
        const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
        HandleFigures figures;
        for (ULONG i = 0; i < list->count; ++i) {
            const Entry& e = list->entries[i];
            if (e.ownerPid != ownerId) continue;
            ++figures.total;
            HANDLE copy = nullptr;
            const auto value = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(e.value));
            if (!DuplicateHandle(owner, value, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) continue;
            const Process named(copy, 0);  // closes the copy
            const DWORD id = GetProcessId(copy);  // 0 for anything but a process
            if (id != 0 && those.count(id) != 0) ++figures.toThose;
        }
        return figures;
    }
    return std::nullopt;
}

class BookmarkHolders : public InstanceFixture {
protected:
    // The panel first, so the copies started later are not in its instance
    // table (which watches the copies it lists by itself).
    void startPanelAlone(const std::string& settings = {}) {
        writeSettingsWithBrowser(settings);
        panel = std::make_unique<PanelProcess>(sandbox);
        ASSERT_TRUE(panel->ready()) << panel->startError();
        const HANDLE h = OpenProcess(PROCESS_DUP_HANDLE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, panel->pid());
        ASSERT_NE(h, nullptr);
        panelProcess_ = Process(h, panel->pid());
    }

    // The panel's handles, and those of them that name one of the stand-ins.
    HandleFigures panelHandles() {
        std::set<DWORD> copies;
        for (const auto& b : browsers) copies.insert(b->pid());
        const std::optional<HandleFigures> figures = handlesOf(panelProcess_.handle(), panel->pid(), copies);
        EXPECT_TRUE(figures && figures->total > 0) << "the panel's handles cannot be listed";
        return figures.value_or(HandleFigures{});
    }
    // Handles of the panel naming a stand-in, once it has handled everything
    // posted so far.
    DWORD settledHandlesOfCopies() {
        EXPECT_TRUE(panel->caughtUp());
        return panelHandles().toThose;
    }
    // Waits until the panel holds no handle of any stand-in; prints what it saw.
    bool noHandleOfACopy(const char* what) {
        const bool none = waitUntil([&] { return panelHandles().toThose == 0; }, Ms{15000}, Ms{50});
        const HandleFigures now = panelHandles();
        std::printf("[figure] %s: panel handles %lu, %lu of them of the stand-ins\n", what,
                    static_cast<unsigned long>(now.total), static_cast<unsigned long>(now.toThose));
        return none;
    }

    static bool ask(StandinProcess& b) {
        return b.notify(notification(b.commandWindow(), text::kKeywordBookmark)) == std::optional<bool>(true);
    }
    StandinProcess& shortLived(unsigned ms) {
        StandinOptions options;
        options.arguments = L"--standin-exit-ms=" + std::to_wstring(ms);
        return browser(options);
    }
    Table bookmarks() const { return readListView(panel->control(id::kBookmarkList)); }

    bool switchOn(int command) {
        return panel->command(command) && panel->caughtUp();
    }

    Process panelProcess_;
};

// Eight copies that end by themselves each get a bookmark; with
// "自动退回书签" off their bookmarks stay opened, yet the panel keeps no
// handle of theirs once they have ended. "退回已退出浏览器的书签" still
// gives the bookmarks back afterwards.
TEST_F(BookmarkHolders, HandlesOfEndedHoldersAreClosedWithAutomaticReturnOff) {
    startPanelAlone();
    ASSERT_TRUE(importBookmarks(*panel, sandbox.directory(), addresses("http://h.example/", 10)));
    const DWORD before = panelHandles().total;

    constexpr int kCopies = 8;
    for (int i = 0; i < kCopies; ++i) shortLived(4000);
    for (const auto& b : browsers) ASSERT_TRUE(ask(*b));
    ASSERT_TRUE(panel->caughtUp());
    const HandleFigures holding = panelHandles();
    std::printf("[figure] %d live holders: panel handles %lu (%lu before), %lu of them of the stand-ins\n", kCopies,
                static_cast<unsigned long>(holding.total), static_cast<unsigned long>(before),
                static_cast<unsigned long>(holding.toThose));
    EXPECT_EQ(holding.toThose, static_cast<DWORD>(kCopies)) << "one handle per live holder";
    for (const auto& b : browsers) ASSERT_TRUE(b->waitForExit(Ms{20000}));

    EXPECT_TRUE(noHandleOfACopy("8 holders ended, automatic return off"));
    Table rows = bookmarks();
    for (int i = 0; i < kCopies; ++i) EXPECT_EQ(rows[static_cast<std::size_t>(i)][kState], kOpened) << i;

    ASSERT_TRUE(panel->command(id::kReturnExited));
    ASSERT_TRUE(panel->caughtUp());
    rows = bookmarks();
    for (int i = 0; i < kCopies; ++i) EXPECT_EQ(rows[static_cast<std::size_t>(i)][kState], kUnused) << i;
    EXPECT_EQ(settledHandlesOfCopies(), 0u);
}

// With loop opening and automatic return on, three bookmarks for eight
// copies: the loop starts the table over twice, so most hand-outs are
// forgotten by the table before their copies end. None of them leaves a
// handle behind.
TEST_F(BookmarkHolders, HandlesOfHoldersForgottenByALoopWrapAreClosed) {
    startPanelAlone();
    ASSERT_TRUE(importBookmarks(*panel, sandbox.directory(), addresses("http://l.example/", 3)));
    ASSERT_TRUE(switchOn(id::kAutoReturnBookmarks));
    ASSERT_TRUE(panel->click(id::kLoopBox));
    ASSERT_TRUE(waitUntil([&] {
        return sendWithTimeout(panel->control(id::kLoopBox), BM_GETCHECK, 0, 0) == std::optional<LRESULT>(BST_CHECKED);
    }));
    for (int i = 0; i < 8; ++i) shortLived(4000);
    for (const auto& b : browsers) ASSERT_TRUE(ask(*b));
    EXPECT_LE(settledHandlesOfCopies(), 8u);
    for (const auto& b : browsers) ASSERT_TRUE(b->waitForExit(Ms{20000}));
    EXPECT_TRUE(noHandleOfACopy("8 holders ended, loop opening and automatic return on"));
}

// A copy that still runs keeps no handle in the panel once no bookmark
// names it: after "清空书签状态", after its rows are deleted, after "清空".
TEST_F(BookmarkHolders, NoHandleIsKeptForALiveCopyThatNoBookmarkNames) {
    startPanelAlone();
    ASSERT_TRUE(importBookmarks(*panel, sandbox.directory(), addresses("http://n.example/", 12)));
    for (int i = 0; i < 4; ++i) browser();

    const auto everyoneAsks = [&] {
        for (const auto& b : browsers) ASSERT_TRUE(ask(*b));
        EXPECT_EQ(settledHandlesOfCopies(), 4u) << "one handle per live holder";
    };
    everyoneAsks();
    ASSERT_TRUE(panel->click(id::kResetStates));
    EXPECT_TRUE(noHandleOfACopy("after 清空书签状态"));

    everyoneAsks();
    ASSERT_TRUE(selectRows(panel->control(id::kBookmarkList), {0, 1, 2, 3}));
    ASSERT_TRUE(panel->command(id::kDeleteBookmarks));
    EXPECT_TRUE(noHandleOfACopy("after deleting the rows"));

    everyoneAsks();
    ASSERT_TRUE(panel->click(id::kBookmarkClear));
    EXPECT_TRUE(noHandleOfACopy("after 清空"));
    for (const auto& b : browsers) EXPECT_TRUE(b->running());
}

// The panel is killed while four copies hold bookmarks; two of the copies
// end before it starts again. The restarted panel gives back exactly the
// bookmarks of the two that are gone, and the bookmark of a third once that
// one ends too.
TEST_F(BookmarkHolders, BookmarksHandedOutBeforeTheCrashComeBackOnceTheirCopiesAreGone) {
    startPanelAlone(join({text::kKeyAutoReturn, "=", text::kTrue, "\r\n"}));
    ASSERT_TRUE(switchOn(id::kAutoSaveWorkspace));
    ASSERT_TRUE(importBookmarks(*panel, sandbox.directory(), addresses("http://c.example/", 6)));
    for (int i = 0; i < 4; ++i) browser();
    for (const auto& b : browsers) ASSERT_TRUE(ask(*b));
    const std::wstring autoFile = sandbox.path(win::widen(text::kWorkspaceFile));
    ASSERT_TRUE(waitUntil(
        [&] {
            const std::optional<std::string> bytes = readFileBytes(autoFile);
            return bytes && bytes->find(std::to_string(browsers[3]->pid())) != std::string::npos;
        },
        Ms{5000}, Ms{50}));

    const DWORD oldPid = panel->pid();
    Process::open(oldPid).kill();
    ASSERT_TRUE(waitUntil([&] { return !Process::open(oldPid).running(); }));
    for (std::size_t i : {std::size_t{0}, std::size_t{2}}) {
        Process::open(browsers[i]->pid()).kill();
        ASSERT_TRUE(browsers[i]->waitForExit());
    }

    panel = std::make_unique<PanelProcess>(sandbox);
    ASSERT_TRUE(panel->ready()) << panel->startError();
    const auto statesAre = [&](const std::vector<std::string>& wanted) {
        const Table rows = bookmarks();
        std::vector<std::string> states;
        for (const auto& row : rows) states.push_back(row.at(kState));
        return states == wanted;
    };
    EXPECT_TRUE(waitUntil([&] { return statesAre({kUnused, kOpened, kUnused, kOpened, kUnused, kUnused}); }, Ms{10000},
                          Ms{50}))
        << "the bookmarks of the two copies gone come back";
    EXPECT_EQ(bookmarks()[1][kHolder], std::to_string(browsers[1]->pid()));

    Process::open(browsers[3]->pid()).kill();
    EXPECT_TRUE(waitUntil([&] { return statesAre({kUnused, kOpened, kUnused, kUnused, kUnused, kUnused}); }, Ms{10000},
                          Ms{50}))
        << "and that of a third once it ends";
    EXPECT_TRUE(browsers[1]->running());
}

// A saved hand-out whose process id now belongs to a process started at
// another time is given back by "退回已退出浏览器的书签"; one held by that
// very process stays, and so does one saved without a start time whose
// process id runs (it cannot be told apart). One without a start time whose
// process id runs no more comes back too.
TEST_F(BookmarkHolders, ARestoredHandOutWhoseProcessIdWasReusedComesBack) {
    StandinProcess& live = browser();
    StandinProcess& gone = browser();
    startPanelAlone();
    const std::uint64_t liveStart = startedAt(Process::open(live.pid()).handle());
    ASSERT_NE(liveStart, 0u);
    const std::string goneId = std::to_string(gone.pid());
    Process::open(gone.pid()).kill();
    ASSERT_TRUE(gone.waitForExit());

    const std::string liveId = std::to_string(live.pid());
    const auto row = [&](int n, const std::string& holder, const std::string& start) {
        std::string line = join({"http://r.example/", std::to_string(n), "\t", text::kStateOpened, "\t", holder,
                                 "\t09:00:0", std::to_string(n)});
        if (!start.empty()) line += "\t" + start;
        return line + "\r\n";
    };
    const std::string file = join({"VUV-WORKSPACE 1\r\n[", text::kSectionBookmarks, "]\r\n",
                                   row(0, liveId, std::to_string(liveStart + 1)), row(1, liveId, std::to_string(liveStart)),
                                   row(2, liveId, {}), row(3, goneId, {}), "[END]\r\n"});
    const std::wstring path = sandbox.path(L"restored.txt");
    ASSERT_TRUE(writeFileBytes(path, file));
    ASSERT_TRUE(panel->command(id::kOpenWorkspace));
    ASSERT_TRUE(answerFileDialog(panel->pid(), path));
    ASSERT_TRUE(waitUntil([&] { return bookmarks().size() == 4; }));
    ASSERT_TRUE(panel->caughtUp());
    for (const auto& row : bookmarks()) EXPECT_EQ(row[kState], kOpened) << "automatic return is off";

    ASSERT_TRUE(panel->command(id::kReturnExited));
    ASSERT_TRUE(panel->caughtUp());
    const Table rows = bookmarks();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0][kState], kUnused) << "its process id belongs to a process started at another time";
    EXPECT_EQ(rows[1][kState], kOpened) << "held by that very process";
    EXPECT_EQ(rows[2][kState], kOpened) << "no start time, and its process id runs";
    EXPECT_EQ(rows[3][kState], kUnused) << "no start time, and its process id runs no more";
}

// Twenty requests with no bookmark left, sent while the notice is open:
// never more than one notice at a time, and every request is in the log.
TEST_F(BookmarkHolders, ABurstOfRequestsWithNoBookmarkLeftOpensOneNoticeAtATime) {
    StandinProcess& a = browser();
    startPanelAlone();
    const auto notices = [&] {
        std::size_t open = 0;
        for (HWND w : topLevelWindows(panel->pid(), L"#32770", win::widen(kNoticeCaption).c_str())) {
            open += IsWindowVisible(w) ? 1 : 0;
        }
        return open;
    };
    std::size_t most = 0;
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(ask(a));
        most = std::max(most, notices());
    }
    ASSERT_TRUE(panel->caughtUp());
    ASSERT_TRUE(waitUntil([&] { return notices() >= 1; }));
    // Whatever was posted has been handled by now: a nested notice would
    // already be open.
    ASSERT_TRUE(panel->caughtUp());
    most = std::max(most, notices());
    EXPECT_EQ(most, 1u);

    const auto logged = [&] { return logRows(*panel, text::kEventNoBookmark, a.pid()).size(); };
    EXPECT_TRUE(waitUntil([&] { return logged() == 20; })) << logged();

    // Answered, the notice is gone and no other follows for the same burst;
    // a request after it opens a new one.
    const std::optional<MessageBoxInfo> box = panel->messageBox(kNoticeCaption);
    ASSERT_TRUE(box);
    ASSERT_TRUE(pressButton(box->window));
    ASSERT_TRUE(panel->caughtUp());
    EXPECT_EQ(notices(), 0u);
    ASSERT_TRUE(ask(a));
    EXPECT_TRUE(waitUntil([&] { return notices() == 1; }));
    ASSERT_TRUE(panel->caughtUp());
    EXPECT_EQ(notices(), 1u);
    EXPECT_TRUE(pressButton(panel->messageBox(kNoticeCaption)->window));
}

}  // namespace
}  // namespace vuv::e2e
