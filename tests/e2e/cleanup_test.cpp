// Processes a test starts end with the test program, however it ends: the
// program is terminated, its Wine process is killed from Unix (what ctest
// does at its time limit), or its own per-test limit stops it. A helper run
// of this very program plays the test that is ended mid-way: it starts a
// stand-in browser through the harness, reports the process ids and waits to
// be ended.
#include "e2e/harness.h"
#include "e2e/watchdog.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace vuv::e2e {
namespace {

constexpr wchar_t kReportVariable[] = L"VUV_E2E_HELPER_REPORT";

std::wstring variable(const wchar_t* name) {
    wchar_t value[1024] = {};
    const DWORD n = GetEnvironmentVariableW(name, value, 1024);
    return n > 0 && n < 1024 ? std::wstring(value, n) : std::wstring();
}

// Not a test of its own: the program the tests below start and end.
TEST(ProcessCleanupHelper, DISABLED_StartsAStandinAndWaitsToBeEnded) {
    const std::wstring report = variable(kReportVariable);
    ASSERT_FALSE(report.empty()) << "only run by the ProcessesEndWithTheTest tests";
    Sandbox sandbox;
    StandinProcess standin(sandbox);
    ASSERT_TRUE(standin.ready());
    const std::string line = std::to_string(standin.pid()) + " " + std::to_string(GetCurrentProcessId()) + "\n";
    // Written whole under another name first: the reader never sees half.
    ASSERT_TRUE(writeFileBytes(report + L".part", line));
    ASSERT_TRUE(MoveFileW((report + L".part").c_str(), report.c_str()));
    // Ended from outside long before this wait is over.
    EXPECT_FALSE(waitUntil([] { return false; }, Ms{120000}));
}

// A file of /proc, whose size reads as 0 until it is read.
std::string procFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string text(4096, '\0');
    DWORD got = 0;
    if (!ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &got, nullptr)) got = 0;
    CloseHandle(file);
    text.resize(got);
    return text;
}

struct Helper {
    DWORD standin = 0;
    DWORD program = 0;
    unsigned long unixPid = 0;  // under Wine: the process ctest would kill
};

std::wstring shellQuote(const std::wstring& text) {
    std::wstring out = L"'";
    for (wchar_t c : text) out += c == L'\'' ? std::wstring(L"'\\''") : std::wstring(1, c);
    return out + L"'";
}

class ProcessesEndWithTheTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (const Process& p : leftovers_) p.kill();
    }

    // Starts the helper on its own, in no job of this program, as ctest
    // starts a test program: through the shell under Wine.
    std::optional<Helper> startHelper(std::vector<std::pair<std::wstring, std::wstring>> environment = {}) {
        const std::wstring report = sandbox.path(L"helper-" + std::to_wstring(++helpers_) + L".txt");
        outputPath_ = sandbox.path(L"helper-" + std::to_wstring(helpers_) + L"-output.txt");
        environment.emplace_back(kReportVariable, report);
        wchar_t self[MAX_PATH * 2] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
        const std::vector<std::wstring> arguments = {
            L"--gtest_filter=ProcessCleanupHelper.DISABLED_StartsAStandinAndWaitsToBeEnded",
            L"--gtest_also_run_disabled_tests"};
        StartOptions start;
        start.directory = sandbox.directory();
        start.environment = environment;
        const std::wstring unixPidPath = report + L".unix";
        if (runningUnderWine()) {
            // Through the shell, which notes its Unix process id and then
            // becomes the Wine process of the helper.
            std::wstring loader = variable(L"WINELOADER");
            if (loader.empty()) loader = variable(L"WINE");
            if (loader.empty() || !writeFileBytes(outputPath_, {})) return std::nullopt;
            std::wstring script = L"echo $$ >" + shellQuote(unixPathOf(unixPidPath)) + L"; exec " + shellQuote(loader) +
                                  L" " + shellQuote(unixPathOf(self));
            for (const std::wstring& a : arguments) script += L" " + shellQuote(a);
            script += L" </dev/null >>" + shellQuote(unixPathOf(outputPath_)) + L" 2>&1";
            start.commandLine = L"/bin/sh -c \"" + script + L"\"";
            static_cast<void>(startProcess(start));  // a Unix program: no process object comes back
        } else {
            start.commandLine = L"\"" + std::wstring(self) + L"\"";
            for (const std::wstring& a : arguments) start.commandLine += L" " + a;
            started_ = startProcess(start);
            if (!started_.valid()) return std::nullopt;
        }
        std::optional<std::string> line;
        if (!waitUntil([&] { return (line = readFileBytes(report)).has_value(); }, Ms{60000}, Ms{50})) {
            ADD_FAILURE() << "the helper never reported; it wrote: " << helperOutput();
            return std::nullopt;
        }
        Helper helper;
        std::istringstream fields(*line);
        fields >> helper.standin >> helper.program;
        if (runningUnderWine()) helper.unixPid = std::strtoul(readFileBytes(unixPidPath).value_or("0").c_str(), nullptr, 10);
        // Whatever a failed check leaves running ends with this test.
        leftovers_.push_back(Process::open(helper.standin));
        leftovers_.push_back(Process::open(helper.program));
        return helper;
    }

    [[nodiscard]] std::string helperOutput() const { return readFileBytes(outputPath_).value_or("<none>"); }

    Sandbox sandbox;

private:
    // The Unix name Wine gives a path (UTF-8), as a wide string for the shell's command line.
    static std::wstring unixPathOf(const std::wstring& path) {
        using Converter = char*(CDECL*)(const wchar_t*);
        const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        const auto convert = kernel ? reinterpret_cast<Converter>(reinterpret_cast<void*>(
                                          GetProcAddress(kernel, "wine_get_unix_file_name")))
                                    : nullptr;
        char* unix = convert != nullptr ? convert(path.c_str()) : nullptr;
        if (unix == nullptr) return {};
        const std::string utf8 = unix;
        HeapFree(GetProcessHeap(), 0, unix);
        std::wstring out(utf8.size(), L'\0');
        const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(),
                                          static_cast<int>(out.size()));
        out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return out;
    }

    int helpers_ = 0;
    std::vector<Process> leftovers_;
    std::wstring outputPath_;
    Process started_;
};

TEST_F(ProcessesEndWithTheTest, WhenTheProgramIsTerminated) {
    const std::optional<Helper> helper = startHelper();
    ASSERT_TRUE(helper);
    const Process standin = Process::open(helper->standin);
    const Process program = Process::open(helper->program);
    ASSERT_TRUE(standin.running()) << helperOutput();
    ASSERT_TRUE(program.running()) << helperOutput();

    ASSERT_TRUE(TerminateProcess(program.handle(), 9));
    ASSERT_TRUE(program.waitForExit(Ms{20000}));
    EXPECT_TRUE(standin.waitForExit(Ms{20000})) << "the stand-in outlived the test program that started it";
}

TEST_F(ProcessesEndWithTheTest, WhenItsWineProcessIsKilledFromUnix) {
    if (!runningUnderWine()) GTEST_SKIP() << "a Unix kill needs Wine";
    const std::optional<Helper> helper = startHelper();
    ASSERT_TRUE(helper);
    ASSERT_NE(helper->unixPid, 0u) << helperOutput();
    // The Unix process must be the helper's Wine process, nothing else.
    const std::string command = procFile(L"Z:\\proc\\" + std::to_wstring(helper->unixPid) + L"\\cmdline");
    ASSERT_NE(command.find("ProcessCleanupHelper"), std::string::npos) << command;
    const Process standin = Process::open(helper->standin);
    const Process program = Process::open(helper->program);
    ASSERT_TRUE(standin.running()) << helperOutput();

    StartOptions kill;
    kill.commandLine = L"/bin/kill -KILL " + std::to_wstring(helper->unixPid);
    static_cast<void>(startProcess(kill));  // a Unix program: no process object comes back
    ASSERT_TRUE(program.waitForExit(Ms{20000}));
    EXPECT_TRUE(standin.waitForExit(Ms{20000})) << "the stand-in outlived the killed test program";
}

TEST_F(ProcessesEndWithTheTest, WhenATestRunsPastItsLimit) {
    // Long enough for the helper to start its stand-in on a busy machine.
    constexpr int kLimitSeconds = 40;
    const std::optional<Helper> helper = startHelper({{L"VUV_TEST_LIMIT_SECONDS", std::to_wstring(kLimitSeconds)}});
    ASSERT_TRUE(helper);
    const Process standin = Process::open(helper->standin);
    const Process program = Process::open(helper->program);
    ASSERT_TRUE(standin.running()) << helperOutput();

    ASSERT_TRUE(program.waitForExit(Ms{(kLimitSeconds + 30) * 1000})) << helperOutput();
    EXPECT_EQ(program.exitCode(), std::optional<DWORD>(kWatchdogExitCode));
    EXPECT_TRUE(standin.waitForExit(Ms{20000})) << "the stand-in outlived the test program that started it";
    if (runningUnderWine()) {
        EXPECT_NE(helperOutput().find("ProcessCleanupHelper.DISABLED_StartsAStandinAndWaitsToBeEnded still running after 40 s"),
                  std::string::npos)
            << helperOutput();
    }
}

// The second line of defence, for a process the job did not catch: a new
// sandbox ends what runs from the sandbox of a test program that has ended,
// and removes that sandbox. A program that is still running keeps its own.
TEST_F(ProcessesEndWithTheTest, ANewSandboxEndsWhatAnEndedTestProgramLeftRunning) {
    // An ended process whose id stays reserved while its handle is open: the
    // owner of the abandoned sandbox.
    StartOptions idle;
    idle.commandLine = L"\"" + sandbox.standinExe() + L"\"";
    idle.environment = {{L"VUV_STANDIN_LOG", sandbox.logDirectory()}};
    Process& owner = sandbox.start(idle);
    ASSERT_TRUE(owner.valid());
    owner.kill();
    ASSERT_TRUE(owner.waitForExit());

    wchar_t temp[MAX_PATH + 1] = {};
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring abandoned =
        std::wstring(temp) + L"vuv-e2e-" + std::to_wstring(owner.pid()) + L"-1-" + std::to_wstring(GetTickCount()) + L"\\";
    ASSERT_TRUE(CreateDirectoryW(abandoned.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((abandoned + L"logs").c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(sandbox.standinExe().c_str(), (abandoned + L"lxbr.exe").c_str(), FALSE));
    StartOptions left;
    left.commandLine = L"\"" + abandoned + L"lxbr.exe\"";
    left.environment = {{L"VUV_STANDIN_LOG", abandoned + L"logs\\"}};
    Process leftover = startProcess(left);
    ASSERT_TRUE(leftover.valid());
    ASSERT_TRUE(waitUntil([&] { return processesIn(abandoned).size() == 1; }));

    // This program's own sandbox and its processes stay.
    StandinProcess mine(sandbox);
    ASSERT_TRUE(mine.ready());

    const std::vector<std::string> ended = endLeftoverProcesses();
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].substr(0, ended[0].find(' ')), std::to_string(leftover.pid()));
    EXPECT_TRUE(leftover.waitForExit(Ms{5000}));
    EXPECT_TRUE(mine.running());
    EXPECT_EQ(GetFileAttributesW(abandoned.c_str()), INVALID_FILE_ATTRIBUTES) << "the abandoned sandbox is still there";
    EXPECT_NE(GetFileAttributesW(sandbox.directory().c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace vuv::e2e
