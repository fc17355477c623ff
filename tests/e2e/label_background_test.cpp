// Labels and check boxes have no background of their own: on the screen, the
// empty part of each (right of its text) is the tab body's colour, the same
// as the body just beside it.
#include "e2e/panel_fixture.h"

#include "common/control_ids.h"

#include <gtest/gtest.h>

namespace vuv::e2e {
namespace {

class LabelBackground : public PanelFixture {
protected:
    void SetUp() override {
        PanelFixture::SetUp();
        writeSettingsWithBrowser();
        panel = std::make_unique<PanelProcess>(sandbox);
        ASSERT_TRUE(panel->ready()) << panel->startError();
        SetWindowPos(panel->mainWindow(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }

    // The colour on the screen at a point of the control, from its right edge
    // inwards (negative) or outwards (positive), at half its height.
    static COLORREF pixelBeside(HWND control, int fromRight) {
        RECT box{};
        GetWindowRect(control, &box);
        HDC screen = GetDC(nullptr);
        const COLORREF colour = GetPixel(screen, box.right - 1 + fromRight, (box.top + box.bottom) / 2);
        ReleaseDC(nullptr, screen);
        return colour;
    }

    // Once the page is drawn: the empty part of the control and the body
    // beside it agree.
    void expectNoBoxOfItsOwn(int page, int control, const char* name) {
        ASSERT_TRUE(selectTab(panel->control(id::kTabs), page));
        const HWND hwnd = panel->control(control);
        ASSERT_NE(hwnd, nullptr);
        ASSERT_TRUE(waitUntil([&] { return IsWindowVisible(hwnd) != FALSE; }));
        // A later message to the panel: the paint that the switch asked for is done.
        ASSERT_TRUE(sendWithTimeout(panel->mainWindow(), WM_NULL, 0, 0));
        COLORREF inside = CLR_INVALID;
        COLORREF beside = CLR_INVALID;
        const bool same = waitUntil([&] {
            RedrawWindow(panel->mainWindow(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            inside = pixelBeside(hwnd, -3);
            beside = pixelBeside(hwnd, 3);
            return inside == beside && inside != CLR_INVALID;
        });
        EXPECT_TRUE(same) << name << ": inside " << std::hex << inside << ", beside " << beside;
    }
};

TEST_F(LabelBackground, LabelsAndCheckBoxesShowTheTabBodyBehindThem) {
    expectNoBoxOfItsOwn(id::kRulesPage, id::kConditionLabel, "通知内容(处理条件)：");
    expectNoBoxOfItsOwn(id::kRulesPage, id::kLinkLabel, "附加内容：");
    expectNoBoxOfItsOwn(id::kLaunchPage, id::kIntervalLabel, "启动间隔(毫秒)：");
    expectNoBoxOfItsOwn(id::kLaunchPage, id::kDesignatedBox, "批量启动指定浏览器");
    expectNoBoxOfItsOwn(id::kLaunchPage, id::kWapBox, "WAP浏览模式");
    expectNoBoxOfItsOwn(id::kBookmarksPage, id::kLoopBox, "是否循环打开书签");
}

}  // namespace
}  // namespace vuv::e2e
