// The path dialog's file drops, delivered in-process: a drop handle cannot
// cross processes. The dialog runs modally on the test thread while a helper
// thread drops files on it, answers its message boxes and closes it.
#include "app/settings_win.h"
#include "e2e/harness.h"
#include "common/encoding_win.h"
#include "common/files_win.h"
#include "common/ini.h"
#include "common/path_dialog_win.h"
#include "common/settings_file_win.h"
#include "common/texts.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace vuv;
using namespace vuv::win;
using namespace std::chrono_literals;

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 10s) {
    return e2e::waitUntil(condition, timeout);
}

std::wstring textOf(HWND hwnd) {
    wchar_t buffer[2048] = {};
    GetWindowTextW(hwnd, buffer, 2048);
    return buffer;
}

// A drop of these files, as the shell makes it (DROPFILES with wide names).
HGLOBAL dropOf(const std::vector<std::wstring>& files) {
    std::size_t chars = 1;
    for (const std::wstring& f : files) chars += f.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    auto* names = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(drop) + sizeof(DROPFILES));
    for (const std::wstring& f : files) {
        std::memcpy(names, f.c_str(), (f.size() + 1) * sizeof(wchar_t));
        names += f.size() + 1;
    }
    GlobalUnlock(memory);
    return memory;
}

bool makeShortcut(const std::wstring& at, const std::wstring& target, const std::wstring& arguments) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkW* link = nullptr;
    bool ok = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                         reinterpret_cast<void**>(&link)));
    if (ok) {
        ok = SUCCEEDED(link->SetPath(target.c_str())) && SUCCEEDED(link->SetArguments(arguments.c_str()));
        IPersistFile* file = nullptr;
        ok = ok && SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
        if (file != nullptr) {
            ok = ok && SUCCEEDED(file->Save(at.c_str(), TRUE));
            file->Release();
        }
        link->Release();
    }
    CoUninitialize();
    return ok;
}

void touch(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

// One drop: the files, and the field's text once the drop is handled.
struct Drop {
    std::vector<std::wstring> files;
    std::wstring fieldAfter;
};

// What the helper thread saw while the dialog was open.
struct Seen {
    std::vector<std::wstring> fields;  // after each drop
    std::vector<std::wstring> errorTexts;
    bool found = false;
};

class PathDialogDrops : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        dir_ = std::wstring(temp) + L"vuv-drop-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        CreateDirectoryW(dir_.c_str(), nullptr);
        settingsFile_ = settingsFilePath();
        DeleteFileW(settingsFile_.c_str());
    }
    void TearDown() override {
        DeleteFileW(settingsFile_.c_str());
        WIN32_FIND_DATAW found{};
        HANDLE search = FindFirstFileW((dir_ + L"*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileW((dir_ + found.cFileName).c_str());
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(dir_.c_str());
    }

    // Opens the dialog modally on this thread. A helper thread drops each
    // batch, answering the error boxes that come, until the field shows what
    // the drop should leave (opening the first shortcut of a process can take
    // seconds under Wine), then closes the dialog with its close box and keeps
    // answering boxes until the dialog has returned.
    Seen dropAndClose(const std::function<void()>& open, const std::wstring& caption, const std::vector<Drop>& drops) {
        Seen seen;
        std::atomic<bool> returned{false};
        const auto answerBoxes = [&] {
            while (HWND box = FindWindowW(L"#32770", L"提取文件错误")) {
                seen.errorTexts.push_back(textOf(GetDlgItem(box, 0xFFFF)));
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                waitFor([&] { return !IsWindow(box); });
            }
        };
        std::thread helper([&] {
            // Shown means built: the field exists and drops are accepted.
            HWND dialog = nullptr;
            HWND field = nullptr;
            seen.found = waitFor([&] {
                dialog = FindWindowW(nullptr, caption.c_str());
                field = dialog != nullptr ? FindWindowExW(dialog, nullptr, L"Edit", nullptr) : nullptr;
                return field != nullptr && IsWindowVisible(dialog);
            });
            if (seen.found) {
                for (const Drop& drop : drops) {
                    PostMessageW(dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(dropOf(drop.files)), 0);
                    waitFor(
                        [&] {
                            answerBoxes();
                            return textOf(field) == drop.fieldAfter;
                        },
                        60s);
                    Sleep(300);  // a box that would follow the expected text
                    answerBoxes();
                    seen.fields.push_back(textOf(field));
                }
                PostMessageW(dialog, WM_CLOSE, 0, 0);
            }
            while (!returned) {
                answerBoxes();
                Sleep(20);
            }
        });
        open();
        returned = true;
        helper.join();
        return seen;
    }

    std::optional<std::string> storedKey(std::string_view key) const {
        std::string bytes;
        if (!readFileBytes(settingsFile_, bytes)) return std::nullopt;
        return ini::get(bytes, text::kSettingsSection, key);
    }

    std::wstring dir_;
    std::wstring settingsFile_;
};

TEST_F(PathDialogDrops, ShortcutGivesItsTargetAndArgumentsWithOrWithoutTheLnkName) {
    const std::wstring target = dir_ + L"浏览器.exe";
    touch(target);
    ASSERT_TRUE(makeShortcut(dir_ + L"快捷 方式.lnk", target, L"--a \"b c\""));
    ASSERT_TRUE(makeShortcut(dir_ + L"bare.lnk", target, L""));
    SettingsPage settings(nullptr);

    // ".lnk" is added to a name that lacks it; no arguments, no blank. Not a
    // usable shortcut: the purpose's message, and the field keeps its text.
    const std::wstring withArguments = target + L" --a \"b c\"";
    const Seen seen = dropAndClose([&] { settings.chooseDesignatedBrowser(); }, L"设置批量启动指定浏览器的路径（支持文件拖拽）",
                                   {{{dir_ + L"快捷 方式.lnk"}, withArguments},
                                    {{dir_ + L"bare"}, target},
                                    {{dir_ + L"missing.txt"}, target}});
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.fields, (std::vector<std::wstring>{withArguments, target, target}));
    EXPECT_EQ(seen.errorTexts, std::vector<std::wstring>{L"请选择正确的批量启动指定浏览器"});
    // Closed with the close box on an existing path: stored, not applied.
    EXPECT_EQ(storedKey(text::kKeyDesignated), narrow(target));
    EXPECT_EQ(settings.settings().designatedPath, "");
}

TEST_F(PathDialogDrops, BrowserEndingIgnoresCaseAndEachUnusableFileOfADropComplains) {
    touch(dir_ + L"LXBR.EXE");
    touch(dir_ + L"notes.txt");
    touch(dir_ + L"xlxbr.Exe");
    SettingsPage settings(nullptr);
    settings.settings().browserPath = "C:\\old\\lxbr.exe";

    // The second file of three gives nothing: one message, the third wins.
    const Seen seen = dropAndClose(
        [&] { settings.chooseBrowserPath(); }, L"设置鹭行的路径（支持文件拖拽）",
        {{{dir_ + L"LXBR.EXE"}, dir_ + L"LXBR.EXE"},
         {{dir_ + L"LXBR.EXE", dir_ + L"notes.txt", dir_ + L"xlxbr.Exe"}, dir_ + L"xlxbr.Exe"}});
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.fields, (std::vector<std::wstring>{dir_ + L"LXBR.EXE", dir_ + L"xlxbr.Exe"}));
    EXPECT_EQ(seen.errorTexts, std::vector<std::wstring>{L"请选择鹭行文件中的 lxbr.exe 文件"});
    EXPECT_EQ(storedKey(text::kKeyBrowserPath), narrow(dir_ + L"xlxbr.Exe"));
    EXPECT_EQ(settings.settings().browserPath, "C:\\old\\lxbr.exe");
}

TEST_F(PathDialogDrops, ConfigurationEndingsAreTakenInAnyCaseAndNothingIsStoredForEntries) {
    touch(dir_ + L"SETTINGS.TXT");
    touch(dir_ + L"b.Zni");
    PathTask entries;
    entries.title = L"选择需要设置配置";
    entries.kind = PathKind::Configuration;
    const Seen seen = dropAndClose([&] { openPathDialog(nullptr, entries); }, L"选择需要设置配置（支持文件拖拽）",
                                   {{{dir_ + L"SETTINGS.TXT"}, dir_ + L"SETTINGS.TXT"}, {{dir_ + L"b.Zni"}, dir_ + L"b.Zni"}});
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.fields, (std::vector<std::wstring>{dir_ + L"SETTINGS.TXT", dir_ + L"b.Zni"}));
    EXPECT_TRUE(seen.errorTexts.empty());
    EXPECT_FALSE(storedKey(text::kKeyDefaultConfig));
    EXPECT_EQ(GetFileAttributesW(settingsFile_.c_str()), INVALID_FILE_ATTRIBUTES) << "nothing is written for entries";
}

}  // namespace
