#include "e2e/harness.h"

#include "link/channel_win.h"

#include "common/control_ids.h"
#include "common/encoding_win.h"
#include "common/texts.h"
#include "common/trace_win.h"
#include "standin/protocol.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace vuv::e2e {

using win::narrow;
using win::widen;

namespace {

using Clock = std::chrono::steady_clock;

void pumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::wstring lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

std::wstring withBackslash(std::wstring path) {
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path.push_back(L'\\');
    return path;
}

std::wstring fullPath(const std::wstring& path) {
    std::wstring out(MAX_PATH * 2, L'\0');
    const DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(out.size()), out.data(), nullptr);
    if (n == 0 || n >= out.size()) return path;
    out.resize(n);
    return out;
}

std::wstring imagePath(HANDLE process) {
    std::wstring out(MAX_PATH * 2, L'\0');
    DWORD size = static_cast<DWORD>(out.size());
    if (!QueryFullProcessImageNameW(process, 0, out.data(), &size)) return {};
    out.resize(size);
    return out;
}

// Environment block for CreateProcessW: this process's variables with the
// given ones added or replaced, sorted as Windows expects.
std::wstring environmentBlock(const std::vector<std::pair<std::wstring, std::wstring>>& changes) {
    std::vector<std::wstring> entries;
    if (wchar_t* env = GetEnvironmentStringsW()) {
        for (const wchar_t* p = env; *p != L'\0'; p += std::wcslen(p) + 1) entries.emplace_back(p);
        FreeEnvironmentStringsW(env);
    }
    for (const auto& [name, value] : changes) {
        const std::wstring key = lower(name) + L"=";
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [&](const std::wstring& e) { return lower(e.substr(0, key.size())) == key; }),
                      entries.end());
        entries.push_back(name + L"=" + value);
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const std::wstring& a, const std::wstring& b) { return lower(a) < lower(b); });
    std::wstring block;
    for (const std::wstring& e : entries) {
        block += e;
        block.push_back(L'\0');
    }
    block.push_back(L'\0');
    return block;
}

bool removeTree(const std::wstring& directory) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((directory + L"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = directory + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(path + L"\\");
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    return RemoveDirectoryW(directory.c_str()) != 0;
}

// Wine's own export that maps a DOS path to the Unix one.
std::string unixPath(const std::wstring& path) {
    using Converter = char*(CDECL*)(const wchar_t*);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto convert =
        kernel ? reinterpret_cast<Converter>(reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")))
               : nullptr;
    if (convert == nullptr) return {};
    char* unix = convert(path.c_str());
    if (unix == nullptr) return {};
    std::string out = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return out;
}

std::wstring environmentVariable(const wchar_t* name) {
    std::wstring value(32767, L'\0');
    const DWORD n = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    value.resize(n < value.size() ? n : 0);
    return value;
}

std::wstring shellQuote(const std::wstring& text) {
    std::wstring out = L"'";
    for (wchar_t c : text) {
        if (c == L'\'') out += L"'\\''";
        else out.push_back(c);
    }
    return out + L"'";
}

std::wstring hexWide(std::string_view bytes) { return widen(standin::toHex(bytes)); }

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t blank = line.find(' ', start);
        fields.push_back(line.substr(start, blank == std::string_view::npos ? std::string_view::npos : blank - start));
        if (blank == std::string_view::npos) return fields;
        start = blank + 1;
    }
}

std::optional<long long> parseNumber(std::string_view text) {
    if (text.empty() || text.size() > 20) return std::nullopt;
    bool negative = false;
    std::size_t i = 0;
    if (text[0] == '-') {
        negative = true;
        i = 1;
    }
    if (i == text.size()) return std::nullopt;
    unsigned long long value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
    }
    return negative ? -static_cast<long long>(value) : static_cast<long long>(value);
}

std::atomic<unsigned> sandboxCounter{0};

}  // namespace

bool waitUntil(const std::function<bool()>& condition, Ms timeout, Ms interval) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (Clock::now() >= deadline) return condition();
        pumpMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(interval.count()), QS_ALLINPUT);
    }
}

// ---------------------------------------------------------------------------
// Environment and files

bool runningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::wstring testDirectory() { return withBackslash(win::executableDirectory()); }

std::string environmentProblems(const std::wstring& directory) {
    std::string problems;
    if (GetACP() != 936) problems += "ANSI code page is " + std::to_string(GetACP()) + ", not 936; ";
    const std::wstring name = widen("\xB2\xE2\xCA\xD4\xA1\xF6.txt");  // 测试■.txt
    const std::wstring path = withBackslash(directory) + name;
    if (!writeFileBytes(path, "x")) {
        problems += "cannot create a file with a Chinese name; ";
    } else {
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((withBackslash(directory) + L"*.txt").c_str(), &data);
        bool found = false;
        if (find != INVALID_HANDLE_VALUE) {
            do found = found || name == data.cFileName;
            while (FindNextFileW(find, &data));
            FindClose(find);
        }
        if (!found) problems += "a Chinese file name does not come back unchanged; ";
        DeleteFileW(path.c_str());
    }
    return problems;
}

// ---------------------------------------------------------------------------
// Processes

Process Process::open(DWORD pid) {
    HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    return h != nullptr ? Process(h, pid) : Process();
}

bool Process::running() const { return valid() && WaitForSingleObject(handle(), 0) == WAIT_TIMEOUT; }

bool Process::waitForExit(Ms timeout) const {
    return valid() && waitUntil([&] { return WaitForSingleObject(handle(), 0) == WAIT_OBJECT_0; }, timeout);
}

std::optional<DWORD> Process::exitCode() const {
    DWORD code = 0;
    if (!valid() || running() || !GetExitCodeProcess(handle(), &code)) return std::nullopt;
    return code;
}

void Process::kill() const {
    if (!running()) return;
    TerminateProcess(handle(), 1);
    WaitForSingleObject(handle(), 5000);
}

Process startProcess(const StartOptions& options) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    const bool redirect = options.stdOutput != nullptr || options.stdError != nullptr;
    if (redirect) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = options.stdOutput != nullptr ? options.stdOutput : GetStdHandle(STD_OUTPUT_HANDLE);
        startup.hStdError = options.stdError != nullptr ? options.stdError : GetStdHandle(STD_ERROR_HANDLE);
    }
    std::wstring desktop = options.desktop;
    if (!desktop.empty()) startup.lpDesktop = desktop.data();
    std::wstring commandLine = options.commandLine;
    std::wstring environment;
    if (!options.environment.empty()) environment = environmentBlock(options.environment);
    PROCESS_INFORMATION info{};
    // A Windows program stays suspended until it is in the test job, so that
    // nothing it starts can escape the job either. Not a Unix program (a
    // command line that starts with a Unix path, under Wine): Wine runs it
    // through a launcher process, and a launcher created suspended leaves
    // this process's first window call waiting for good. What such a program
    // starts is found by pid and put in the job then.
    const bool suspend = options.commandLine.compare(0, 1, L"/") != 0;
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, redirect ? TRUE : FALSE,
                        CREATE_UNICODE_ENVIRONMENT | (suspend ? CREATE_SUSPENDED : 0), environment.empty() ? nullptr : environment.data(),
                        options.directory.empty() ? nullptr : options.directory.c_str(), &startup, &info)) {
        return {};
    }
    if (info.hProcess != nullptr) joinTestJob(info.hProcess);
    if (info.hThread != nullptr && suspend) {
        ResumeThread(info.hThread);
        CloseHandle(info.hThread);
    }
    if (info.hProcess == nullptr) return {};  // a Unix program under Wine: no process object
    return Process(info.hProcess, info.dwProcessId);
}

HANDLE testJob() {
    static const HANDLE job = [] {
        HANDLE made = CreateJobObjectW(nullptr, nullptr);  // not inheritable: children must not keep it open
        if (made == nullptr) return made;
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (!SetInformationJobObject(made, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
            CloseHandle(made);
            return HANDLE{nullptr};
        }
        return made;
    }();
    return job;
}

bool inTestJob(HANDLE process) {
    BOOL member = FALSE;
    return testJob() != nullptr && process != nullptr && IsProcessInJob(process, testJob(), &member) && member;
}

bool joinTestJob(HANDLE process) {
    if (testJob() == nullptr || process == nullptr) return false;
    return AssignProcessToJobObject(testJob(), process) || inTestJob(process);
}

bool joinTestJob(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr) return false;
    const bool joined = joinTestJob(process);
    CloseHandle(process);
    return joined;
}

std::vector<DWORD> processesIn(const std::wstring& directory) {
    std::vector<DWORD> found;
    const std::wstring prefix = lower(withBackslash(fullPath(directory)));
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return found;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId()) continue;
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (process == nullptr) continue;
        const std::wstring image = lower(imagePath(process));
        CloseHandle(process);
        if (image.compare(0, prefix.size(), prefix) == 0) found.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return found;
}

namespace {

constexpr wchar_t kSandboxPrefix[] = L"vuv-e2e-";

std::wstring sandboxRoot() {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathW(MAX_PATH, temp);
    if (n == 0 || n > MAX_PATH) return {};
    return withBackslash(temp);
}

bool processAlive(DWORD pid) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (process == nullptr) return false;
    const bool alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return alive;
}

}  // namespace

std::vector<std::string> endLeftoverProcesses() {
    std::vector<std::string> ended;
    const std::wstring root = sandboxRoot();
    if (root.empty()) return ended;
    // A sandbox is named vuv-e2e-<pid of its test program>-...
    const std::wstring prefix = lower(fullPath(root) + kSandboxPrefix);
    for (DWORD pid : processesIn(root)) {
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (process == nullptr) continue;
        const std::wstring image = imagePath(process);
        const std::wstring folded = lower(image);
        std::optional<long long> owner;
        if (folded.compare(0, prefix.size(), prefix) == 0) {
            const std::size_t end = folded.find(L'-', prefix.size());
            if (end != std::wstring::npos) owner = parseNumber(narrow(folded.substr(prefix.size(), end - prefix.size())));
        }
        if (owner && static_cast<DWORD>(*owner) != GetCurrentProcessId() && !processAlive(static_cast<DWORD>(*owner)) &&
            TerminateProcess(process, 1)) {
            WaitForSingleObject(process, 5000);
            ended.push_back(std::to_string(pid) + " " + narrow(image));
        }
        CloseHandle(process);
    }
    // And the sandboxes of those programs, which they had no chance to remove.
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((root + kSandboxPrefix + L"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        const std::size_t skip = std::wcslen(kSandboxPrefix);
        do {
            const std::wstring name = data.cFileName;
            const std::size_t end = name.find(L'-', skip);
            const std::optional<long long> owner =
                end != std::wstring::npos ? parseNumber(narrow(name.substr(skip, end - skip))) : std::nullopt;
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && owner &&
                static_cast<DWORD>(*owner) != GetCurrentProcessId() && !processAlive(static_cast<DWORD>(*owner))) {
                // The files of a process just ended are released a moment later.
                const std::wstring directory = root + name + L"\\";
                if (!removeTree(directory) && !ended.empty()) waitUntil([&] { return removeTree(directory); }, Ms{3000}, Ms{50});
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    return ended;
}

// ---------------------------------------------------------------------------
// Windows

namespace {

// The caption a top-level window keeps in the system: read without sending a
// message, so a hung window cannot stall a search over every window.
std::wstring captionOf(HWND hwnd) {
    wchar_t text[1024] = {};
    const int n = GetWindowTextW(hwnd, text, 1024);
    return std::wstring(text, n > 0 ? static_cast<std::size_t>(n) : 0);
}

}  // namespace

namespace {

struct WindowQuery {
    DWORD pid = 0;
    const wchar_t* wantedClass = nullptr;
    const wchar_t* caption = nullptr;
    std::vector<HWND> found;
};

BOOL CALLBACK collectTopLevel(HWND hwnd, LPARAM param) {
    auto& q = *reinterpret_cast<WindowQuery*>(param);
    if (q.pid != 0 && processOf(hwnd) != q.pid) return TRUE;
    if (q.wantedClass != nullptr && className(hwnd) != q.wantedClass) return TRUE;
    if (q.caption != nullptr && captionOf(hwnd) != q.caption) return TRUE;
    q.found.push_back(hwnd);
    return TRUE;
}

struct ChildQuery {
    int id = 0;  // used when byId
    bool byId = false;
    const wchar_t* wantedClass = nullptr;
    const wchar_t* text = nullptr;
    HWND found = nullptr;
};

BOOL CALLBACK findChild(HWND hwnd, LPARAM param) {
    auto& q = *reinterpret_cast<ChildQuery*>(param);
    if (q.byId) {
        if (GetDlgCtrlID(hwnd) != q.id) return TRUE;
    } else {
        if (q.wantedClass != nullptr && lower(className(hwnd)) != lower(q.wantedClass)) return TRUE;
        if (q.text != nullptr && windowText(hwnd) != q.text) return TRUE;
    }
    q.found = hwnd;
    return FALSE;
}

}  // namespace

std::vector<HWND> topLevelWindows(DWORD pid, const wchar_t* wantedClass, const wchar_t* caption) {
    WindowQuery query;
    query.pid = pid;
    query.wantedClass = wantedClass;
    query.caption = caption;
    EnumWindows(&collectTopLevel, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

HWND waitForWindow(const wchar_t* wantedClass, const wchar_t* caption, DWORD pid, Ms timeout) {
    HWND found = nullptr;
    waitUntil(
        [&] {
            const std::vector<HWND> windows = topLevelWindows(pid, wantedClass, caption);
            found = windows.empty() ? nullptr : windows.front();
            return found != nullptr;
        },
        timeout, Ms{20});
    return found;
}

HWND controlById(HWND parent, int id) {
    if (parent == nullptr) return nullptr;
    if (HWND direct = GetDlgItem(parent, id)) return direct;
    ChildQuery query;
    query.byId = true;
    query.id = id;
    EnumChildWindows(parent, &findChild, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

HWND findDescendant(HWND parent, const wchar_t* wantedClass, const wchar_t* text) {
    if (parent == nullptr) return nullptr;
    ChildQuery query;
    query.wantedClass = wantedClass;
    query.text = text;
    EnumChildWindows(parent, &findChild, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

std::wstring className(HWND hwnd) {
    wchar_t name[256] = {};
    const int n = GetClassNameW(hwnd, name, 256);
    return std::wstring(name, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::wstring windowText(HWND hwnd) {
    const std::optional<LRESULT> length = sendWithTimeout(hwnd, WM_GETTEXTLENGTH, 0, 0);
    if (!length || *length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(*length) + 1, L'\0');
    const std::optional<LRESULT> got =
        sendWithTimeout(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    if (!got) return {};
    text.resize(std::wcslen(text.c_str()));
    return text;
}

std::string windowTextGbk(HWND hwnd) { return narrow(windowText(hwnd)); }

DWORD processOf(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

std::optional<LRESULT> sendWithTimeout(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, Ms timeout) {
    DWORD_PTR result = 0;
    if (hwnd == nullptr ||
        SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_ABORTIFHUNG, static_cast<UINT>(timeout.count()),
                            &result) == 0) {
        return std::nullopt;
    }
    return static_cast<LRESULT>(result);
}

// ---------------------------------------------------------------------------
// Remote controls

namespace {

// Under Wine, memory of another process is allocated and freed by that
// process itself: the system queues it the call and waits for the answer
// without a limit, so a process that does not get round to it (stopped,
// dying, stuck with signals blocked) would stop the test for good. The call
// runs on a thread of its own here, and the caller gives up after a limit;
// memory that arrives after that is freed again by the thread. Memory once
// allocated is kept for reuse (below) and never freed by the harness.
constexpr DWORD kRemoteMemoryLimitMs = 10000;

struct RemoteCall {
    enum State { kRunning, kFinished, kAbandoned };
    HANDLE process = nullptr;  // a duplicate: the caller's handle may be closed first
    HANDLE done = nullptr;
    void* base = nullptr;
    std::atomic<int> state{kRunning};
    ~RemoteCall() {
        if (process != nullptr) CloseHandle(process);
        if (done != nullptr) CloseHandle(done);
    }
};

std::shared_ptr<RemoteCall> remoteCall(HANDLE process) {
    auto call = std::make_shared<RemoteCall>();
    if (!DuplicateHandle(GetCurrentProcess(), process, GetCurrentProcess(), &call->process, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
        return nullptr;
    }
    call->done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return call->done != nullptr ? call : nullptr;
}

// True when the call finished within the limit.
bool awaitRemoteCall(RemoteCall& call) {
    if (WaitForSingleObject(call.done, kRemoteMemoryLimitMs) == WAIT_OBJECT_0) return true;
    return call.state.exchange(RemoteCall::kAbandoned) == RemoteCall::kFinished;
}

void* allocateIn(HANDLE process, std::size_t size) {
    const std::shared_ptr<RemoteCall> call = remoteCall(process);
    if (call == nullptr) return nullptr;
    std::thread([call, size] {
        call->base = VirtualAllocEx(call->process, nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (call->state.exchange(RemoteCall::kFinished) == RemoteCall::kAbandoned && call->base != nullptr) {
            VirtualFreeEx(call->process, call->base, 0, MEM_RELEASE);
        }
        SetEvent(call->done);
    }).detach();
    return awaitRemoteCall(*call) ? call->base : nullptr;
}

// Blocks of memory in other processes, kept for reuse: every wait on a list
// view reads it through such a block, and under Wine each allocation and
// each release is a call the target must serve. Allocating once per process
// leaves almost no such calls. A block goes with its process; the handle
// kept on each process keeps its id from being reused meanwhile.
class RemotePool {
public:
    static RemotePool& instance() {
        static RemotePool* pool = new RemotePool;  // used until the program ends
        return *pool;
    }

    void* take(DWORD pid, HANDLE process, std::size_t size) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            Blocks* blocks = blocksOf(pid);
            if (blocks == nullptr) return nullptr;
            for (Block& block : blocks->list) {
                if (!block.inUse && block.size >= size) {
                    block.inUse = true;
                    return block.base;
                }
            }
        }
        const std::size_t room = std::max<std::size_t>(size, kBlockSize);
        void* base = allocateIn(process, room);
        if (base == nullptr) return nullptr;
        const std::lock_guard<std::mutex> lock(mutex_);
        Blocks* blocks = blocksOf(pid);
        if (blocks == nullptr) return nullptr;
        blocks->list.push_back(Block{base, room, true});
        return base;
    }

    void give(DWORD pid, void* base) {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto it = processes_.find(pid);
        if (it == processes_.end()) return;
        for (Block& block : it->second.list) {
            if (block.base == base) block.inUse = false;
        }
    }

private:
    static constexpr std::size_t kBlockSize = 64 * 1024;
    struct Block {
        void* base = nullptr;
        std::size_t size = 0;
        bool inUse = false;
    };
    struct Blocks {
        HANDLE process = nullptr;  // SYNCHRONIZE: tells when the blocks are gone
        std::vector<Block> list;
    };

    // The blocks of a running process (a fresh list for a new one); null
    // when the process cannot be watched.
    Blocks* blocksOf(DWORD pid) {
        auto it = processes_.find(pid);
        if (it != processes_.end() && WaitForSingleObject(it->second.process, 0) != WAIT_TIMEOUT) {
            CloseHandle(it->second.process);
            processes_.erase(it);
            it = processes_.end();
        }
        if (it == processes_.end()) {
            const HANDLE watch = OpenProcess(SYNCHRONIZE, FALSE, pid);
            if (watch == nullptr) return nullptr;
            it = processes_.emplace(pid, Blocks{watch, {}}).first;
        }
        return &it->second;
    }

    std::mutex mutex_;
    std::unordered_map<DWORD, Blocks> processes_;
};

}  // namespace

RemoteMemory::RemoteMemory(DWORD pid, std::size_t size) : size_(size) {
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
                           FALSE, pid);
    if (process_ != nullptr) base_ = RemotePool::instance().take(pid, process_, size);
}

RemoteMemory::~RemoteMemory() {
    if (base_ != nullptr) RemotePool::instance().give(GetProcessId(process_), base_);
    if (process_ != nullptr) CloseHandle(process_);
}

bool RemoteMemory::write(std::size_t offset, const void* data, std::size_t size) const {
    SIZE_T done = 0;
    return base_ != nullptr && offset + size <= size_ &&
           WriteProcessMemory(process_, static_cast<char*>(base_) + offset, data, size, &done) && done == size;
}

bool RemoteMemory::read(std::size_t offset, void* data, std::size_t size) const {
    SIZE_T done = 0;
    return base_ != nullptr && offset + size <= size_ &&
           ReadProcessMemory(process_, static_cast<const char*>(base_) + offset, data, size, &done) && done == size;
}

namespace {

constexpr std::size_t kTextRoom = 8192;  // characters per remote text buffer

// Runs one LVITEMW-based request in the list view's process; item gets the
// reply (its pszText points into the remote buffer).
std::optional<LRESULT> listViewRequest(const RemoteMemory& memory, HWND listView, UINT message, WPARAM wParam,
                                       LVITEMW& item) {
    if (!memory.write(0, &item, sizeof item)) return std::nullopt;
    const std::optional<LRESULT> result = sendWithTimeout(listView, message, wParam, static_cast<LPARAM>(memory.address()));
    if (!result || !memory.read(0, &item, sizeof item)) return std::nullopt;
    return result;
}

std::string remoteText(const RemoteMemory& memory, LRESULT length) {
    if (length <= 0) return {};
    const std::size_t chars = std::min(static_cast<std::size_t>(length), kTextRoom - 1);
    std::wstring text(chars, L'\0');
    if (!memory.read(sizeof(LVITEMW) + sizeof(TCITEMW), text.data(), chars * sizeof(wchar_t))) return {};
    return narrow(text);
}

LPWSTR remoteTextBuffer(const RemoteMemory& memory) {
    return reinterpret_cast<LPWSTR>(memory.address(sizeof(LVITEMW) + sizeof(TCITEMW)));
}

std::size_t remoteRoom() { return sizeof(LVITEMW) + sizeof(TCITEMW) + kTextRoom * sizeof(wchar_t); }

}  // namespace

Table readListView(HWND listView, int columns) {
    Table table;
    const std::optional<LRESULT> rows = sendWithTimeout(listView, LVM_GETITEMCOUNT, 0, 0);
    if (!rows || *rows <= 0) return table;
    const std::optional<LRESULT> header = sendWithTimeout(listView, LVM_GETHEADER, 0, 0);
    const std::optional<LRESULT> shown =
        header && *header != 0 ? sendWithTimeout(reinterpret_cast<HWND>(*header), HDM_GETITEMCOUNT, 0, 0) : std::nullopt;
    int columnCount = shown && *shown > 0 ? static_cast<int>(*shown) : 1;
    if (columns > 0 && columns < columnCount) columnCount = columns;
    RemoteMemory memory(processOf(listView), remoteRoom());
    if (!memory.ok()) return table;
    for (int row = 0; row < *rows; ++row) {
        std::vector<std::string> cells;
        for (int column = 0; column < columnCount; ++column) {
            LVITEMW item{};
            item.iSubItem = column;
            item.pszText = remoteTextBuffer(memory);
            item.cchTextMax = static_cast<int>(kTextRoom);
            const std::optional<LRESULT> length =
                listViewRequest(memory, listView, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), item);
            cells.push_back(length ? remoteText(memory, *length) : std::string());
        }
        table.push_back(std::move(cells));
    }
    return table;
}

std::vector<LPARAM> readListViewData(HWND listView) {
    std::vector<LPARAM> data;
    const std::optional<LRESULT> rows = sendWithTimeout(listView, LVM_GETITEMCOUNT, 0, 0);
    if (!rows || *rows <= 0) return data;
    RemoteMemory memory(processOf(listView), remoteRoom());
    if (!memory.ok()) return data;
    for (int row = 0; row < *rows; ++row) {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        const std::optional<LRESULT> ok = listViewRequest(memory, listView, LVM_GETITEMW, 0, item);
        data.push_back(ok && *ok ? item.lParam : 0);
    }
    return data;
}

std::vector<int> selectedRows(HWND listView) {
    std::vector<int> rows;
    int at = -1;
    for (;;) {
        const std::optional<LRESULT> next =
            sendWithTimeout(listView, LVM_GETNEXTITEM, static_cast<WPARAM>(at), MAKELPARAM(LVNI_SELECTED, 0));
        if (!next || *next < 0 || *next <= at) return rows;
        at = static_cast<int>(*next);
        rows.push_back(at);
    }
}

bool selectRows(HWND listView, const std::vector<int>& rows) {
    RemoteMemory memory(processOf(listView), remoteRoom());
    if (!memory.ok()) return false;
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = 0;
    if (!listViewRequest(memory, listView, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), item)) return false;
    bool ok = true;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        item = LVITEMW{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | (i == 0 ? LVIS_FOCUSED : 0u);
        const std::optional<LRESULT> done =
            listViewRequest(memory, listView, LVM_SETITEMSTATE, static_cast<WPARAM>(rows[i]), item);
        ok = ok && done && *done;
    }
    return ok;
}

std::vector<std::string> readTabs(HWND tab) {
    std::vector<std::string> names;
    const std::optional<LRESULT> count = sendWithTimeout(tab, TCM_GETITEMCOUNT, 0, 0);
    if (!count || *count <= 0) return names;
    RemoteMemory memory(processOf(tab), remoteRoom());
    if (!memory.ok()) return names;
    for (int i = 0; i < *count; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = remoteTextBuffer(memory);
        item.cchTextMax = static_cast<int>(kTextRoom);
        const wchar_t nothing = L'\0';
        std::optional<LRESULT> ok;
        if (memory.write(sizeof(LVITEMW) + sizeof(TCITEMW), &nothing, sizeof nothing) &&
            memory.write(0, &item, sizeof item)) {
            ok = sendWithTimeout(tab, TCM_GETITEMW, static_cast<WPARAM>(i), static_cast<LPARAM>(memory.address()));
        }
        std::wstring text(kTextRoom, L'\0');
        if (ok && *ok && memory.read(sizeof(LVITEMW) + sizeof(TCITEMW), text.data(), text.size() * sizeof(wchar_t))) {
            text.resize(std::wcslen(text.c_str()));
            names.push_back(narrow(text));
        } else {
            names.emplace_back();
        }
    }
    return names;
}

int currentTab(HWND tab) {
    const std::optional<LRESULT> current = sendWithTimeout(tab, TCM_GETCURSEL, 0, 0);
    return current ? static_cast<int>(*current) : -1;
}

std::optional<LRESULT> sendNotify(HWND control, UINT code, void* block, std::size_t size, Ms timeout) {
    const HWND parent = GetParent(control);
    if (parent == nullptr || block == nullptr || size < sizeof(NMHDR)) return std::nullopt;
    auto* header = static_cast<NMHDR*>(block);
    header->hwndFrom = control;
    header->idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(control));
    header->code = code;
    RemoteMemory memory(processOf(parent), size);
    if (!memory.write(0, block, size)) return std::nullopt;
    const std::optional<LRESULT> result =
        sendWithTimeout(parent, WM_NOTIFY, header->idFrom, static_cast<LPARAM>(memory.address()), timeout);
    if (!result) memory.release();  // the handler may still be reading it
    return result;
}

bool selectTab(HWND tab, int index) {
    RemoteMemory remote(processOf(tab), sizeof(RECT));
    RECT item{};
    if (!remote.ok() || !sendWithTimeout(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index), static_cast<LPARAM>(remote.address())) ||
        !remote.read(0, &item, sizeof item)) {
        return false;
    }
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    PostMessageW(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(tab, WM_LBUTTONUP, 0, at);
    return waitUntil([&] { return currentTab(tab) == index; });
}

void sendKey(WORD vk, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof input);
}

void pressKey(WORD vk, std::initializer_list<WORD> modifiers) {
    for (WORD m : modifiers) sendKey(m, true);
    sendKey(vk, true);
    sendKey(vk, false);
    for (auto m = std::rbegin(modifiers); m != std::rend(modifiers); ++m) sendKey(*m, false);
}

// ---------------------------------------------------------------------------
// Message boxes

std::optional<MessageBoxInfo> findMessageBox(DWORD pid, std::string_view caption, Ms timeout) {
    std::optional<MessageBoxInfo> found;
    const std::wstring wideCaption = widen(caption);
    waitUntil(
        [&] {
            for (HWND box : topLevelWindows(pid, L"#32770", caption.empty() ? nullptr : wideCaption.c_str())) {
                if (!IsWindowVisible(box)) continue;
                HWND textControl = GetDlgItem(box, 0xFFFF);
                if (textControl == nullptr) textControl = findDescendant(box, L"Static", nullptr);
                found = MessageBoxInfo{box, windowTextGbk(box), textControl ? windowTextGbk(textControl) : std::string()};
                return true;
            }
            return false;
        },
        timeout, Ms{20});
    return found;
}

bool answerFileDialog(DWORD pid, const std::wstring& name) {
    constexpr int kNameCombo = 0x47C;  // cmb13 of the explorer-style dialog
    constexpr int kNameEdit = 0x480;   // edt1 of the old style
    HWND dialog = nullptr;
    HWND field = nullptr;
    waitUntil([&] {
        for (HWND w : topLevelWindows(pid, L"#32770")) {
            if (!IsWindowVisible(w)) continue;
            field = controlById(w, kNameCombo);
            if (field == nullptr) field = controlById(w, kNameEdit);
            if (field != nullptr) {
                dialog = w;
                return true;
            }
        }
        return false;
    });
    if (dialog == nullptr) return false;
    if (name.empty()) return pressButton(dialog, IDCANCEL);
    return sendWithTimeout(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str())) && pressButton(dialog, IDOK);
}

bool pressButton(HWND dialog, int id, Ms timeout) {
    if (!IsWindow(dialog)) return false;
    if (!PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)))) {
        return false;
    }
    return waitUntil([&] { return !IsWindow(dialog); }, timeout);
}

// ---------------------------------------------------------------------------
// Sandbox

Sandbox::Sandbox() {
    // A panel or browser an ended test program left behind would be listed
    // by this test's panel.
    for (const std::string& line : endLeftoverProcesses()) {
        std::fprintf(stderr, "ended a process left by an earlier test: %s\n", line.c_str());
        std::fflush(stderr);
    }
    const std::wstring root = sandboxRoot();
    if (root.empty()) return;
    directory_ = root + kSandboxPrefix + std::to_wstring(GetCurrentProcessId()) + L"-" +
                 std::to_wstring(++sandboxCounter) + L"-" + std::to_wstring(GetTickCount()) + L"\\";
    if (!CreateDirectoryW(directory_.c_str(), nullptr)) return;
    if (!CreateDirectoryW(logDirectory().c_str(), nullptr)) return;
    const std::wstring from = testDirectory();
    if (!CopyFileW((from + L"lxbr.exe").c_str(), standinExe().c_str(), FALSE)) return;
    CopyFileW((from + L"vuv.exe").c_str(), panelExe().c_str(), FALSE);  // absent until the panel links
    ok_ = true;
}

Sandbox::~Sandbox() {
    for (const auto& process : processes_) process->kill();
    // Processes the panel started, and a panel started through the shell.
    for (DWORD pid : processesIn(directory_)) {
        if (HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
            TerminateProcess(h, 1);
            WaitForSingleObject(h, 5000);
            CloseHandle(h);
        }
    }
    processes_.clear();
    if (!directory_.empty()) {
        // Files of ended processes are released a moment later.
        waitUntil([&] { return removeTree(directory_); }, Ms{5000}, Ms{50});
    }
}

bool Sandbox::hasPanel() const { return GetFileAttributesW(panelExe().c_str()) != INVALID_FILE_ATTRIBUTES; }

Process& Sandbox::start(const StartOptions& options) { return adopt(startProcess(options)); }

Process& Sandbox::adopt(Process process) {
    // Started through the shell or by another process: not in the job yet.
    if (process.valid()) joinTestJob(process.pid());
    processes_.push_back(std::make_unique<Process>(std::move(process)));
    return *processes_.back();
}

std::vector<DWORD> Sandbox::standinPids() const {
    std::vector<DWORD> pids;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((logDirectory() + L"standin-*.log").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return pids;
    do {
        const std::wstring name = data.cFileName;  // standin-<pid>.log
        const std::wstring digits = name.substr(8, name.size() - 8 - 4);
        if (const std::optional<long long> pid = parseNumber(narrow(digits))) pids.push_back(static_cast<DWORD>(*pid));
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(pids.begin(), pids.end());
    return pids;
}

// ---------------------------------------------------------------------------
// Stand-ins

std::optional<StandinRecord> parseStandinRecord(std::string_view line) {
    const std::vector<std::string_view> f = splitFields(line);
    StandinRecord record;
    record.kind = std::string(f[0]);
    record.line = std::string(line);
    const auto hex = [&](std::size_t i, std::string& into) {
        if (i >= f.size()) return false;
        const std::optional<std::string> decoded = standin::fromHex(f[i]);
        if (decoded) into = *decoded;
        return decoded.has_value();
    };
    const auto numbers = [&](std::size_t from, std::size_t count) {
        if (from + count > f.size()) return false;
        for (std::size_t i = from; i < from + count; ++i) {
            const std::optional<long long> n = parseNumber(f[i]);
            if (!n) return false;
            record.numbers.push_back(*n);
        }
        return true;
    };
    bool ok = false;
    if (record.kind == "CMDLINE" || record.kind == "TITLE") ok = f.size() == 2 && hex(1, record.bytes);
    else if (record.kind == "WINDOWS") ok = f.size() == 4 && numbers(1, 3);
    else if (record.kind == "RECV") ok = f.size() == 3 && hex(1, record.name) && hex(2, record.bytes);
    else if (record.kind == "REJECT") ok = f.size() == 4 && hex(1, record.name) && numbers(2, 2);
    else if (record.kind == "HANG") ok = f.size() == 2 && numbers(1, 1);
    else if (record.kind == "POST") ok = f.size() == 4 && numbers(1, 3);
    else if (record.kind == "NOTIFY") ok = f.size() == 3 && numbers(1, 1) && hex(2, record.bytes);
    else if (record.kind == "CLOSE") ok = f.size() == 2 && !(record.name = std::string(f[1])).empty();
    else if (record.kind == "QUERY") ok = f.size() == 2 && numbers(1, 1);
    else if (record.kind == "STALL") ok = f.size() == 2 && numbers(1, 1);
    else if (record.kind == "READY" || record.kind == "EXIT") ok = f.size() == 2 && numbers(1, 1);
    if (!ok) return std::nullopt;
    return record;
}

RecordFilter isKind(std::string kind) {
    return [kind = std::move(kind)](const StandinRecord& r) { return r.kind == kind; };
}

RecordFilter isReceived(std::string messageName, std::string payload) {
    return [name = std::move(messageName), payload = std::move(payload)](const StandinRecord& r) {
        return r.kind == "RECV" && r.name == name && r.bytes == payload;
    };
}

const std::vector<StandinRecord>& StandinLog::records() {
    const std::optional<std::string> bytes = readFileBytes(path_);
    if (!bytes || bytes->size() <= consumed_) return records_;
    const std::string_view fresh = std::string_view(*bytes).substr(consumed_);
    std::size_t start = 0;
    for (std::size_t end = fresh.find('\n'); end != std::string_view::npos; end = fresh.find('\n', start)) {
        const std::string_view line = fresh.substr(start, end - start);
        if (std::optional<StandinRecord> record = parseStandinRecord(line)) {
            records_.push_back(std::move(*record));
        } else {
            records_.push_back(StandinRecord{"?", {}, {}, {}, std::string(line)});
        }
        start = end + 1;
    }
    consumed_ += start;  // a line still being written is read next time
    return records_;
}

std::optional<StandinRecord> StandinLog::waitFor(const RecordFilter& filter, Ms timeout) {
    std::optional<StandinRecord> found;
    waitUntil(
        [&] {
            for (const StandinRecord& r : records()) {
                if (filter(r)) {
                    found = r;
                    return true;
                }
            }
            return false;
        },
        timeout, Ms{15});
    return found;
}

namespace {

std::wstring standinLogPath(const Sandbox& sandbox, DWORD pid) {
    return sandbox.logDirectory() + L"standin-" + std::to_wstring(pid) + L".log";
}

}  // namespace

StandinProcess::StandinProcess(Sandbox& sandbox, const StandinOptions& options, Ms timeout) : log_(std::wstring()) {
    if (!sandbox.ok()) return;
    std::vector<std::wstring> arguments;
    if (!options.arguments.empty()) arguments.push_back(options.arguments);
    if (!options.frame) arguments.emplace_back(standin::kOptNoFrame);
    if (!options.command) arguments.emplace_back(standin::kOptNoCommand);
    if (options.onlyThird) arguments.emplace_back(standin::kOptOnlyThird);
    if (!options.acknowledge) arguments.emplace_back(standin::kOptNoAck);
    if (options.title) arguments.push_back(std::wstring(standin::kOptTitle) + hexWide(*options.title));
    if (options.hangMs > 0) arguments.push_back(std::wstring(standin::kOptHangMs) + std::to_wstring(options.hangMs));
    if (options.titleLength) {
        arguments.push_back(std::wstring(standin::kOptTitleLength) + std::to_wstring(*options.titleLength));
    }
    if (options.ansi) arguments.emplace_back(standin::kOptAnsi);
    std::wstring commandLine = L"\"" + sandbox.standinExe() + L"\"";
    for (const std::wstring& a : arguments) commandLine += L" " + a;
    commandLine_ = commandLine;

    StartOptions start;
    start.commandLine = commandLine;
    start.directory = sandbox.directory();
    start.environment = {{standin::kLogDirVariable, sandbox.logDirectory()}};
    start.environment.insert(start.environment.end(), options.environment.begin(), options.environment.end());
    if (!options.environment.empty() && runningUnderWine()) {
        // A Wine process takes its code page from the Unix locale it was
        // started with, which a Windows environment block does not carry to a
        // Windows child: it is started through /bin/sh, as the panel is.
        const std::vector<DWORD> before = sandbox.standinPids();
        if (!startThroughShell(start, sandbox.standinExe(), arguments, L"/dev/null")) return;
        waitUntil(
            [&] {
                for (DWORD pid : sandbox.standinPids()) {
                    if (std::find(before.begin(), before.end(), pid) == before.end()) {
                        pid_ = pid;
                        return true;
                    }
                }
                return false;
            },
            timeout, Ms{25});
        if (pid_ == 0) return;
        process_ = &sandbox.adopt(Process::open(pid_));
    } else {
        process_ = &sandbox.start(start);
        if (!process_->valid()) return;
        pid_ = process_->pid();
    }
    log_ = StandinLog(standinLogPath(sandbox, pid_));
    awaitWindows(timeout);
}

StandinProcess::StandinProcess(Sandbox& sandbox, DWORD pid, Ms timeout)
    : pid_(pid), log_(standinLogPath(sandbox, pid)) {
    process_ = &sandbox.adopt(Process::open(pid));
    if (std::optional<StandinRecord> cmd = log_.waitFor(isKind("CMDLINE"), timeout)) commandLine_ = widen(cmd->bytes);
    awaitWindows(timeout);
}

void StandinProcess::awaitWindows(Ms timeout) {
    const std::optional<StandinRecord> windows = log_.waitFor(isKind("WINDOWS"), timeout);
    if (!windows) return;
    frame_ = reinterpret_cast<HWND>(static_cast<std::intptr_t>(windows->numbers[0]));
    command_ = reinterpret_cast<HWND>(static_cast<std::intptr_t>(windows->numbers[1]));
    third_ = reinterpret_cast<HWND>(static_cast<std::intptr_t>(windows->numbers[2]));
    ready_ = true;
}

HWND StandinProcess::controlWindow() const noexcept {
    if (command_ != nullptr) return command_;
    return frame_ != nullptr ? frame_ : third_;
}

std::optional<LRESULT> StandinProcess::control(std::uintptr_t code, std::string_view bytes, Ms timeout) const {
    COPYDATASTRUCT data{};
    data.dwData = code;
    data.cbData = static_cast<DWORD>(bytes.size());
    data.lpData = const_cast<char*>(bytes.data());
    return sendWithTimeout(controlWindow(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), timeout);
}

std::optional<bool> StandinProcess::notify(std::string_view payload, Ms timeout) const {
    const std::optional<LRESULT> result = control(standin::kControlNotify, payload, timeout);
    if (!result) return std::nullopt;
    return *result == 1;
}

std::optional<unsigned> StandinProcess::notifyMany(std::string_view payload, std::uint32_t count, Ms timeout) const {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>((count >> (8 * i)) & 0xFF);
    bytes.append(payload);
    const std::optional<LRESULT> result = control(standin::kControlNotifyMany, bytes, timeout);
    if (!result) return std::nullopt;
    return static_cast<unsigned>(*result);
}

bool StandinProcess::stall(unsigned ms) const {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>((ms >> (8 * i)) & 0xFF);
    const std::optional<LRESULT> result = control(standin::kControlStall, bytes, Ms{5000});
    return result && *result == 1;
}

bool StandinProcess::setTitle(std::string_view gbkTitle) const {
    const std::optional<LRESULT> result = control(standin::kControlSetTitle, gbkTitle, Ms{5000});
    return result && *result == 1;
}

bool startThroughShell(const StartOptions& start, const std::wstring& exe, const std::vector<std::wstring>& arguments,
                       const std::wstring& unixOutput) {
    const std::string unixExe = unixPath(exe);
    std::wstring loader = environmentVariable(L"WINELOADER");
    if (loader.empty()) loader = environmentVariable(L"WINE");
    if (unixExe.empty() || loader.empty()) return false;
    // The Unix paths are UTF-8 (widen() would read them as GBK).
    const auto fromUtf8 = [](const std::string& text) {
        std::wstring out(text.size(), L'\0');
        const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                          static_cast<int>(out.size()));
        out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return out;
    };
    std::wstring script = L"exec " + shellQuote(loader) + L" " + shellQuote(fromUtf8(unixExe));
    for (const std::wstring& a : arguments) script += L" " + shellQuote(a);
    script += L" </dev/null >>" + shellQuote(unixOutput) + L" 2>&1";
    StartOptions shell = start;
    shell.commandLine = L"/bin/sh -c \"" + script + L"\"";
    static_cast<void>(startProcess(shell));  // a Unix program: no process object comes back
    return true;
}

// ---------------------------------------------------------------------------
// PanelProcess
//
// Wine writes its debug channels and the "wine: Unhandled ..." notice to the
// Unix stderr of the process, which a child inherits from the process that
// forked it; STARTUPINFO.hStdError only reaches the child's Windows handles
// (C runtime output and the crash report of the automatic debugger). So under
// Wine the panel is started through /bin/sh, which redirects the Unix stderr
// and stdout of the Wine loader into the sandbox's log, and is then found by
// its image path. On Windows it is started directly with hStdError.

PanelProcess::PanelProcess(Sandbox& sandbox, const PanelOptions& options) {
    if (!sandbox.ok()) {
        startError_ = "sandbox not created";
        return;
    }
    if (!sandbox.hasPanel()) {
        startError_ = "vuv.exe is not beside the tests";
        return;
    }
    // A second panel in the same sandbox keeps a log of its own.
    logPath_ = sandbox.path(L"panel-wine.log");
    for (int n = 2; GetFileAttributesW(logPath_.c_str()) != INVALID_FILE_ATTRIBUTES; ++n) {
        logPath_ = sandbox.path(L"panel-wine-" + std::to_wstring(n) + L".log");
    }
    StartOptions start;
    start.directory = sandbox.directory();
    start.environment = {{standin::kLogDirVariable, sandbox.logDirectory()}, {L"WINEDEBUG", options.wineDebug}};
    start.environment.insert(start.environment.end(), options.environment.begin(), options.environment.end());

    if (runningUnderWine()) {
        const std::string exe = unixPath(sandbox.panelExe());
        const std::string log = unixPath(logPath_);
        std::wstring loader = environmentVariable(L"WINELOADER");
        if (loader.empty()) loader = environmentVariable(L"WINE");
        if (exe.empty() || log.empty() || loader.empty()) {
            startError_ = "cannot map the sandbox to Unix paths or find the Wine loader";
            return;
        }
        // The Unix paths are UTF-8 (widen() would read them as GBK).
        const auto fromUtf8 = [](const std::string& s) {
            std::wstring out(s.size(), L'\0');
            const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(),
                                              static_cast<int>(out.size()));
            out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
            return out;
        };
        const std::wstring script = L"exec " + shellQuote(loader) + L" " + shellQuote(fromUtf8(exe)) +
                                    L" </dev/null >>" + shellQuote(fromUtf8(log)) + L" 2>&1";
        start.commandLine = L"/bin/sh -c \"" + script + L"\"";
        if (!writeFileBytes(logPath_, {})) {
            startError_ = "cannot create the panel's log";
            return;
        }
        // A panel already running from the sandbox is not this one.
        const std::vector<DWORD> earlier = processesIn(sandbox.directory());
        static_cast<void>(startProcess(start));  // a Unix program: no process object comes back
        DWORD pid = 0;
        waitUntil(
            [&] {
                const std::vector<DWORD> found = processesIn(sandbox.directory());
                for (DWORD candidate : found) {
                    if (std::find(earlier.begin(), earlier.end(), candidate) != earlier.end()) continue;
                    Process p = Process::open(candidate);
                    if (p.valid() && lower(imagePath(p.handle())) == lower(fullPath(sandbox.panelExe()))) {
                        pid = candidate;
                        return true;
                    }
                }
                return false;
            },
            options.startTimeout, Ms{25});
        if (pid == 0) {
            startError_ = "vuv.exe did not start; its log says: " + wineLog();
            return;
        }
        process_ = &sandbox.adopt(Process::open(pid));
    } else {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE log = CreateFileW(logPath_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        start.commandLine = L"\"" + sandbox.panelExe() + L"\"";
        start.stdOutput = log;
        start.stdError = log;
        process_ = &sandbox.start(start);
        if (log != INVALID_HANDLE_VALUE) CloseHandle(log);
        if (!process_->valid()) {
            startError_ = "CreateProcessW failed for vuv.exe";
            return;
        }
    }
    if (!options.waitForMainWindow) return;
    mainWindow_ = waitForWindow(nullptr, widen(text::kMainCaption).c_str(), process_->pid(), options.startTimeout);
    if (mainWindow_ == nullptr) {
        startError_ = "no main window captioned 鹭行vuv测试版 appeared; the panel is " +
                      std::string(process_->running() ? "running" : "gone") + "; its log says: " + wineLog();
        return;
    }
    if (options.waitForChannel) {
        const HWND main = mainWindow_;
        if (!waitUntil([main] { return win::sendTransfer(main, text::kMsgNotify, {}); }, options.startTimeout, Ms{50})) {
            startError_ = "the panel never acknowledged a notification";
            mainWindow_ = nullptr;
        }
    }
}

bool PanelProcess::command(int id) const {
    return mainWindow_ != nullptr && PostMessageW(mainWindow_, WM_COMMAND, MAKEWPARAM(id, 0), 0) != 0;
}

bool PanelProcess::caughtUp(Ms timeout) const {
    // The mark: the instance table's hover time, which only matters to a
    // list that selects rows under the mouse, as this one does not. Every
    // mark is new, so the one read back is this one.
    static std::atomic<LPARAM> marks{0};
    const HWND list = control(id::kInstanceTable);
    const LPARAM mark = ++marks;
    if (list == nullptr || !PostMessageW(list, LVM_SETHOVERTIME, 0, mark)) return false;
    return waitUntil([&] { return sendWithTimeout(list, LVM_GETHOVERTIME, 0, 0) == std::optional<LRESULT>(mark); },
                     timeout);
}

std::string PanelProcess::modalWindows() const {
    std::string open;
    for (HWND box : topLevelWindows(pid(), L"#32770")) {
        open += "dialog box \"" + windowTextGbk(box) + "\"" + (IsWindowVisible(box) ? "; " : " (not shown yet); ");
    }
    if (mainWindow_ != nullptr && !IsWindowEnabled(mainWindow_)) open += "the main window is disabled";
    return open;
}

bool PanelProcess::click(int id) const {
    const HWND button = control(id);
    return button != nullptr && PostMessageW(button, BM_CLICK, 0, 0) != 0;
}

std::string PanelProcess::wineLog() const {
    if (logPath_.empty()) return {};
    return readFileBytes(logPath_).value_or(std::string());
}

namespace {

// The lines of a log, without their line feeds.
std::vector<std::string_view> logLines(std::string_view log) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < log.size()) {
        std::size_t end = log.find('\n', start);
        if (end == std::string_view::npos) end = log.size();
        lines.push_back(log.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

}  // namespace

std::vector<std::string> PanelProcess::exceptionLines() const {
    std::vector<std::string> lines;
    const std::string log = wineLog();
    for (const std::string_view shown : logLines(log)) {
        const std::string line(shown);
        bool counts = line.find("err:seh") != std::string::npos || line.find("Unhandled exception") != std::string::npos ||
                      line.find("wine: Unhandled") != std::string::npos;
        const std::size_t code = line.find(":seh:dispatch_exception");
        const std::size_t value = line.find("(code=");
        if (!counts && code != std::string::npos && value != std::string::npos) {
            // Error-class NTSTATUS codes (0xC...): access violations, stack
            // overflows, division by zero. C++ throws and RPC codes are not.
            const unsigned long parsed = std::strtoul(line.c_str() + value + 6, nullptr, 16);
            counts = (parsed & 0xF0000000ul) == 0xC0000000ul;
        }
        if (counts) lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> PanelProcess::traceLines() const {
    std::vector<std::string> lines;
    const std::string log = wineLog();
    for (const std::string_view line : logLines(log)) {
        const std::size_t at = line.find("vuv: ");
        if (at != std::string_view::npos) lines.emplace_back(line.substr(at));
    }
    return lines;
}

std::vector<std::string> PanelProcess::caughtExceptionLines() const {
    const std::string barrier = win::narrow(std::wstring(win::kTracePrefix) + std::wstring(win::kTraceException));
    std::vector<std::string> lines;
    for (const std::string& line : traceLines()) {
        if (line.compare(0, barrier.size(), barrier) == 0) lines.push_back(line);
    }
    return lines;
}

bool PanelProcess::crashed() const {
    const std::string log = wineLog();
    if (log.find("Unhandled exception") != std::string::npos || log.find("wine: Unhandled") != std::string::npos) {
        return true;
    }
    const std::optional<DWORD> code = process_ != nullptr ? process_->exitCode() : std::nullopt;
    return code && (*code & 0xF0000000u) == 0xC0000000u;
}

bool PanelProcess::close(Ms timeout) {
    if (mainWindow_ == nullptr || process_ == nullptr) return false;
    PostMessageW(mainWindow_, WM_CLOSE, 0, 0);
    return process_->waitForExit(timeout);
}

}  // namespace vuv::e2e
