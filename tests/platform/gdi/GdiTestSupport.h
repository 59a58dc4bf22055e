// Helpers for drawing tests: 32-bit DIB sections in memory DCs, read back by pixel.
#pragma once

#include <cstdint>
#include <vector>

#include <windows.h>

struct Canvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;

    Canvas(int width, int height, COLORREF fill = RGB(255, 255, 255)) : width(width), height(height)
    {
        BITMAPINFO info {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;   // top-down, so bits[y * width + x] is (x, y)
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* pixels = nullptr;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
        bits = static_cast<uint32_t*>(pixels);
        previous = SelectObject(dc, bitmap);
        HBRUSH brush = CreateSolidBrush(fill);
        RECT all { 0, 0, width, height };
        FillRect(dc, &all, brush);
        DeleteObject(brush);
    }
    ~Canvas()
    {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    // 0x00RRGGBB, as a 32-bit DIB stores it.
    uint32_t At(int x, int y) const { return bits[y * width + x] & 0xFFFFFF; }
};

// An 8-bit DIB section with the given colour table; rows run bottom-up unless topDown.
struct Dib8 {
    HBITMAP bitmap = nullptr;
    uint8_t* bits = nullptr;
    int stride = 0;
    int height = 0;
    bool topDown = false;

    Dib8(int width, int height, const std::vector<RGBQUAD>& colors, bool topDown = false)
        : stride((width + 3) & ~3), height(height), topDown(topDown)
    {
        std::vector<uint8_t> block(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
        auto* info = reinterpret_cast<BITMAPINFO*>(block.data());
        info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info->bmiHeader.biWidth = width;
        info->bmiHeader.biHeight = topDown ? -height : height;
        info->bmiHeader.biPlanes = 1;
        info->bmiHeader.biBitCount = 8;
        info->bmiHeader.biClrUsed = DWORD(colors.size());
        for (size_t i = 0; i < colors.size(); ++i)
            info->bmiColors[i] = colors[i];
        void* pixels = nullptr;
        bitmap = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &pixels, nullptr, 0);
        bits = static_cast<uint8_t*>(pixels);
    }
    ~Dib8() { DeleteObject(bitmap); }
    void Set(int x, int y, uint8_t index) { bits[(topDown ? y : height - 1 - y) * stride + x] = index; }
};
