// Whole-file writes: the settings file is replaced in one step, so a write
// that fails half way leaves the previous file exactly as it was.
#include "common/files_win.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

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

}  // namespace
}  // namespace vuv::win
