#include "common/control_ids.h"
#include "common/path_dialog_win.h"

#include "common/ascii.h"
#include "common/encoding_win.h"
#include "common/file_dialog_win.h"
#include "common/files_win.h"
#include "common/modal_win.h"
#include "common/owned_win.h"
#include "common/settings_file_win.h"
#include "common/ui_win.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <array>

namespace vuv::win {

namespace {

using namespace id::dialog;

constexpr int kOuterWidth = 520;
constexpr int kOuterHeight = 84;

constexpr wchar_t kCaptionSuffix[] = L"（支持文件拖拽）";

// What changes from one kind of path to the next.
struct KindRow {
    const wchar_t* filter;
    std::array<std::wstring_view, 3> endings;  // accepted endings of dropped names; empty: none
    const wchar_t* dropError;
};

const KindRow& rowOf(PathKind kind) {
    static const KindRow configuration{L"刷页配置(*.zni;*.ini)|*.zni;*ini|所有文件(*.*)|*.*",
                                       {L".zni", L".ini", L".txt"},
                                       L"请选择正确的鹭行配置文件"};
    static const KindRow browser{L"lxbr.exe|lxbr.exe", {L"lxbr.exe", L"", L""}, L"请选择鹭行文件中的 lxbr.exe 文件"};
    static const KindRow executable{L"*.exe|*.exe", {L".exe", L"", L""}, L"请选择正确的批量启动指定浏览器"};
    switch (kind) {
        case PathKind::Configuration: return configuration;
        case PathKind::Browser: return browser;
        case PathKind::Executable: return executable;
    }
    return configuration;
}

// Target of a shell shortcut, followed by a blank and its arguments when it
// has any; empty when the shortcut cannot be opened.
std::wstring shortcutTarget(std::wstring name) {
    if (!ascii::containsIgnoringCase<wchar_t>(name, L".lnk")) name += L".lnk";

    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::wstring result;
    // The interfaces go before COM is left.
    if (ComRef<IShellLinkW> link; SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                                              IID_IShellLinkW, link.putVoid()))) {
        if (ComRef<IPersistFile> file; SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.putVoid()))) {
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
        }
    }
    if (SUCCEEDED(init)) CoUninitialize();
    return result;
}

class PathDialog final : public ModalWindow {
public:
    explicit PathDialog(const PathTask& task) : task_(task), row_(rowOf(task.kind)) {}

    void show(HWND owner) {
        std::wstring caption(task_.title);
        caption += kCaptionSuffix;
        run(owner, caption, kOuterWidth, kOuterHeight,
            {
                {kPathLabel, Kind::Label, L"设置路径：", 0, 10, 16, 66, 20},
                {kPathField, Kind::Edit, L"", 0, 78, 12, 270, 24},
                {kPathBrowse, Kind::Button, L"打 开", 0, 356, 10, 68, 28},
                {kPathConfirm, Kind::Button, L"确 定", 0, 430, 10, 68, 28},
            });
    }

private:
    void onCreate() override {
        DragAcceptFiles(hwnd(), TRUE);
        setControlText(control(kPathField), task_.initialText);
    }

    bool onCommand(int id, int) override {
        // Enter gives IDOK: on the focused "确 定" it confirms, anywhere else
        // (the field) it browses.
        if (id == IDOK) id = GetFocus() == control(kPathConfirm) ? kPathConfirm : kPathBrowse;
        switch (id) {
            case kPathBrowse: browse(); return true;
            case kPathConfirm: confirm(); return true;
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
        // abandoned; the opener's setting changes only on confirmation.
        if (task_.settingsKey.empty()) return;
        const std::wstring path = controlTextW(control(kPathField));
        if (pathExists(path)) writeSetting(task_.settingsKey, narrow(path));
    }

    void browse() {
        if (const auto chosen = askOpenFile(hwnd(), row_.filter)) SetWindowTextW(control(kPathField), chosen->c_str());
    }

    void confirm() {
        const std::wstring path = controlTextW(control(kPathField));
        if (!pathExists(path)) {
            messageBox(L"该文件不存在，请重新设置", L"文件不存在", MB_OK);
            return;
        }
        if (task_.onConfirm) task_.onConfirm(narrow(path));
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
                SetWindowTextW(control(kPathField), name.c_str());
            }
        }
        DragFinish(drop);
    }

    [[nodiscard]] bool accepted(const std::wstring& name) const {
        for (const std::wstring_view ending : row_.endings) {
            if (!ending.empty() && ascii::endsWithIgnoringCase<wchar_t>(name, ending)) return true;
        }
        return false;
    }

    const PathTask& task_;
    const KindRow& row_;
};

}  // namespace

void openPathDialog(HWND owner, const PathTask& task) {
    PathDialog dialog(task);
    dialog.show(owner);
}

}  // namespace vuv::win
