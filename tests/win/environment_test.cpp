// The Wine session the tests run in must behave like a Chinese Windows:
// ANSI code page 936, and Chinese file names that survive the round trip
// through the ANSI functions.
#include "common/encoding_win.h"
#include "common/texts.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

TEST(Environment, AnsiCodePageIs936) { EXPECT_EQ(GetACP(), 936u); }

TEST(Environment, ChineseFileNameRoundTripsThroughAnsiFunctions) {
    wchar_t dir[MAX_PATH] = {};
    ASSERT_GT(GetTempPathW(MAX_PATH, dir), 0u);
    const std::wstring path = std::wstring(dir) + vuv::win::widen(vuv::text::kSettingsFile);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);

    // The same name spelled in GBK through the ANSI function finds the file.
    const std::string ansiPath = vuv::win::narrow(path);
    EXPECT_NE(GetFileAttributesA(ansiPath.c_str()), INVALID_FILE_ATTRIBUTES) << ansiPath;
    EXPECT_TRUE(DeleteFileW(path.c_str()));
}

}  // namespace
