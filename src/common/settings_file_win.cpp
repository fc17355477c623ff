#include "common/settings_file_win.h"

#include "common/encoding_win.h"
#include "common/files_win.h"
#include "common/ini.h"
#include "common/texts.h"
#include "common/trace_win.h"

#include <utility>

namespace vuv::win {

std::wstring settingsFilePath() { return executableDirectory() + L"\\" + widen(text::kSettingsFile); }

std::optional<std::string> storedSetting(std::string_view key) {
    std::string bytes;
    if (!readFileBytes(settingsFilePath(), bytes)) return std::nullopt;
    return ini::get(bytes, text::kSettingsSection, key);
}

std::string readSetting(std::string_view key) { return storedSetting(key).value_or(std::string()); }

bool readFlagSetting(std::string_view key) { return storedSetting(key) == std::optional<std::string>(text::kTrue); }

namespace {

std::function<void(const std::wstring&)>& writeFailureHandler() {
    static std::function<void(const std::wstring&)> handler;
    return handler;
}

bool failed(const std::wstring& path) {
    if (writeFailureHandler()) writeFailureHandler()(path);
    return false;
}

}  // namespace

void setSettingsWriteFailureHandler(std::function<void(const std::wstring& path)> handler) {
    writeFailureHandler() = std::move(handler);
}

bool writeSetting(std::string_view key, std::string_view value) {
    const std::wstring path = settingsFilePath();
    std::string bytes;
    if (!readFileBytes(path, bytes) && pathExists(path)) {
        trace(L"settings file exists but cannot be read; left alone");
        return failed(path);
    }
    return replaceFileBytes(path, ini::set(bytes, text::kSettingsSection, key, value)) || failed(path);
}

bool writeFlagSetting(std::string_view key, bool value) {
    return writeSetting(key, value ? text::kTrue : text::kFalse);
}

}  // namespace vuv::win
