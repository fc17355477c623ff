// Whole-file writes: the settings file is replaced in one step, so a write
// that fails half way leaves the previous file exactly as it was.
#include "common/files_win.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vuv::win {
namespace {

class FilesTest : public ::testing::Test {
protected:
    [[nodiscard]] std::string contents() const {
        std::string bytes;
        EXPECT_TRUE(readFileBytes(path_, bytes));
        return bytes;
    }
    // Files in the folder, the target included.
    [[nodiscard]] int fileCount() const { return static_cast<int>(folder_.files().size()); }

    TempFolder folder_{L"vuv-files-"};
    const std::wstring dir_ = folder_.path();
    const std::wstring path_ = dir_ + L"设置.ini";
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

// Why a read failed tells a missing file from one held open without
// sharing; a failed replace leaves its reason for GetLastError.
TEST_F(FilesTest, FailuresKeepTheirReason) {
    std::string bytes;
    DWORD error = ERROR_SUCCESS;
    EXPECT_FALSE(readFileBytes(dir_ + L"missing.txt", bytes, error));
    EXPECT_TRUE(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) << error;

    ASSERT_TRUE(writeFileBytes(path_, "held"));
    HANDLE held = CreateFileW(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(readFileBytes(path_, bytes, error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(replaceFileBytes(path_, "new"));
    EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_FALSE(systemErrorText(ERROR_SHARING_VIOLATION).empty());
    CloseHandle(held);
    EXPECT_TRUE(readFileBytes(path_, bytes, error));
    EXPECT_EQ(bytes, "held");
    EXPECT_EQ(fileCount(), 1) << "the temporary file is removed";
}

// The temporary files of writes that were cut off (a process id after
// ".tmp") go; other files with similar names stay.
TEST_F(FilesTest, LeftoverTemporariesOfEndedWritesAreRemovedAndNothingElse) {
    const std::wstring target = dir_ + L"工作区.txt";
    for (const wchar_t* name : {L"工作区.txt", L"工作区.txt.tmp123", L"工作区.txt.tmp4567", L"工作区.txt.tmpx",
                                L"工作区.txt.damaged", L"其他.txt.tmp99"}) {
        ASSERT_TRUE(writeFileBytes(dir_ + name, "x"));
    }
    EXPECT_EQ(removeLeftoverTemporaries(target), 2u);
    std::vector<std::wstring> left = folder_.files();
    std::sort(left.begin(), left.end());
    std::vector<std::wstring> expected{L"其他.txt.tmp99", L"工作区.txt", L"工作区.txt.damaged", L"工作区.txt.tmpx"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
    EXPECT_EQ(removeLeftoverTemporaries(target), 0u);
}

// The lock between panels: held by one owner at a time, free again (and its
// file gone) once the owner goes, and carried along by a move.
TEST_F(FilesTest, AnExclusiveFileIsHeldByOneOwnerAtATime) {
    const std::wstring lock = dir_ + L"工作区.txt.lock";
    {
        ExclusiveFile first(lock);
        ASSERT_TRUE(first.held()) << first.error();
        ExclusiveFile second(lock);
        EXPECT_FALSE(second.held());
        EXPECT_EQ(second.error(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

        ExclusiveFile moved(std::move(first));
        EXPECT_FALSE(first.held());  // NOLINT(bugprone-use-after-move): the moved-from state is checked
        EXPECT_TRUE(moved.held());
        EXPECT_FALSE(ExclusiveFile(lock).held());
    }
    EXPECT_FALSE(pathExists(lock)) << "the lock file is removed with its owner";
    ExclusiveFile again(lock);
    EXPECT_TRUE(again.held());
}

}  // namespace
}  // namespace vuv::win
