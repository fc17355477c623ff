// Whole-file writes: the settings file is replaced in one step, so a write
// that fails half way leaves the previous file exactly as it was.
#include "common/files_win.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace vuv::win {
namespace {

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        dir_ = std::wstring(temp) + L"vuv-files-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        CreateDirectoryW(dir_.c_str(), nullptr);
        path_ = dir_ + L"设置.ini";
    }
    void TearDown() override {
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
    [[nodiscard]] std::string contents() const {
        std::string bytes;
        EXPECT_TRUE(readFileBytes(path_, bytes));
        return bytes;
    }
    // Files in the folder, the target included.
    [[nodiscard]] int fileCount() const {
        int n = 0;
        WIN32_FIND_DATAW found{};
        HANDLE search = FindFirstFileW((dir_ + L"*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return 0;
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) ++n;
        } while (FindNextFileW(search, &found));
        FindClose(search);
        return n;
    }

    std::wstring dir_;
    std::wstring path_;
};

TEST_F(FilesTest, AWriteThatFailsHalfWayLeavesThePreviousFileByteForByte) {
    const std::string before = "[\xBB\xF9\xB1\xBE\xC9\xE8\xD6\xC3]\r\nold=1\r\n";
    ASSERT_TRUE(writeFileBytes(path_, before));
    const std::string next(3u << 20, 'x');
    // Half of the piece goes to disk, then the disk is full.
    const ChunkWriter failing = [](HANDLE file, const char* data, DWORD size) {
        DWORD wrote = 0;
        WriteFile(file, data, size / 2, &wrote, nullptr);
        return false;
    };
    EXPECT_FALSE(replaceFileBytes(path_, next, failing));
    EXPECT_TRUE(contents() == before) << contents().size() << " bytes instead of the " << before.size() << " before";
    EXPECT_EQ(fileCount(), 1) << "the temporary file is removed";

    EXPECT_TRUE(replaceFileBytes(path_, next));
    EXPECT_TRUE(contents() == next) << contents().size() << " bytes";
    EXPECT_EQ(fileCount(), 1);
    // A file that does not exist yet is created.
    const std::wstring fresh = dir_ + L"new.ini";
    EXPECT_TRUE(replaceFileBytes(fresh, "a=b\r\n"));
    std::string bytes;
    EXPECT_TRUE(readFileBytes(fresh, bytes));
    EXPECT_EQ(bytes, "a=b\r\n");
}

}  // namespace
}  // namespace vuv::win
