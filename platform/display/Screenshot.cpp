// Screenshots: the device screen, as the windows last drew it, written as a PNG file.
#include <cstdio>
#include <png.h>
#include <vector>

#include "wce/Automation.h"
#include "wce/GdiInternal.h"
#include "wce/WinUser.h"

namespace wce::automation {

namespace {

// Copies the screen under the drawing lock so the picture is one whole frame.
bool CopyScreen(std::vector<uint8_t>& rgb, int& width, int& height)
{
    WceSurfaceInfo info {};
    WceLockSurface(&info);
    bool ok = info.pixels && info.width > 0 && info.height > 0;
    if (ok) {
        width = info.width;
        height = info.height;
        rgb.resize(size_t(width) * size_t(height) * 3);
        for (int y = 0; y < height; ++y) {
            const uint32_t* row = reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(info.pixels) +
                                                                    size_t(y) * size_t(info.strideBytes));
            for (int x = 0; x < width; ++x) {
                uint8_t* out = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
                out[0] = uint8_t(row[x] >> 16);
                out[1] = uint8_t(row[x] >> 8);
                out[2] = uint8_t(row[x]);
            }
        }
    }
    WceUnlockSurface();
    return ok;
}

// libpng reports errors by longjmp; a failed write leaves a partial file that the caller removes.
bool WritePng(FILE* file, const std::vector<uint8_t>& rgb, int width, int height)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, &rgb[size_t(y) * size_t(width) * 3]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool SaveScreenshot(const char* hostPath)
{
    std::vector<uint8_t> rgb;
    int width = 0;
    int height = 0;
    if (!hostPath || !CopyScreen(rgb, width, height))
        return false;
    FILE* file = std::fopen(hostPath, "wb");
    if (!file)
        return false;
    bool written = WritePng(file, rgb, width, height);
    written = std::fclose(file) == 0 && written;
    if (!written)
        std::remove(hostPath);
    return written;
}

}  // namespace wce::automation
