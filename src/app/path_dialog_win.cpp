#include "app/path_dialog_win.h"

#include "app/app_win.h"
#include "app/settings_win.h"
#include "common/encoding_win.h"
#include "common/file_dialog_win.h"
#include "common/ini.h"
#include "common/modal_win.h"
#include "common/texts.h"
#include "common/ui_win.h"
#include "launch/launch_page_win.h"
#include "link/instance_page_win.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <array>
#include <optional>
#include <string>

namespace vuv::win {

namespace {

constexpr int kIdLabel = 101;
constexpr int kIdField = 102;
constexpr int kIdBrowse = 103;
constexpr int kIdConfirm = 104;

constexpr int kOuterWidth = 520;
constexpr int kOuterHeight = 84;

constexpr wchar_t kCaptionSuffix[] = L"（支持文件拖拽）";
constexpr wchar_t kConfigFilter[] = L"刷页配置(*.zni;*.ini)|*.zni;*ini|所有文件(*.*)|*.*";
constexpr wchar_t kBrowserFilter[] = L"lxbr.exe|lxbr.exe";
constexpr wchar_t kExecutableFilter[] = L"*.exe|*.exe";

constexpr wchar_t kConfigDropError[] = L"请选择正确的鹭行配置文件";

// What changes from one purpose to the next.
struct PurposeRow {
    const wchar_t* title;
    const wchar_t* filter;
    std::string_view key;  // settings key written on close; empty: none
    std::array<const wchar_t*, 3> endings;  // accepted endings of dropped names
    const wchar_t* dropError;
};

const PurposeRow& rowOf(PathDialogPurpose purpose) {
    static const PurposeRow readConfig{L"选择需要读取配置", kConfigFilter, {}, {L".zni", L".ini", L".txt"},
                                       kConfigDropError};
    static const PurposeRow defaultConfig{L"选择需要设置的默认配置", kConfigFilter, text::kKeyDefaultConfig,
                                          {L".zni", L".ini", L".txt"}, kConfigDropError};
    static const PurposeRow browserPath{L"设置鹭行的路径", kBrowserFilter, text::kKeyBrowserPath,
                                        {L"lxbr.exe", nullptr, nullptr}, L"请选择鹭行文件中的 lxbr.exe 文件"};
    static const PurposeRow entryConfig{L"选择需要设置配置", kConfigFilter, {}, {L".zni", L".ini", L".txt"},
                                        kConfigDropError};
    static const PurposeRow designated{L"设置批量启动指定浏览器的路径", kExecutableFilter, text::kKeyDesignated,
                                       {L".exe", nullptr, nullptr}, L"请选择正确的批量启动指定浏览器"};
    switch (purpose) {
        case PathDialogPurpose::ReadConfig: return readConfig;
        case PathDialogPurpose::DefaultConfig: return defaultConfig;
        case PathDialogPurpose::BrowserPath: return browserPath;
        case PathDialogPurpose::EntryConfig: return entryConfig;
        case PathDialogPurpose::DesignatedBrowser: return designated;
    }
    return readConfig;
}

wchar_t asciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + (L'a' - L'A')) : c; }

std::wstring asciiLowered(std::wstring text) {
    for (wchar_t& c : text) c = asciiLower(c);
    return text;
}

bool endsWithIgnoringCase(const std::wstring& name, const wchar_t* ending) {
    const std::wstring tail(ending);
    if (name.size() < tail.size()) return false;
    return asciiLowered(name.substr(name.size() - tail.size())) == tail;
}

// Target of a shell shortcut, followed by a blank and its arguments when it
// has any; empty when the shortcut cannot be opened.
std::wstring shortcutTarget(std::wstring name) {
    if (asciiLowered(name).find(L".lnk") == std::wstring::npos) name += L".lnk";

    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::wstring result;
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            if (SUCCEEDED(file->Load(name.c_str(), STGM_READ))) {
                std::array<wchar_t, 1024> target{};
                if (SUCCEEDED(link->GetPath(target.data(), static_cast<int>(target.size()), nullptr, SLGP_UNCPRIORITY))) {
                    result = target.data();
                }
                std::array<wchar_t, 1024> arguments{};
                if (SUCCEEDED(link->GetArguments(arguments.data(), static_cast<int>(arguments.size()))) &&
                    arguments[0] != L'\0') {
                    result += L' ';
                    result += arguments.data();
                }
            }
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(init)) CoUninitialize();
    return result;
}

// A key of "设置.ini", or nothing when the file or the key is missing.
std::optional<std::string> storedSetting(std::string_view key) {
    std::string bytes;
    if (!readFileBytes(settingsFilePath(), bytes)) return std::nullopt;
    return ini::get(bytes, text::kSettingsSection, key);
}

class PathDialog final : public ModalWindow {
public:
    PathDialog(PathDialogPurpose purpose, std::string_view initialText)
        : purpose_(purpose), row_(rowOf(purpose)), initialText_(initialText) {}

    void show() {
        std::wstring caption(row_.title);
        caption += kCaptionSuffix;
        run(app().main, caption, kOuterWidth, kOuterHeight,
            {
                {kIdLabel, Kind::Label, L"设置路径：", 0, 10, 16, 66, 20},
                {kIdField, Kind::Edit, L"", 0, 78, 12, 270, 24},
                {kIdBrowse, Kind::Button, L"打 开", 0, 356, 10, 68, 28},
                {kIdConfirm, Kind::Button, L"确 定", 0, 430, 10, 68, 28},
            });
    }

private:
    void onCreate() override {
        DragAcceptFiles(hwnd(), TRUE);
        switch (purpose_) {
            case PathDialogPurpose::ReadConfig: break;
            case PathDialogPurpose::DefaultConfig: setField(storedSetting(text::kKeyDefaultConfig).value_or("")); break;
            case PathDialogPurpose::BrowserPath:
                setField(storedSetting(text::kKeyBrowserPath).value_or(app().settings.browserPath));
                break;
            case PathDialogPurpose::EntryConfig: setField(initialText_); break;
            case PathDialogPurpose::DesignatedBrowser:
                setField(storedSetting(text::kKeyDesignated).value_or(app().settings.designatedPath));
                break;
        }
    }

    bool onCommand(int id, int) override {
        // Enter gives IDOK: on the focused "确 定" it confirms, anywhere else
        // (the field) it browses.
        if (id == IDOK) id = GetFocus() == control(kIdConfirm) ? kIdConfirm : kIdBrowse;
        switch (id) {
            case kIdBrowse: browse(); return true;
            case kIdConfirm: confirm(); return true;
            default: return false;
        }
    }

    bool onMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) override {
        if (message != WM_DROPFILES) return false;
        onDrop(reinterpret_cast<HDROP>(wParam));
        result = 0;
        return true;
    }

    void onClosing() override {
        // Every close stores an existing path, also when the dialog was
        // abandoned; the in-memory setting changes only on confirmation.
        if (row_.key.empty()) return;
        const std::string path = field();
        if (pathExists(path)) writeSetting(row_.key, path);
    }

    void browse() {
        if (const auto chosen = askOpenFile(hwnd(), row_.filter)) setField(*chosen);
    }

    void confirm() {
        const std::string path = field();
        if (!pathExists(path)) {
            messageBox(L"该文件不存在，请重新设置", L"文件不存在", MB_OK);
            return;
        }
        switch (purpose_) {
            case PathDialogPurpose::ReadConfig:
                if (app().instances != nullptr) app().instances->readConfigInSelected(path);
                break;
            case PathDialogPurpose::DefaultConfig: app().settings.defaultConfigPath = path; break;
            case PathDialogPurpose::BrowserPath: app().settings.browserPath = path; break;
            case PathDialogPurpose::EntryConfig:
                if (app().launch != nullptr) app().launch->setConfigOfSelected(path);
                break;
            case PathDialogPurpose::DesignatedBrowser: app().settings.designatedPath = path; break;
        }
        close(IDOK);
    }

    void onDrop(HDROP drop) {
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            const UINT length = DragQueryFileW(drop, i, nullptr, 0);
            std::wstring name(static_cast<std::size_t>(length) + 1, L'\0');
            name.resize(DragQueryFileW(drop, i, name.data(), length + 1));
            if (!accepted(name)) name = shortcutTarget(std::move(name));
            if (name.empty()) {
                messageBox(row_.dropError, L"提取文件错误", MB_OK | MB_ICONERROR);
            } else {
                SetWindowTextW(control(kIdField), name.c_str());
            }
        }
        DragFinish(drop);
    }

    [[nodiscard]] bool accepted(const std::wstring& name) const {
        for (const wchar_t* ending : row_.endings) {
            if (ending != nullptr && endsWithIgnoringCase(name, ending)) return true;
        }
        return false;
    }

    [[nodiscard]] std::string field() const { return controlText(control(kIdField)); }
    void setField(std::string_view gbk) { setControlText(control(kIdField), gbk); }

    PathDialogPurpose purpose_;
    const PurposeRow& row_;
    std::string initialText_;
};

}  // namespace

void openPathDialog(PathDialogPurpose purpose, std::string_view initialText) {
    PathDialog dialog(purpose, initialText);
    dialog.show();
}

}  // namespace vuv::win
