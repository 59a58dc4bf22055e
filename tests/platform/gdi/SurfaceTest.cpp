// The screen surface: surface DCs draw at their origin, inside their clip, and report what changed.
#include <gtest/gtest.h>

#include <wce/DeviceProfile.h>
#include <wce/GdiInternal.h>

#include "GdiTestSupport.h"

namespace {

uint32_t SurfacePixel(int x, int y)
{
    WceSurfaceInfo info {};
    WceLockSurface(&info);
    uint32_t value = info.pixels[y * (info.strideBytes / 4) + x] & 0xFFFFFF;
    WceUnlockSurface();
    return value;
}

}  // namespace

TEST(SurfaceTest, SurfaceHasTheProfileScreenSize)
{
    WceResetSurface();
    WceSurfaceInfo info {};
    WceLockSurface(&info);
    WceUnlockSurface();
    EXPECT_EQ(wce::GetDeviceProfile().screenWidth, info.width);
    EXPECT_EQ(wce::GetDeviceProfile().screenHeight, info.height);
    EXPECT_GE(info.strideBytes, info.width * 4);
}

TEST(SurfaceTest, SurfaceDcDrawsAtItsOriginInsideItsClipAndMarksDirty)
{
    WceResetSurface();
    WceTakeSurfaceDirty(nullptr);
    RECT clip { 10, 20, 30, 40 };
    HDC dc = WceCreateSurfaceDC(10, 20, &clip);
    ASSERT_NE(nullptr, dc);
    HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
    RECT rect { 0, 0, 100, 100 };
    FillRect(dc, &rect, brush);
    EXPECT_EQ(0xFF0000u, SurfacePixel(10, 20));
    EXPECT_EQ(0xFF0000u, SurfacePixel(29, 39));
    EXPECT_EQ(0xFFFFFFu, SurfacePixel(30, 40));
    EXPECT_EQ(0xFFFFFFu, SurfacePixel(9, 20));
    RECT dirty {};
    EXPECT_TRUE(WceTakeSurfaceDirty(&dirty));
    EXPECT_EQ(10, dirty.left);
    EXPECT_EQ(20, dirty.top);
    EXPECT_EQ(30, dirty.right);
    EXPECT_EQ(40, dirty.bottom);
    EXPECT_FALSE(WceTakeSurfaceDirty(&dirty));
    POINT origin {};
    SetViewportOrgEx(dc, 2, 3, nullptr);
    EXPECT_TRUE(WceGetDCOrigin(dc, &origin));
    EXPECT_EQ(12, origin.x);
    EXPECT_EQ(23, origin.y);
    EXPECT_TRUE(DeleteDC(dc));
    DeleteObject(brush);
}

TEST(SurfaceTest, IntersectClipRectAndSaveRestoreLimitDrawing)
{
    Canvas canvas(10, 10);
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    int saved = SaveDC(canvas.dc);
    EXPECT_EQ(SIMPLEREGION, IntersectClipRect(canvas.dc, 2, 2, 4, 4));
    RECT all { 0, 0, 10, 10 };
    FillRect(canvas.dc, &all, black);
    EXPECT_EQ(0u, canvas.At(2, 2));
    EXPECT_EQ(0xFFFFFFu, canvas.At(4, 4));
    EXPECT_TRUE(RestoreDC(canvas.dc, saved));
    FillRect(canvas.dc, &all, black);
    EXPECT_EQ(0u, canvas.At(9, 9));
}

TEST(SurfaceTest, RectangleFramesWithPenAndFillsWithBrush)
{
    Canvas canvas(6, 6);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HGDIOBJ oldPen = SelectObject(canvas.dc, pen);
    HGDIOBJ oldBrush = SelectObject(canvas.dc, GetStockObject(BLACK_BRUSH));
    EXPECT_TRUE(Rectangle(canvas.dc, 1, 1, 5, 5));
    EXPECT_EQ(0xFF0000u, canvas.At(1, 1));
    EXPECT_EQ(0xFF0000u, canvas.At(4, 4));
    EXPECT_EQ(0u, canvas.At(2, 2));
    EXPECT_EQ(0xFFFFFFu, canvas.At(5, 5));
    MoveToEx(canvas.dc, 0, 0, nullptr);
    LineTo(canvas.dc, 0, 6);
    EXPECT_EQ(0xFF0000u, canvas.At(0, 5));
    SelectObject(canvas.dc, oldPen);
    SelectObject(canvas.dc, oldBrush);
    EXPECT_TRUE(DeleteObject(pen));
}

TEST(SurfaceTest, SystemColourBrushesAndIndexPlusOneFill)
{
    Canvas canvas(2, 1);
    RECT left { 0, 0, 1, 1 };
    FillRect(canvas.dc, &left, GetSysColorBrush(COLOR_HIGHLIGHT));
    RECT right { 1, 0, 2, 1 };
    FillRect(canvas.dc, &right, reinterpret_cast<HBRUSH>(uintptr_t(COLOR_BTNFACE + 1)));
    COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(uint32_t(GetRValue(highlight)) << 16 | GetGValue(highlight) << 8 | GetBValue(highlight), canvas.At(0, 0));
    EXPECT_EQ(uint32_t(GetRValue(face)) << 16 | GetGValue(face) << 8 | GetBValue(face), canvas.At(1, 0));
    EXPECT_TRUE(DeleteObject(GetSysColorBrush(COLOR_HIGHLIGHT)));   // stock: ignored
    EXPECT_NE(nullptr, GetSysColorBrush(COLOR_HIGHLIGHT));
}

TEST(SurfaceTest, RestoreDcToAnEarlierLevelReleasesEverythingSavedAfterIt)
{
    Canvas canvas(2, 2);
    HBRUSH first = CreateSolidBrush(RGB(1, 2, 3));
    HBRUSH second = CreateSolidBrush(RGB(4, 5, 6));
    HGDIOBJ original = SelectObject(canvas.dc, first);
    int level = SaveDC(canvas.dc);
    SelectObject(canvas.dc, second);
    SaveDC(canvas.dc);
    EXPECT_TRUE(RestoreDC(canvas.dc, level));
    EXPECT_EQ(first, GetCurrentObject(canvas.dc, OBJ_BRUSH));
    EXPECT_TRUE(DeleteObject(second));             // no longer held by any saved state
    EXPECT_FALSE(DeleteObject(first));             // still selected
    SelectObject(canvas.dc, original);
    EXPECT_TRUE(DeleteObject(first));
    EXPECT_FALSE(RestoreDC(canvas.dc, 1));         // nothing left to restore
}
