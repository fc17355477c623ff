// A record box in one process: lines queue in arrival order and reach the
// edit box in one insertion at its end, outside the undo buffer; clearing
// drops what is still queued.
#include "extras/records_page_win.h"

#include "common/encoding_win.h"
#include "common/ui_win.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace vuv::win {
namespace {

class RecordBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        edit_ = CreateWindowExW(0, L"EDIT", L"", WS_POPUP | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL, 0, 0, 300, 200,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(edit_, nullptr);
        box_.attach(edit_);
    }
    void TearDown() override { DestroyWindow(edit_); }

    HWND edit_ = nullptr;
    RecordBox box_;
};

TEST_F(RecordBoxTest, QueuedLinesLandTogetherAtTheEndInArrivalOrderWithoutUndo) {
    box_.queue("http://a.cn/1");
    box_.queue("\xB1\xED\xA1\xF6");  // 表■: a trail byte 0xED, and the separator as text
    EXPECT_TRUE(box_.hasQueued());
    EXPECT_EQ(controlText(edit_), "") << "nothing is written before the flush";
    box_.flush();
    EXPECT_FALSE(box_.hasQueued());
    EXPECT_EQ(controlText(edit_), "http://a.cn/1\r\n\xB1\xED\xA1\xF6\r\n");
    EXPECT_EQ(SendMessageW(edit_, EM_CANUNDO, 0, 0), FALSE);

    // Whatever the caret and selection, new lines go at the end; a record
    // of several lines is kept as it came.
    SendMessageW(edit_, EM_SETSEL, 0, 4);
    box_.queue("line 1\r\nline 2");
    box_.flush();
    EXPECT_EQ(controlText(edit_), "http://a.cn/1\r\n\xB1\xED\xA1\xF6\r\nline 1\r\nline 2\r\n");
    box_.flush();  // nothing queued: nothing changes
    EXPECT_EQ(SendMessageW(edit_, WM_GETTEXTLENGTH, 0, 0), 35);
}

TEST_F(RecordBoxTest, ClearingDropsQueuedLinesAndEmptyTextsStillMakeLines) {
    box_.queue("a");
    box_.flush();
    box_.queue("queued before the clear");
    box_.clear();
    box_.flush();
    EXPECT_EQ(controlText(edit_), "");
    box_.queue("");
    box_.queue("b");
    box_.flush();
    EXPECT_EQ(controlText(edit_), "\r\nb\r\n");
}

// A text with a NUL (a browser that counted its terminator) ends there and
// keeps its line break; what was queued after it in the same batch stays.
TEST_F(RecordBoxTest, ATextEndsAtItsFirstNulAndTheLinesAfterItStay) {
    using namespace std::string_literals;
    box_.queue("http://a.cn/1\0"s);
    box_.queue("http://a.cn/2\0junk"s);
    box_.queue("http://a.cn/3");
    box_.flush();
    EXPECT_EQ(controlText(edit_), "http://a.cn/1\r\nhttp://a.cn/2\r\nhttp://a.cn/3\r\n");
}

TEST_F(RecordBoxTest, TheBoxTakesMoreThanTheDefaultLimit) {
    const std::string line(1000, 'x');
    for (int i = 0; i < 100; ++i) box_.queue(line);  // about 100,000 characters, above the default 30,000
    box_.flush();
    EXPECT_EQ(SendMessageW(edit_, WM_GETTEXTLENGTH, 0, 0), 100 * 1002);
}

}  // namespace
}  // namespace vuv::win
