// A folder of its own under the temporary directory for one test, removed
// with whatever files the test left in it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vuv::win {

class TempFolder {
public:
    // prefix: the start of the folder's name; the process id follows.
    explicit TempFolder(const wchar_t* prefix) {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + prefix + std::to_wstring(GetCurrentProcessId()) + L"\\";
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~TempFolder() {
        for (const std::wstring& name : files()) DeleteFileW((path_ + name).c_str());
        RemoveDirectoryW(path_.c_str());
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder, ending in a backslash.
    [[nodiscard]] const std::wstring& path() const noexcept { return path_; }

    // The names of the files in it (not of folders).
    [[nodiscard]] std::vector<std::wstring> files() const {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found{};
        HANDLE search = FindFirstFileW((path_ + L"*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.emplace_back(found.cFileName);
        } while (FindNextFileW(search, &found));
        FindClose(search);
        return names;
    }

private:
    std::wstring path_;
};

}  // namespace vuv::win
