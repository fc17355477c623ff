// The path dialog's file drops, delivered in-process: a drop handle cannot
// cross processes. The dialog runs modally on the test thread while a helper
// thread drops files on it, answers its message boxes and closes it.
#include "app/settings_win.h"
#include "common/control_ids.h"
#include "common/encoding_win.h"
#include "common/files_win.h"
#include "common/ini.h"
#include "common/path_dialog_win.h"
#include "common/settings_file_win.h"
#include "common/texts.h"
#include "e2e/harness.h"
#include "link/instance_page_win.h"
#include "win/event_recorder.h"
#include "temp_folder.h"

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

// One drop: the files dropped together.
using Drop = std::vector<std::wstring>;

// A message-only window of the dialog's thread that takes marks: each mark
// it handles records whether the dialog was enabled then.
class Marker {
public:
    Marker() {
        static const ATOM registered = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = &Marker::procedure;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"vuv-test-marker";
            return RegisterClassW(&wc);
        }();
        window_ = CreateWindowExW(0, MAKEINTATOM(registered), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Marker() { DestroyWindow(window_); }
    Marker(const Marker&) = delete;
    Marker& operator=(const Marker&) = delete;

    // Called by the helper thread: posts a mark when none is on its way, and
    // says whether the last one was handled while the dialog was enabled.
    bool handledWhileDialogEnabled() {
        const int handled = handled_;
        if (handled == posted_ && handledEnabled_) {
            handledEnabled_ = false;  // the next drop needs a mark of its own
            return true;
        }
        if (handled == posted_) PostMessageW(window_, WM_APP, static_cast<WPARAM>(++posted_), 0);
        return false;
    }

    std::atomic<HWND> dialog{nullptr};

private:
    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Marker*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (message != WM_APP || self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
        self->handledEnabled_ = IsWindowEnabled(self->dialog) != FALSE;
        self->handled_ = static_cast<int>(wParam);
        return 0;
    }

    HWND window_ = nullptr;
    int posted_ = 0;                   // helper thread only
    std::atomic<int> handled_{0};      // written on the dialog's thread
    std::atomic<bool> handledEnabled_{false};
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
        settingsFile_ = settingsFilePath();
        DeleteFileW(settingsFile_.c_str());
    }
    void TearDown() override {
        DeleteFileW(settingsFile_.c_str());
    }

    // Opens the dialog modally on this thread. A helper thread drops each
    // batch and answers the error boxes that come until the drop has been
    // handled in full, then closes the dialog with its close box and keeps
    // answering boxes until the dialog has returned.
    //
    // A drop is handled in full once a mark posted after it reaches a window
    // of this thread while the dialog is enabled: this thread handles posted
    // messages in order, and the loop of an error box (which disables the
    // dialog while it is open) handles the mark too, which is then posted
    // again.
    Seen dropAndClose(const std::function<void()>& open, const std::wstring& caption, const std::vector<Drop>& drops) {
        Seen seen;
        std::atomic<bool> returned{false};
        Marker marker;
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
                marker.dialog = dialog;
                for (const Drop& drop : drops) {
                    PostMessageW(dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(dropOf(drop)), 0);
                    const bool handled = waitFor(
                        [&] {
                            answerBoxes();
                            return marker.handledWhileDialogEnabled();
                        },
                        60s);  // opening the first shortcut of a process can take seconds under Wine
                    seen.fields.push_back(handled ? textOf(field) : L"<the drop was never handled>");
                }
                PostMessageW(dialog, WM_CLOSE, 0, 0);
            }
            waitFor(
                [&] {
                    answerBoxes();
                    return returned.load();
                },
                60s);
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

    TempFolder folder_{L"vuv-drop-"};
    const std::wstring dir_ = folder_.path();
    std::wstring settingsFile_;
    EventRecorder events_;
};

TEST_F(PathDialogDrops, ShortcutGivesItsTargetAndArgumentsWithOrWithoutTheLnkName) {
    const std::wstring target = dir_ + L"浏览器.exe";
    touch(target);
    ASSERT_TRUE(makeShortcut(dir_ + L"快捷 方式.lnk", target, L"--a \"b c\""));
    ASSERT_TRUE(makeShortcut(dir_ + L"bare.lnk", target, L""));
    PanelSettings settings(nullptr, events_);

    // ".lnk" is added to a name that lacks it; no arguments, no blank. Not a
    // usable shortcut: the purpose's message, and the field keeps its text.
    const std::wstring withArguments = target + L" --a \"b c\"";
    const Seen seen = dropAndClose([&] { settings.chooseDesignatedBrowser(); }, L"设置批量启动指定浏览器的路径（支持文件拖拽）",
                                   {{dir_ + L"快捷 方式.lnk"}, {dir_ + L"bare"}, {dir_ + L"missing.txt"}});
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
    PanelSettings settings(nullptr, events_);
    settings.settings().browserPath = "C:\\old\\lxbr.exe";

    // The second file of three gives nothing: one message, the third wins.
    const Seen seen = dropAndClose(
        [&] { settings.chooseBrowserPath(); }, L"设置鹭行的路径（支持文件拖拽）",
        {{dir_ + L"LXBR.EXE"}, {dir_ + L"LXBR.EXE", dir_ + L"notes.txt", dir_ + L"xlxbr.Exe"}});
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.fields, (std::vector<std::wstring>{dir_ + L"LXBR.EXE", dir_ + L"xlxbr.Exe"}));
    EXPECT_EQ(seen.errorTexts, std::vector<std::wstring>{L"请选择鹭行文件中的 lxbr.exe 文件"});
    EXPECT_EQ(storedKey(text::kKeyBrowserPath), narrow(dir_ + L"xlxbr.Exe"));
    EXPECT_EQ(settings.settings().browserPath, "C:\\old\\lxbr.exe");
}

// Every purpose that asks for a configuration file takes .zni, .ini and .txt
// in any letter case as they are, and says "请选择正确的鹭行配置文件" for any
// other file that is no shortcut; only the default configuration is stored.
TEST_F(PathDialogDrops, ConfigurationEndingsAreTakenInAnyCaseAndNothingIsStoredForEntries) {
    for (const wchar_t* name : {L"SETTINGS.TXT", L"b.Zni", L"a.ini", L"C.INI", L"notes.doc"}) touch(dir_ + name);
    PanelSettings settings(nullptr, events_);
    Fleet fleet(events_);
    InstancePage instances(nullptr, fleet);  // no browser listed: 读取配置 sends nothing
    Routes routes;
    instances.registerIds(routes);
    PathTask entries;
    entries.title = L"选择需要设置配置";
    entries.kind = PathKind::Configuration;
    struct Purpose {
        const char* name;
        std::function<void()> open;
        const wchar_t* caption;
        bool stored;
    };
    const std::vector<Purpose> purposes{
        {"entries", [&] { openPathDialog(nullptr, entries); }, L"选择需要设置配置（支持文件拖拽）", false},
        {"default configuration", [&] { settings.chooseDefaultConfig(); }, L"选择需要设置的默认配置（支持文件拖拽）", true},
        {"read configuration", [&] { (*routes.commands.find(id::kReadConfig))(0); }, L"选择需要读取配置（支持文件拖拽）",
         false},
    };
    for (const Purpose& purpose : purposes) {
        SCOPED_TRACE(purpose.name);
        DeleteFileW(settingsFile_.c_str());
        const Seen seen = dropAndClose(purpose.open, purpose.caption,
                                       {{dir_ + L"SETTINGS.TXT"}, {dir_ + L"b.Zni"}, {dir_ + L"a.ini"},
                                        {dir_ + L"notes.doc"}, {dir_ + L"C.INI"}});
        ASSERT_TRUE(seen.found);
        EXPECT_EQ(seen.fields, (std::vector<std::wstring>{dir_ + L"SETTINGS.TXT", dir_ + L"b.Zni", dir_ + L"a.ini",
                                                          dir_ + L"a.ini", dir_ + L"C.INI"}));
        EXPECT_EQ(seen.errorTexts, std::vector<std::wstring>{L"请选择正确的鹭行配置文件"});
        if (purpose.stored) {
            EXPECT_EQ(storedKey(text::kKeyDefaultConfig), narrow(dir_ + L"C.INI"));
        } else {
            EXPECT_EQ(GetFileAttributesW(settingsFile_.c_str()), INVALID_FILE_ATTRIBUTES) << "nothing is written";
        }
    }
}

}  // namespace
