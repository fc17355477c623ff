// The panel's font: a Chinese face at 9 points for every DPI, one font per
// DPI for the whole run, and glyphs for the captions (a font without them
// shows boxes; under Wine the CJK font must be mapped to the face's name).
#include "common/dpi_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

using vuv::win::uiFontAt;
using vuv::win::uiFontFace;

TEST(UiFont, IsAChineseFaceAtNinePointsForEveryDpiAndMadeOncePerDpi) {
    const std::wstring face = uiFontFace();
    ASSERT_FALSE(face.empty()) << "neither SimSun nor Microsoft YaHei UI is installed";
    for (int dpi : {96, 120, 144, 192}) {
        HFONT font = uiFontAt(dpi);
        ASSERT_NE(font, nullptr);
        EXPECT_EQ(uiFontAt(dpi), font) << dpi;
        LOGFONTW described{};
        ASSERT_EQ(GetObjectW(font, sizeof described, &described), static_cast<int>(sizeof described));
        EXPECT_EQ(described.lfHeight, -MulDiv(9, dpi, 72)) << dpi;  // 12 pixels at 96 DPI
        EXPECT_EQ(std::wstring(described.lfFaceName), face);
    }
    EXPECT_NE(uiFontAt(96), uiFontAt(144));
}

TEST(UiFont, HasGlyphsForTheCaptionsAndGrowsWithTheDpi) {
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    const std::wstring captions = L"鹭行vuv测试版独立控制批量启动通知处理书签管理链接记录网页记录启动间隔(毫秒)：";
    int heights[2] = {};
    int index = 0;
    for (int dpi : {96, 144}) {
        HGDIOBJ previous = SelectObject(screen, uiFontAt(dpi));
        std::wstring glyphs(captions.size(), L'\0');
        ASSERT_EQ(GetGlyphIndicesW(screen, captions.c_str(), static_cast<int>(captions.size()),
                                   reinterpret_cast<WORD*>(glyphs.data()), GGI_MARK_NONEXISTING_GLYPHS),
                  captions.size());
        for (std::size_t i = 0; i < captions.size(); ++i) {
            EXPECT_NE(static_cast<WORD>(glyphs[i]), 0xFFFF) << "no glyph for U+" << std::hex << int(captions[i]);
        }
        TEXTMETRICW metrics{};
        ASSERT_TRUE(GetTextMetricsW(screen, &metrics));
        heights[index++] = metrics.tmHeight;
        SelectObject(screen, previous);
    }
    ReleaseDC(nullptr, screen);
    // Text at 144 DPI is half as tall again as at 96.
    EXPECT_NEAR(heights[1], heights[0] * 3 / 2, 2) << heights[0] << " " << heights[1];
}

}  // namespace
