// Helpers for end-to-end tests that drive the real vuv.exe and stand-in
// browsers (lxbr.exe) from another process, the way Windows UI tests do:
// start processes in a private directory, find their windows, read and set
// controls through memory in the target process, press message-box buttons,
// and wait for conditions with a deadline instead of sleeping.
//
// Texts are GBK std::string where they come from or go to the programs, so
// that tests compare them with the constants of common/texts.h.
#pragma once

#include "common/files_win.h"
#include "common/kernel_handle_win.h"

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vuv::e2e {

using Ms = std::chrono::milliseconds;
inline constexpr Ms kWait{10000};

// Polls condition until it holds or the deadline passes, pumping this
// thread's messages in between. True when the condition held.
bool waitUntil(const std::function<bool()>& condition, Ms timeout = kWait, Ms interval = Ms{10});

// The parts one after the other (GBK texts are built this way).
inline std::string join(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (std::string_view p : parts) out.append(p);
    return out;
}

// ---------------------------------------------------------------------------
// Environment and files

[[nodiscard]] bool runningUnderWine();
// Directory of the running test program, with a trailing backslash.
[[nodiscard]] std::wstring testDirectory();
// Empty when the ANSI code page is 936 and a file with a Chinese name can be
// created in directory and found again under that name; otherwise what failed.
[[nodiscard]] std::string environmentProblems(const std::wstring& directory);

// Whole files through the program's own helpers (common/files_win.h): read
// with full sharing up to the size the file has when opened, so a writer
// that still holds it open or keeps appending cannot stall the reader.
// Nothing when the file cannot be read.
[[nodiscard]] inline std::optional<std::string> readFileBytes(const std::wstring& path) {
    std::string bytes;
    if (!win::readFileBytes(path, bytes)) return std::nullopt;
    return bytes;
}
using win::writeFileBytes;

// ---------------------------------------------------------------------------
// Processes

// A process of the test, its handle owned by the program's KernelHandle.
class Process {
public:
    Process() = default;
    Process(HANDLE process, DWORD pid) noexcept : handle_(process), pid_(process != nullptr ? pid : 0) {}

    // Opens a process started by someone else (e.g. a browser the panel started).
    [[nodiscard]] static Process open(DWORD pid);

    [[nodiscard]] bool valid() const noexcept { return static_cast<bool>(handle_); }
    [[nodiscard]] DWORD pid() const noexcept { return pid_; }
    [[nodiscard]] HANDLE handle() const noexcept { return handle_.get(); }
    [[nodiscard]] bool running() const;
    [[nodiscard]] bool waitForExit(Ms timeout = kWait) const;
    // Exit code once ended; nullopt while running.
    [[nodiscard]] std::optional<DWORD> exitCode() const;
    void kill() const;

private:
    win::KernelHandle handle_;
    DWORD pid_ = 0;
};

struct StartOptions {
    std::wstring commandLine;  // complete: quoted program path, then arguments
    std::wstring directory;    // current directory; empty: this process's
    std::vector<std::pair<std::wstring, std::wstring>> environment;  // added or replaced
    HANDLE stdOutput = nullptr;  // inheritable handles, or null
    HANDLE stdError = nullptr;
    std::wstring desktop;  // the desktop to start on (STARTUPINFO's lpDesktop); empty: this process's
};

// CreateProcessW; an invalid Process when it fails. The process is put in
// the test job before it runs a single instruction. (Not the program's
// startProcess: a test also needs the directory, the environment and the
// output handles of the child, and the suspended start that keeps it from
// running outside the job.)
[[nodiscard]] Process startProcess(const StartOptions& options);

// One job per test program, made on first use, that ends every process in it
// when the program ends, however it ends (returns, crashes, is terminated, or
// its Wine process is killed from Unix). Whatever the harness starts or
// adopts is put in it, and what those processes start inherits it. Null when
// no job could be made.
[[nodiscard]] HANDLE testJob();
// Puts a running process in the test job; false when it could not.
bool joinTestJob(HANDLE process);
bool joinTestJob(DWORD pid);
// True when the process belongs to the test job.
[[nodiscard]] bool inTestJob(HANDLE process);

// Ends the processes still running from sandboxes of test programs that have
// ended (a second line of defence behind the job) and says which, one line
// per process. Every Sandbox does this as it is made.
std::vector<std::string> endLeftoverProcesses();

// Under Wine: starts the Windows program exe with the arguments through
// /bin/sh and the Wine loader, with start's directory and environment, its
// Unix output appended to unixOutput. The environment then reaches the
// program's Unix side too (its locale chooses its code page), which a
// Windows child started with CreateProcess does not get. No process object
// comes back: find the program by its pid.
bool startThroughShell(const StartOptions& start, const std::wstring& exe, const std::vector<std::wstring>& arguments,
                       const std::wstring& unixOutput);

// Pids of running processes whose image lies in directory.
[[nodiscard]] std::vector<DWORD> processesIn(const std::wstring& directory);

// ---------------------------------------------------------------------------
// Windows of other processes

// Top-level windows in Z order; pid 0, className or caption null: any. The
// caption is the one the system keeps, so hung windows cannot stall the search.
[[nodiscard]] std::vector<HWND> topLevelWindows(DWORD pid, const wchar_t* className = nullptr,
                                                const wchar_t* caption = nullptr);
[[nodiscard]] HWND waitForWindow(const wchar_t* className, const wchar_t* caption, DWORD pid, Ms timeout = kWait);
// A descendant by control id (controls may sit on page windows).
[[nodiscard]] HWND controlById(HWND parent, int id);
// First descendant with that class and/or text (null: any).
[[nodiscard]] HWND findDescendant(HWND parent, const wchar_t* className, const wchar_t* text);
[[nodiscard]] std::wstring className(HWND hwnd);
[[nodiscard]] std::wstring windowText(HWND hwnd);
[[nodiscard]] std::string windowTextGbk(HWND hwnd);
[[nodiscard]] DWORD processOf(HWND hwnd);

// SendMessageTimeout with SMTO_ABORTIFHUNG; nullopt when it failed or timed out.
[[nodiscard]] std::optional<LRESULT> sendWithTimeout(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                                     Ms timeout = Ms{5000});

// Memory allocated in another process; freed on destruction unless released.
class RemoteMemory {
public:
    RemoteMemory(DWORD pid, std::size_t size);
    ~RemoteMemory();
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    [[nodiscard]] bool ok() const noexcept { return base_ != nullptr; }
    [[nodiscard]] std::uintptr_t address(std::size_t offset = 0) const noexcept {
        return reinterpret_cast<std::uintptr_t>(base_) + offset;
    }
    [[nodiscard]] bool write(std::size_t offset, const void* data, std::size_t size) const;
    [[nodiscard]] bool read(std::size_t offset, void* data, std::size_t size) const;
    // Leaves the memory allocated: for a target that may still use it.
    void release() noexcept { base_ = nullptr; }

private:
    HANDLE process_ = nullptr;
    void* base_ = nullptr;
    std::size_t size_ = 0;
};

// Controls of another process. The target must have this process's pointer
// width (both builds come from one toolchain).
using Table = std::vector<std::vector<std::string>>;  // rows of columns, GBK
// Reads every column, or only the first `columns` when that is above zero:
// the bookmark and rule tables carry extra columns after the ones a test of
// the original table compares.
[[nodiscard]] Table readListView(HWND listView, int columns = 0);
inline constexpr int kBookmarkTableColumns = 3;  // 浏览器PID, 书签, 状态
inline constexpr int kRuleTableColumns = 3;      // 条件, 动作, 链接
[[nodiscard]] std::vector<LPARAM> readListViewData(HWND listView);  // item data per row
[[nodiscard]] std::vector<int> selectedRows(HWND listView);
// Selects exactly these rows (the first one also gets the focus).
[[nodiscard]] bool selectRows(HWND listView, const std::vector<int>& rows);
[[nodiscard]] std::vector<std::string> readTabs(HWND tab);
[[nodiscard]] int currentTab(HWND tab);
// Switches pages with a click on the tab (WM_NOTIFY cannot cross processes
// under Wine, so the control itself must raise its notifications).
[[nodiscard]] bool selectTab(HWND tab, int index);
// Sends WM_NOTIFY from control to its parent with block (which starts with an
// NMHDR; hwndFrom, idFrom and code are filled in) placed in the parent's process.
[[nodiscard]] std::optional<LRESULT> sendNotify(HWND control, UINT code, void* block, std::size_t size,
                                                Ms timeout = Ms{5000});

// Types a key with SendInput, as a keyboard would, into whichever window has
// the focus; pressKey presses vk with the modifiers held, then lets all go.
void sendKey(WORD vk, bool down);
void pressKey(WORD vk, std::initializer_list<WORD> modifiers = {});

// ---------------------------------------------------------------------------
// Message boxes

struct MessageBoxInfo {
    HWND window = nullptr;
    std::string caption;  // GBK
    std::string text;     // GBK
};

// A message box (dialog class #32770) of process pid; an empty caption matches any.
[[nodiscard]] std::optional<MessageBoxInfo> findMessageBox(DWORD pid, std::string_view caption = {},
                                                           Ms timeout = kWait);
// Presses a dialog button (posted, so a handler that blocks cannot block the
// test) and waits until the dialog is gone.
[[nodiscard]] bool pressButton(HWND dialog, int id = IDOK, Ms timeout = kWait);
// Answers the open or save dialog of process pid with a full file name, or
// cancels it when name is empty; true once the dialog is gone.
[[nodiscard]] bool answerFileDialog(DWORD pid, const std::wstring& name);

// ---------------------------------------------------------------------------
// Sandbox: a fresh directory per test with its own copies of the programs, so
// that "设置.ini" beside vuv.exe and the stand-in logs belong to this test.

class Sandbox {
public:
    Sandbox();
    // Ends every process still running from the directory, then removes it.
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    [[nodiscard]] bool ok() const noexcept { return ok_; }
    [[nodiscard]] const std::wstring& directory() const noexcept { return directory_; }  // trailing backslash
    [[nodiscard]] std::wstring path(std::wstring_view name) const { return directory_ + std::wstring(name); }
    [[nodiscard]] std::wstring logDirectory() const { return path(L"logs\\"); }
    [[nodiscard]] std::wstring panelExe() const { return path(L"vuv.exe"); }
    [[nodiscard]] std::wstring standinExe() const { return path(L"lxbr.exe"); }
    [[nodiscard]] bool hasPanel() const;

    // Starts a process that the sandbox ends at the latest when it goes.
    Process& start(const StartOptions& options);
    Process& adopt(Process process);

    // Pids of stand-ins that wrote a log here (started by tests or by the panel).
    [[nodiscard]] std::vector<DWORD> standinPids() const;

private:
    std::wstring directory_;
    bool ok_ = false;
    std::vector<std::unique_ptr<Process>> processes_;
};

// ---------------------------------------------------------------------------
// Stand-in browsers

struct StandinOptions {
    bool frame = true;
    bool command = true;
    bool onlyThird = false;
    bool acknowledge = true;
    std::optional<std::string> title;  // GBK; default "Standin <pid>"
    unsigned hangMs = 0;
    std::optional<long long> titleLength;  // the frame's answer to WM_GETTEXTLENGTH
    bool ansi = false;                     // names through the ANSI functions with the GBK bytes
    // Variables added to or replacing the test's own (LANG and LC_ALL choose
    // a Wine process's code page).
    std::vector<std::pair<std::wstring, std::wstring>> environment;
    std::wstring arguments;  // put before the options, as the panel's would be
};

// One line of a stand-in log, hex fields decoded.
struct StandinRecord {
    std::string kind;                // CMDLINE WINDOWS RECV REJECT HANG POST TITLE NOTIFY CLOSE QUERY STALL
                                     // READY EXIT
    std::string name;                // RECV/REJECT: message name; CLOSE: which window
    std::string bytes;               // CMDLINE/TITLE: the text; RECV/NOTIFY: the payload
    std::vector<long long> numbers;  // WINDOWS: 3 handles; POST: message, wParam, lParam;
                                     // NOTIFY: acked 0/1; REJECT: wParam, lParam; HANG: ms;
                                     // READY: system time (100 ns units); EXIT: ms
    std::string line;                // as written
};
using RecordFilter = std::function<bool(const StandinRecord&)>;

// Reads a stand-in log as it grows.
class StandinLog {
public:
    explicit StandinLog(std::wstring path) : path_(std::move(path)) {}
    // Every complete record written so far.
    const std::vector<StandinRecord>& records();
    [[nodiscard]] std::optional<StandinRecord> waitFor(const RecordFilter& filter, Ms timeout = kWait);
    [[nodiscard]] const std::wstring& path() const noexcept { return path_; }

private:
    std::wstring path_;
    std::size_t consumed_ = 0;
    std::vector<StandinRecord> records_;
};

[[nodiscard]] std::optional<StandinRecord> parseStandinRecord(std::string_view line);
// Filters for the common cases.
[[nodiscard]] RecordFilter isKind(std::string kind);
[[nodiscard]] RecordFilter isReceived(std::string messageName, std::string payload);

class StandinProcess {
public:
    // Starts lxbr.exe from the sandbox and waits until its windows exist.
    explicit StandinProcess(Sandbox& sandbox, const StandinOptions& options = {}, Ms timeout = Ms{20000});
    // A stand-in the panel started: found through its log.
    StandinProcess(Sandbox& sandbox, DWORD pid, Ms timeout = Ms{20000});

    [[nodiscard]] bool ready() const noexcept { return ready_; }
    [[nodiscard]] DWORD pid() const noexcept { return pid_; }
    [[nodiscard]] const std::wstring& commandLine() const noexcept { return commandLine_; }
    [[nodiscard]] HWND frameWindow() const noexcept { return frame_; }
    [[nodiscard]] HWND commandWindow() const noexcept { return command_; }
    [[nodiscard]] HWND thirdWindow() const noexcept { return third_; }
    // The window that takes WM_COPYDATA orders: command, else frame, else third.
    [[nodiscard]] HWND controlWindow() const noexcept;

    // Has the stand-in send payload under "通知" to the panel's main window:
    // true if acknowledged, false if not, nullopt if the stand-in did not answer.
    [[nodiscard]] std::optional<bool> notify(std::string_view payload, Ms timeout = Ms{15000}) const;
    // The same payload count times; the number acknowledged.
    [[nodiscard]] std::optional<unsigned> notifyMany(std::string_view payload, std::uint32_t count,
                                                     Ms timeout = Ms{120000}) const;
    [[nodiscard]] bool setTitle(std::string_view gbkTitle) const;
    // The browser stops reading messages for ms milliseconds (it counts as
    // hung after 5 s), starting once this call has returned.
    [[nodiscard]] bool stall(unsigned ms) const;

    [[nodiscard]] std::vector<StandinRecord> log() { return log_.records(); }
    [[nodiscard]] std::optional<StandinRecord> waitForRecord(const RecordFilter& filter, Ms timeout = kWait) {
        return log_.waitFor(filter, timeout);
    }
    [[nodiscard]] bool running() const { return process_ != nullptr && process_->running(); }
    [[nodiscard]] bool waitForExit(Ms timeout = kWait) const {
        return process_ != nullptr && process_->waitForExit(timeout);
    }
    [[nodiscard]] const std::wstring& logPath() const noexcept { return log_.path(); }

private:
    [[nodiscard]] std::optional<LRESULT> control(std::uintptr_t code, std::string_view bytes, Ms timeout) const;
    void awaitWindows(Ms timeout);

    Process* process_ = nullptr;  // owned by the sandbox
    DWORD pid_ = 0;
    std::wstring commandLine_;
    StandinLog log_;
    bool ready_ = false;
    HWND frame_ = nullptr;
    HWND command_ = nullptr;
    HWND third_ = nullptr;
};

// ---------------------------------------------------------------------------
// The panel

struct PanelOptions {
    // Channels for the panel's log. warn+seh is the class that reports every
    // exception raised (err+seh stays silent for access violations);
    // warn+debugstr carries the panel's own trace lines (OutputDebugString).
    std::wstring wineDebug = L"-all,err+all,warn+seh,warn+debugstr";
    Ms startTimeout{20000};
    bool waitForMainWindow = true;
    // Also wait until the panel acknowledges an empty notification: its
    // channel opens only after the start-up checks. Off for a start that
    // stops at a first-run dialog.
    bool waitForChannel = true;
    // Variables added to or replacing the test's own (LANG and LC_ALL choose
    // a Wine process's code page).
    std::vector<std::pair<std::wstring, std::wstring>> environment;
};

// A running vuv.exe: the program itself in a process of its own, seen and
// driven from the test through its windows.
class PanelProcess {
public:
    // Starts vuv.exe from the sandbox with VUV_STANDIN_LOG pointing at the
    // sandbox's log directory (browsers it starts inherit it) and its Wine
    // debug output in a file of the sandbox.
    explicit PanelProcess(Sandbox& sandbox, const PanelOptions& options = {});

    [[nodiscard]] bool ready() const noexcept { return mainWindow_ != nullptr; }
    // Why ready() is false.
    [[nodiscard]] const std::string& startError() const noexcept { return startError_; }
    [[nodiscard]] DWORD pid() const noexcept { return process_ != nullptr ? process_->pid() : 0; }
    [[nodiscard]] HWND mainWindow() const noexcept { return mainWindow_; }
    [[nodiscard]] bool running() const { return process_ != nullptr && process_->running(); }

    [[nodiscard]] HWND control(int id) const { return controlById(mainWindow_, id); }
    // Posts WM_COMMAND with a menu command id to the main window.
    bool command(int id) const;
    // Posts BM_CLICK to a button or check box.
    bool click(int id) const;
    [[nodiscard]] std::optional<MessageBoxInfo> messageBox(std::string_view caption = {}, Ms timeout = kWait) const {
        return findMessageBox(pid(), caption, timeout);
    }

    // Proof that something did not happen, without waiting a while: posts a
    // message behind everything posted to the panel's thread so far and
    // waits until the thread has handled it. Windows handle posted messages
    // in order, so what the earlier ones started has by then finished, or it
    // has opened a modal window, whose loop handled this one (a box is
    // created before its loop runs). A pause that pumps messages (a launch
    // walk's) may handle it too, before the walk goes on.
    [[nodiscard]] bool caughtUp(Ms timeout = kWait) const;
    // The panel's modal windows open now: dialog boxes (class #32770, shown
    // yet or not) and, for the panel's own dialogs, the main window disabled
    // by their loop. Empty when there is none.
    [[nodiscard]] std::string modalWindows() const;

    // What Wine wrote for this process (debug channels, crash reports).
    [[nodiscard]] std::string wineLog() const;
    [[nodiscard]] const std::wstring& wineLogPath() const noexcept { return logPath_; }
    // Lines that report an exception: raised hardware exceptions (error-class
    // codes), err:seh lines and crash reports.
    [[nodiscard]] std::vector<std::string> exceptionLines() const;
    [[nodiscard]] int exceptionCount() const { return static_cast<int>(exceptionLines().size()); }
    // The process ended through an exception.
    [[nodiscard]] bool crashed() const;
    // The panel's trace lines ("vuv: ..."), and those of exceptions its
    // window procedures caught and swallowed.
    [[nodiscard]] std::vector<std::string> traceLines() const;
    [[nodiscard]] std::vector<std::string> caughtExceptionLines() const;

    // WM_CLOSE to the main window; true when the process ended in time.
    bool close(Ms timeout = kWait);

private:
    Process* process_ = nullptr;  // owned by the sandbox
    HWND mainWindow_ = nullptr;
    std::wstring logPath_;
    std::string startError_;
};

}  // namespace vuv::e2e
