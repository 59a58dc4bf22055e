// Arbitrary bytes as a bitmap resource (a packed DIB), read as LoadBitmapW reads one, then drawn
// the ways the program draws its pictures: copied, stretched, and as a pattern brush.
#include <cstddef>
#include <cstdint>

#include <windows.h>

#include "platform/gdi/DibReader.h"

namespace {

void Draw(HBITMAP bitmap)
{
    BITMAPINFO info {};
    info.bmiHeader = { sizeof(BITMAPINFOHEADER), 24, -24, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
    void* bits = nullptr;
    HDC target = CreateCompatibleDC(nullptr);
    HBITMAP canvas = CreateDIBSection(target, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldCanvas = SelectObject(target, canvas);
    HDC source = CreateCompatibleDC(target);
    HGDIOBJ oldSource = SelectObject(source, bitmap);
    BITMAP record {};
    GetObjectW(bitmap, sizeof(record), &record);
    BitBlt(target, -3, 2, record.bmWidth, record.bmHeight, source, 0, 0, SRCCOPY);
    StretchBlt(target, 0, 0, 24, 24, source, 0, 0, record.bmWidth, record.bmHeight, SRCCOPY);
    StretchBlt(target, 20, 20, -7, -5, source, 1, 1, record.bmWidth, record.bmHeight, SRCCOPY);
    SelectObject(source, oldSource);
    HBRUSH pattern = CreatePatternBrush(bitmap);
    RECT all { 0, 0, 24, 24 };
    FillRect(target, &all, pattern);
    DeleteObject(pattern);
    DeleteDC(source);
    SelectObject(target, oldCanvas);
    DeleteObject(canvas);
    DeleteDC(target);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    gdi::BitmapObject* dib = nullptr;
    {
        gdi::Guard guard(gdi::Lock());
        dib = gdi::BitmapFromDib(data, size);
        if (!dib)
            return 0;
        gdi::Register(dib);
    }
    Draw(dib);
    DeleteObject(dib);
    return 0;
}
