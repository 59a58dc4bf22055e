// DIB sections, palettes and blits, checked by the pixels they leave.
#include <gtest/gtest.h>

#include <cstring>

#include "GdiTestSupport.h"

namespace {

const std::vector<RGBQUAD> COLORS = {
    { 0, 0, 255, 0 },     // 0 red
    { 0, 255, 0, 0 },     // 1 green
    { 255, 0, 0, 0 },     // 2 blue
    { 255, 255, 255, 0 }, // 3 white
};

// A 2x2 picture: red green / blue white.
void Paint2x2(Dib8& dib)
{
    dib.Set(0, 0, 0);
    dib.Set(1, 0, 1);
    dib.Set(0, 1, 2);
    dib.Set(1, 1, 3);
}

void Blit(Canvas& canvas, HBITMAP bitmap, int x, int y, int width, int height, int srcWidth, int srcHeight)
{
    HDC source = CreateCompatibleDC(canvas.dc);
    HGDIOBJ old = SelectObject(source, bitmap);
    if (width == srcWidth && height == srcHeight)
        EXPECT_TRUE(BitBlt(canvas.dc, x, y, width, height, source, 0, 0, SRCCOPY));
    else
        EXPECT_TRUE(StretchBlt(canvas.dc, x, y, width, height, source, 0, 0, srcWidth, srcHeight, SRCCOPY));
    SelectObject(source, old);
    DeleteDC(source);
}

}  // namespace

TEST(BlitTest, EightBitDibWithColourTableCopiesExactColoursInBothRowOrders)
{
    for (bool topDown : { false, true }) {
        SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
        Dib8 dib(2, 2, COLORS, topDown);
        ASSERT_NE(nullptr, dib.bits);
        Paint2x2(dib);
        Canvas canvas(4, 4);
        Blit(canvas, dib.bitmap, 1, 1, 2, 2, 2, 2);
        EXPECT_EQ(0xFF0000u, canvas.At(1, 1));
        EXPECT_EQ(0x00FF00u, canvas.At(2, 1));
        EXPECT_EQ(0x0000FFu, canvas.At(1, 2));
        EXPECT_EQ(0xFFFFFFu, canvas.At(2, 2));
        EXPECT_EQ(0xFFFFFFu, canvas.At(0, 0));   // untouched outside the destination
        EXPECT_EQ(0xFFFFFFu, canvas.At(3, 3));
    }
}

TEST(BlitTest, StretchDoublesEachPixelAndShrinkPicksNearest)
{
    Dib8 dib(2, 2, COLORS);
    Paint2x2(dib);
    Canvas canvas(4, 4);
    Blit(canvas, dib.bitmap, 0, 0, 4, 4, 2, 2);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            uint32_t expected = y < 2 ? (x < 2 ? 0xFF0000u : 0x00FF00u) : (x < 2 ? 0x0000FFu : 0xFFFFFFu);
            EXPECT_EQ(expected, canvas.At(x, y)) << x << "," << y;
        }
    Canvas small(1, 1);
    Blit(small, dib.bitmap, 0, 0, 1, 1, 2, 2);
    EXPECT_EQ(0xFF0000u, small.At(0, 0));
}

TEST(BlitTest, BlitIsClippedToTheDestinationBitmap)
{
    Dib8 dib(2, 2, COLORS);
    Paint2x2(dib);
    Canvas canvas(2, 2);
    Blit(canvas, dib.bitmap, -1, -1, 2, 2, 2, 2);
    EXPECT_EQ(0xFFFFFFu, canvas.At(0, 0));       // white of source (1,1)
    EXPECT_EQ(0xFFFFFFu, canvas.At(1, 1));       // beyond the source: unchanged
    Blit(canvas, dib.bitmap, 1, 1, 2, 2, 2, 2);
    EXPECT_EQ(0xFF0000u, canvas.At(1, 1));
}

TEST(BlitTest, PatBltRopsFillWithoutSource)
{
    Canvas canvas(2, 1, RGB(10, 20, 30));
    EXPECT_TRUE(PatBlt(canvas.dc, 0, 0, 1, 1, BLACKNESS));
    EXPECT_TRUE(PatBlt(canvas.dc, 1, 0, 1, 1, DSTINVERT));
    EXPECT_EQ(0u, canvas.At(0, 0));
    EXPECT_EQ(0xF5EBE1u, canvas.At(1, 0));
    EXPECT_FALSE(PatBlt(canvas.dc, 0, 0, 1, 1, SRCCOPY));
}

TEST(BlitTest, PaletteIndexColoursComeFromTheSelectedPalette)
{
    std::vector<uint8_t> block(sizeof(LOGPALETTE) + 2 * sizeof(PALETTEENTRY));
    auto* logical = reinterpret_cast<LOGPALETTE*>(block.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = 2;
    logical->palPalEntry[0] = { 1, 2, 3, 0 };
    logical->palPalEntry[1] = { 200, 100, 50, 0 };
    HPALETTE palette = CreatePalette(logical);
    ASSERT_NE(nullptr, palette);
    Canvas canvas(2, 1);
    HPALETTE old = SelectPalette(canvas.dc, palette, FALSE);
    EXPECT_NE(nullptr, old);
    EXPECT_EQ(2u, RealizePalette(canvas.dc));
    HBRUSH brush = CreateSolidBrush(PALETTEINDEX(1));
    RECT left { 0, 0, 1, 1 };
    FillRect(canvas.dc, &left, brush);
    EXPECT_EQ(0xC86432u, canvas.At(0, 0));
    SetPixel(canvas.dc, 1, 0, PALETTERGB(9, 8, 7));
    EXPECT_EQ(0x090807u, canvas.At(1, 0));
    EXPECT_FALSE(DeleteObject(palette));          // still selected
    SelectPalette(canvas.dc, old, FALSE);
    EXPECT_TRUE(DeleteObject(palette));
    DeleteObject(brush);
}

TEST(BlitTest, PatternBrushIsAnchoredAtTheDcOriginNotTheRectangle)
{
    Dib8 pattern(2, 2, COLORS);
    Paint2x2(pattern);
    HBRUSH brush = CreatePatternBrush(pattern.bitmap);
    ASSERT_NE(nullptr, brush);
    Canvas canvas(5, 5);
    RECT area { 1, 1, 4, 4 };
    FillRect(canvas.dc, &area, brush);
    EXPECT_EQ(0xFFFFFFu, canvas.At(1, 1));        // pattern (1,1), not pattern (0,0)
    EXPECT_EQ(0x0000FFu, canvas.At(2, 1));        // pattern (0,1)
    EXPECT_EQ(0x00FF00u, canvas.At(1, 2));        // pattern (1,0)
    EXPECT_EQ(0xFF0000u, canvas.At(2, 2));        // pattern (0,0)
    EXPECT_EQ(0xFFFFFFu, canvas.At(0, 0));        // outside the rectangle
    DeleteObject(brush);
}

TEST(BlitTest, SelectedBitmapCannotBeDeletedNorSelectedTwice)
{
    Canvas canvas(1, 1);
    EXPECT_FALSE(DeleteObject(canvas.bitmap));
    HDC other = CreateCompatibleDC(nullptr);
    EXPECT_EQ(nullptr, SelectObject(other, canvas.bitmap));
    DeleteDC(other);
}

TEST(BlitTest, GetObjectDescribesBitmapInTheDeviceRecordAndOurs)
{
    Dib8 dib(3, 5, COLORS);
    BITMAP record;
    std::memset(&record, 0xCC, sizeof(record));
    EXPECT_EQ(24, GetObjectW(dib.bitmap, 24, &record));
    EXPECT_EQ(3, record.bmWidth);
    EXPECT_EQ(5, record.bmHeight);
    EXPECT_EQ(4, record.bmWidthBytes);
    EXPECT_EQ(1, record.bmPlanes);
    EXPECT_EQ(8, record.bmBitsPixel);
    EXPECT_EQ(int(sizeof(BITMAP)), GetObjectW(dib.bitmap, sizeof(BITMAP), &record));
    EXPECT_EQ(static_cast<void*>(dib.bits), record.bmBits);
    EXPECT_EQ(0, GetObjectW(dib.bitmap, 20, &record));
    EXPECT_EQ(0, GetObjectW(nullptr, sizeof(record), &record));
}

TEST(BlitTest, SixteenBitBitfieldsDibReadsFiveSixFive)
{
    std::vector<uint8_t> block(sizeof(BITMAPINFOHEADER) + 12);
    auto* info = reinterpret_cast<BITMAPINFO*>(block.data());
    info->bmiHeader = { sizeof(BITMAPINFOHEADER), 2, -1, 1, 16, BI_BITFIELDS, 0, 0, 0, 0, 0 };
    const uint32_t masks[3] = { 0xF800, 0x07E0, 0x001F };
    std::memcpy(block.data() + sizeof(BITMAPINFOHEADER), masks, sizeof(masks));
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(nullptr, bitmap);
    static_cast<uint16_t*>(bits)[0] = 0xF800;
    static_cast<uint16_t*>(bits)[1] = 0x07E0;
    Canvas canvas(2, 1);
    HDC source = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(source, bitmap);
    BitBlt(canvas.dc, 0, 0, 2, 1, source, 0, 0, SRCCOPY);
    EXPECT_EQ(0xFF0000u, canvas.At(0, 0));
    EXPECT_EQ(0x00FF00u, canvas.At(1, 0));
    SelectObject(source, old);
    DeleteDC(source);
    DeleteObject(bitmap);
}
