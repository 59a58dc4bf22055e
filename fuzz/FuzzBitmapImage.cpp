// Fuzz target: arbitrary bytes as one of the program's pictures, built as a resource and as a
// bitmap file by BitmapImage and drawn at its own size and stretched.
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include <windows.h>

#include "BitmapImage.h"

namespace {

void DrawBoth(BitmapImage& image)
{
    BITMAPINFO info {};
    info.bmiHeader = { sizeof(BITMAPINFOHEADER), 16, 16, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
    void* bits = nullptr;
    HDC target = CreateCompatibleDC(nullptr);
    HBITMAP canvas = CreateDIBSection(target, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(target, canvas);
    image.Draw(target, nullptr);
    RECT stretched { 1, 2, 15, 9 };
    image.Draw(target, &stretched);
    SelectObject(target, old);
    DeleteObject(canvas);
    DeleteDC(target);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (bool isFile : { false, true }) {
        BitmapImage image;
        image.bitmap = image.CreateFromDib(data, uint32_t(size), isFile);
        if (image.bitmap) {
            image.width = image.GetWidth(nullptr);
            image.height = image.GetHeight(nullptr);
            DrawBoth(image);
        }
        image.Release();
    }
    return 0;
}
