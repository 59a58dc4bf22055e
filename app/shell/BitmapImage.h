// BitmapImage: one of the program's own 8-bit pictures as a DIB section with a palette made
// from its colour table, drawn at its own size or stretched.
#pragma once

#include <windows.h>

#include <cstdint>

class ByteReader;

constexpr UINT BITMAP_FRAME_WIDE = 110;
constexpr UINT BITMAP_PAGE_BACKGROUND = 112;
constexpr UINT BITMAP_WELCOME = 113;

class BitmapImage {
public:
    HPALETTE palette = nullptr;
    HBITMAP bitmap = nullptr;
    int32_t width = 0;
    int32_t height = 0;

    // A zeroed object filled from bitmap `bitmapId` of `module`; null only when memory is short.
    static BitmapImage* Create(HINSTANCE module, UINT bitmapId);
    // Release and free an object from Create; null is allowed.
    static void Delete(BitmapImage* image);

    int LoadFromResource(HINSTANCE module, UINT bitmapId);
    HBITMAP CreateFromDib(const void* data, uint32_t size, bool isFile);
    int Draw(HDC targetDc, const RECT* rect);
    int32_t GetWidth(HBITMAP other) const;
    int32_t GetHeight(HBITMAP other) const;
    int Release();
};

// Entries of the colour table that a DIB header announces (0 for 16 bits and more).
uint32_t ColorCount(const ByteReader& header);
// A palette from the colour table behind the header, or null when the picture has none.
HPALETTE CreatePaletteFromDib(const ByteReader& header);
