// Text output: ink stays inside its rectangle, measuring agrees with drawing, wrapping adds lines.
#include <gtest/gtest.h>

#include <wce/GdiInternal.h>

#include "GdiTestSupport.h"

namespace {

struct InkBox {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool Any() const { return right >= 0; }
};

InkBox FindInk(const Canvas& canvas, uint32_t background = 0xFFFFFF)
{
    InkBox box;
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x)
            if (canvas.At(x, y) != background) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
            }
    return box;
}

}  // namespace

TEST(TextTest, DrawTextPutsInkInsideItsRectangle)
{
    Canvas canvas(120, 40);
    SetBkMode(canvas.dc, TRANSPARENT);
    RECT rect { 10, 5, 110, 35 };
    EXPECT_GT(DrawTextW(canvas.dc, u"Scan", -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE), 0);
    InkBox ink = FindInk(canvas);
    ASSERT_TRUE(ink.Any());
    EXPECT_GE(ink.left, rect.left);
    EXPECT_LE(ink.right, rect.right);
    EXPECT_GE(ink.top, rect.top);
    EXPECT_LE(ink.bottom, rect.bottom);
    // Centred: the margins on either side differ by a few pixels at most.
    EXPECT_LE(std::abs((ink.left - rect.left) - (rect.right - ink.right)), 4);
}

TEST(TextTest, LongTextIsClippedToTheRectangle)
{
    Canvas canvas(100, 30);
    SetBkMode(canvas.dc, TRANSPARENT);
    RECT rect { 5, 5, 40, 25 };
    DrawTextW(canvas.dc, u"A very long line that runs far past the edge", -1, &rect, DT_SINGLELINE);
    InkBox ink = FindInk(canvas);
    ASSERT_TRUE(ink.Any());
    EXPECT_LE(ink.right, rect.right);
}

TEST(TextTest, CalcRectMeasuresLikeTextExtentAndDrawsNothing)
{
    Canvas canvas(200, 100);
    SIZE extent {};
    ASSERT_TRUE(GetTextExtentPoint32W(canvas.dc, u"Backup", 6, &extent));
    EXPECT_GT(extent.cx, 0);
    RECT rect { 3, 4, 300, 4 };
    int height = DrawTextW(canvas.dc, u"Backup", -1, &rect, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(extent.cy, height);
    EXPECT_EQ(3 + extent.cx, rect.right);
    EXPECT_EQ(4 + extent.cy, rect.bottom);
    EXPECT_FALSE(FindInk(canvas).Any());
}

TEST(TextTest, WordBreakWrapsIntoSeveralLinesWithinTheWidth)
{
    Canvas canvas(80, 200);
    TEXTMETRICW metrics {};
    ASSERT_TRUE(GetTextMetricsW(canvas.dc, &metrics));
    RECT rect { 0, 0, 60, 0 };
    int height = DrawTextW(canvas.dc, u"one two three four five six", -1, &rect, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_GE(height, 3 * metrics.tmHeight);
    EXPECT_LE(rect.right, 60);
    // Chinese has no spaces and still wraps.
    RECT cjk { 0, 0, 40, 0 };
    EXPECT_GE(DrawTextW(canvas.dc, u"正在扫描文件请稍候", -1, &cjk, DT_CALCRECT | DT_WORDBREAK), 2 * metrics.tmHeight);
}

TEST(TextTest, EndEllipsisKeepsTheLineWithinTheWidth)
{
    Canvas canvas(100, 30);
    RECT rect { 0, 0, 50, 20 };
    DrawTextW(canvas.dc, u"\\Storage Card\\Documents\\report.doc", -1, &rect,
              DT_CALCRECT | DT_SINGLELINE | DT_END_ELLIPSIS);
    EXPECT_LE(rect.right, 50);
}

TEST(TextTest, PrefixAmpersandIsHiddenUnlessNoPrefix)
{
    Canvas canvas(10, 10);
    SIZE plain {}, doubled {};
    GetTextExtentPoint32W(canvas.dc, u"Help", 4, &plain);
    RECT rect {};
    DrawTextW(canvas.dc, u"&Help", -1, &rect, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(plain.cx, rect.right);
    rect = RECT {};
    DrawTextW(canvas.dc, u"&Help", -1, &rect, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    GetTextExtentPoint32W(canvas.dc, u"&Help", 5, &doubled);
    EXPECT_EQ(doubled.cx, rect.right);
}

TEST(TextTest, OpaqueExtTextOutFillsRectangleWithBackground)
{
    Canvas canvas(40, 20);
    SetBkColor(canvas.dc, RGB(0, 0, 255));
    RECT rect { 2, 2, 38, 18 };
    EXPECT_TRUE(ExtTextOutW(canvas.dc, 4, 3, ETO_OPAQUE | ETO_CLIPPED, &rect, u"", 0, nullptr));
    EXPECT_EQ(0x0000FFu, canvas.At(2, 2));
    EXPECT_EQ(0x0000FFu, canvas.At(37, 17));
    EXPECT_EQ(0xFFFFFFu, canvas.At(1, 1));
}

TEST(TextTest, BiggerFontGivesTallerMetricsAndDialogCharSize)
{
    Canvas canvas(10, 10);
    LOGFONTW big {};
    big.lfHeight = -24;
    big.lfWeight = FW_BOLD;
    HFONT font = CreateFontIndirectW(&big);
    TEXTMETRICW small {}, large {};
    GetTextMetricsW(canvas.dc, &small);
    HGDIOBJ old = SelectObject(canvas.dc, font);
    GetTextMetricsW(canvas.dc, &large);
    EXPECT_GT(large.tmHeight, small.tmHeight);
    EXPECT_GT(large.tmAveCharWidth, small.tmAveCharWidth);
    int width = 0, height = 0;
    EXPECT_TRUE(WceGetFontCharSize(&big, &width, &height));
    EXPECT_EQ(large.tmAveCharWidth, width);
    EXPECT_EQ(large.tmHeight, height);
    SelectObject(canvas.dc, old);
    EXPECT_TRUE(DeleteObject(font));
}

TEST(TextTest, LineEndsAndTabsLeaveNoMissingGlyphBoxes)
{
    Canvas canvas(60, 20);
    SetBkMode(canvas.dc, TRANSPARENT);
    EXPECT_TRUE(ExtTextOutW(canvas.dc, 2, 2, 0, nullptr, u"\r\n\t", 3, nullptr));
    EXPECT_FALSE(FindInk(canvas).Any());
    SIZE size {};
    GetTextExtentPoint32W(canvas.dc, u"\r\n", 2, &size);
    EXPECT_EQ(0, size.cx);
    RECT narrow {}, wide {};
    DrawTextW(canvas.dc, u"a\tb", -1, &narrow, DT_CALCRECT | DT_SINGLELINE);
    DrawTextW(canvas.dc, u"a\tb", -1, &wide, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
    EXPECT_GT(wide.right, narrow.right);
}
