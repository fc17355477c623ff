#include "app/settings_win.h"

#include "app/app_win.h"
#include "app/control_ids.h"
#include "app/path_dialog_win.h"
#include "common/ui_win.h"
#include "common/encoding_win.h"
#include "common/ini.h"
#include "common/texts.h"

#include <windows.h>
#include <shlwapi.h>

#include <vector>

namespace vuv::win {

std::string executableDirectory() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD got = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (got == 0) return {};
        if (got < buffer.size()) {
            std::wstring path(buffer.data(), got);
            const std::size_t slash = path.find_last_of(L"\\/");
            return narrow(slash == std::wstring::npos ? std::wstring() : path.substr(0, slash));
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string settingsFilePath() {
    std::string path = executableDirectory();
    path += '\\';
    path += text::kSettingsFile;
    return path;
}

bool readFileBytes(std::string_view gbkPath, std::string& bytes) {
    bytes.clear();
    HANDLE file = CreateFileW(widen(gbkPath).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) != 0 && size.QuadPart >= 0 && size.QuadPart < 0x7FFFFFFF;
    if (ok) {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
        std::size_t done = 0;
        while (ok && done < bytes.size()) {
            DWORD got = 0;
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
            ok = ReadFile(file, bytes.data() + done, want, &got, nullptr) != 0 && got > 0;
            done += got;
        }
        bytes.resize(done);
    }
    CloseHandle(file);
    return ok;
}

bool writeFileBytes(std::string_view gbkPath, std::string_view bytes) {
    HANDLE file = CreateFileW(widen(gbkPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        DWORD wrote = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
        ok = WriteFile(file, bytes.data() + done, want, &wrote, nullptr) != 0 && wrote == want;
        done += wrote;
    }
    ok = CloseHandle(file) != 0 && ok;
    return ok;
}

bool pathExists(std::string_view gbkPath) {
    if (gbkPath.empty()) return false;
    return PathFileExistsW(widen(gbkPath).c_str()) != FALSE;
}

std::string readSetting(std::string_view key) {
    std::string bytes;
    if (!readFileBytes(settingsFilePath(), bytes)) return {};
    return ini::get(bytes, text::kSettingsSection, key).value_or(std::string());
}

bool writeSetting(std::string_view key, std::string_view value) {
    const std::string path = settingsFilePath();
    std::string bytes;
    if (!readFileBytes(path, bytes) && pathExists(path)) return false;  // exists but unreadable: leave it alone
    return writeFileBytes(path, ini::set(bytes, text::kSettingsSection, key, value));
}

void loadSettings() {
    Settings& settings = app().settings;
    settings.browserPath = readSetting(text::kKeyBrowserPath);
    settings.designatedPath = readSetting(text::kKeyDesignated);
}

void saveSettings() {
    auto checked = [](int id) {
        return SendMessageW(GetDlgItem(app().main, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    };
    writeSetting(text::kKeyWapMode, checked(id::选择框2) ? text::kTrue : text::kFalse);
    // The designated-browser check box is kept under a key of its own; the
    // key "指定浏览器" keeps the designated browser's path.
    writeSetting(text::kKeyDesignatedMode, checked(id::选择框1) ? text::kTrue : text::kFalse);
}

void checkBrowserPath() {
    if (pathExists(app().settings.browserPath)) return;
    messageBox(L"未设置正确鹭行路径请设置\r\n否则将无法使用批量启动功能", L"提醒", MB_OK);
    openPathDialog(PathDialogPurpose::BrowserPath);
}

}  // namespace vuv::win
