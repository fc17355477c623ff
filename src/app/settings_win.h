// "设置.ini" beside the executable: the three paths and the WAP-mode flag.
#pragma once

#include <string>
#include <string_view>

namespace vuv::win {

// Full path of "设置.ini" in the executable's directory, as GBK.
[[nodiscard]] std::string settingsFilePath();

// Directory of the running executable without a trailing backslash, as GBK.
[[nodiscard]] std::string executableDirectory();

// Reads a key of section "基本设置" (empty when missing).
[[nodiscard]] std::string readSetting(std::string_view key);

// Writes a key of section "基本设置"; false when the file cannot be written.
bool writeSetting(std::string_view key, std::string_view value);

// Whole file as bytes, and writing bytes to a file (GBK paths).
[[nodiscard]] bool readFileBytes(std::string_view gbkPath, std::string& bytes);
[[nodiscard]] bool writeFileBytes(std::string_view gbkPath, std::string_view bytes);

// True when the GBK path names an existing file or directory.
[[nodiscard]] bool pathExists(std::string_view gbkPath);

// Start-up: the browser path and the designated browser path.
void loadSettings();

// Exit: the state of the WAP-mode and designated-browser check boxes.
void saveSettings();

// First activation: asks for the browser path when it names no file.
void checkBrowserPath();

}  // namespace vuv::win
