// "设置.ini" beside the executable, section "基本设置": keys read and written
// as GBK through the core INI reader, the file replaced in one step.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vuv::win {

// Full path of "设置.ini" in the executable's directory.
[[nodiscard]] std::wstring settingsFilePath();

// A key of section "基本设置"; nothing when the file or the key is missing.
[[nodiscard]] std::optional<std::string> storedSetting(std::string_view key);
// The same, empty when missing.
[[nodiscard]] std::string readSetting(std::string_view key);
// A truth value stored as "真"; missing or anything else reads as false.
[[nodiscard]] bool readFlagSetting(std::string_view key);

// Writes a key of section "基本设置"; false (traced, and handed to the
// failure handler) when the file cannot be written. A failed write leaves the
// previous file as it was.
bool writeSetting(std::string_view key, std::string_view value);
bool writeFlagSetting(std::string_view key, bool value);

// Called with the file's path after each write that failed, wherever the
// write came from (the panel's settings, the path and launch-settings
// dialogs); none: the failure is only traced.
void setSettingsWriteFailureHandler(std::function<void(const std::wstring& path)> handler);

}  // namespace vuv::win
