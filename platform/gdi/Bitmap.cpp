// Bitmaps: pixel access in every supported format, CreateBitmap, CreateCompatibleBitmap and
// CreateDIBSection.
#include <cstring>

#include "GdiPrivate.h"

namespace gdi {
namespace {

// Largest side and pixel count we allocate; a DIB claiming more is refused rather than trusted.
constexpr int MAX_SIDE = 16384;
constexpr int64_t MAX_PIXELS = 16 * 1024 * 1024;

int MaskShift(uint32_t mask)
{
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

// Widens a masked field to 8 bits so that 5- and 6-bit channels reach full white.
uint32_t Expand(uint32_t value, uint32_t mask)
{
    if (!mask)
        return 0;
    uint32_t field = (value & mask) >> MaskShift(mask);
    uint32_t max = mask >> MaskShift(mask);
    return max ? field * 255 / max : 0;
}

uint32_t Compress(uint32_t channel, uint32_t mask)
{
    if (!mask)
        return 0;
    uint32_t max = mask >> MaskShift(mask);
    return ((channel * max + 127) / 255) << MaskShift(mask) & mask;
}

uint32_t QuadRgb(const RGBQUAD& quad)
{
    return uint32_t(quad.rgbRed) << 16 | uint32_t(quad.rgbGreen) << 8 | quad.rgbBlue;
}

bool ValidBitCount(int bitCount)
{
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
           bitCount == 32;
}

}  // namespace

uint32_t BitmapObject::Get(int x, int y)
{
    const uint8_t* row = Row(y);
    uint32_t index = 0;
    switch (bitCount) {
    case 1: index = row[x >> 3] >> (7 - (x & 7)) & 1; break;
    case 4: index = row[x >> 1] >> ((x & 1) ? 0 : 4) & 15; break;
    case 8: index = row[x]; break;
    case 16: {
        uint32_t value = row[2 * x] | row[2 * x + 1] << 8;
        return Expand(value, masks[0]) << 16 | Expand(value, masks[1]) << 8 | Expand(value, masks[2]);
    }
    case 24: return uint32_t(row[3 * x + 2]) << 16 | row[3 * x + 1] << 8 | row[3 * x];
    default: {
        const uint8_t* p = row + 4 * x;
        uint32_t value = p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
        if (masks[0] == 0x00FF0000 && masks[1] == 0x0000FF00 && masks[2] == 0x000000FF)
            return value & 0xFFFFFF;
        return Expand(value, masks[0]) << 16 | Expand(value, masks[1]) << 8 | Expand(value, masks[2]);
    }
    }
    // An index past the colour table reads as black, as the device shows it.
    return index < colors.size() ? QuadRgb(colors[index]) : 0;
}

int BitmapObject::NearestIndex(uint32_t rgb)
{
    if (int(rgb) == lastNearestRgb)
        return lastNearestIndex;
    int best = 0;
    int bestDistance = 1 << 30;
    for (size_t i = 0; i < colors.size(); ++i) {
        int dr = int(colors[i].rgbRed) - int(rgb >> 16 & 0xFF);
        int dg = int(colors[i].rgbGreen) - int(rgb >> 8 & 0xFF);
        int db = int(colors[i].rgbBlue) - int(rgb & 0xFF);
        int distance = dr * dr * 3 + dg * dg * 4 + db * db * 2;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = int(i);
        }
    }
    lastNearestRgb = int(rgb);
    lastNearestIndex = best;
    return best;
}

void BitmapObject::Set(int x, int y, uint32_t rgb)
{
    uint8_t* row = Row(y);
    switch (bitCount) {
    case 1: {
        uint8_t bit = uint8_t(0x80 >> (x & 7));
        row[x >> 3] = NearestIndex(rgb) ? row[x >> 3] | bit : row[x >> 3] & ~bit;
        break;
    }
    case 4: {
        uint8_t index = uint8_t(NearestIndex(rgb));
        row[x >> 1] = (x & 1) ? (row[x >> 1] & 0xF0) | index : uint8_t((row[x >> 1] & 0x0F) | index << 4);
        break;
    }
    case 8: row[x] = uint8_t(NearestIndex(rgb)); break;
    case 16: {
        uint32_t value = Compress(rgb >> 16 & 0xFF, masks[0]) | Compress(rgb >> 8 & 0xFF, masks[1]) |
                         Compress(rgb & 0xFF, masks[2]);
        row[2 * x] = uint8_t(value);
        row[2 * x + 1] = uint8_t(value >> 8);
        break;
    }
    case 24:
        row[3 * x] = uint8_t(rgb);
        row[3 * x + 1] = uint8_t(rgb >> 8);
        row[3 * x + 2] = uint8_t(rgb >> 16);
        break;
    default: {
        if (masks[0] == 0x00FF0000 && masks[1] == 0x0000FF00 && masks[2] == 0x000000FF) {
            std::memcpy(row + 4 * x, &rgb, 4);
            break;
        }
        uint32_t value = Compress(rgb >> 16 & 0xFF, masks[0]) | Compress(rgb >> 8 & 0xFF, masks[1]) |
                         Compress(rgb & 0xFF, masks[2]);
        std::memcpy(row + 4 * x, &value, 4);
        break;
    }
    }
}

BitmapObject* NewBitmap(int width, int height, int bitCount, bool topDown)
{
    if (width <= 0 || height <= 0 || width > MAX_SIDE || height > MAX_SIDE ||
        int64_t(width) * height > MAX_PIXELS || !ValidBitCount(bitCount))
        return nullptr;
    auto* bitmap = new BitmapObject;
    bitmap->width = width;
    bitmap->height = height;
    bitmap->bitCount = bitCount;
    bitmap->topDown = topDown;
    bitmap->stride = (width * bitCount + 31) / 32 * 4;
    bitmap->storage.assign(size_t(bitmap->stride) * size_t(height), 0);
    if (bitCount == 16) {
        bitmap->masks[0] = 0x7C00;
        bitmap->masks[1] = 0x03E0;
        bitmap->masks[2] = 0x001F;
    }
    return bitmap;
}

}  // namespace gdi

using namespace gdi;

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits)
{
    Guard guard(Lock());
    if (planes != 1)
        return nullptr;
    BitmapObject* bitmap = NewBitmap(width, height, int(bitsPerPixel), true);
    if (!bitmap)
        return nullptr;
    if (bitsPerPixel == 1)
        bitmap->colors = { RGBQUAD { 0, 0, 0, 0 }, RGBQUAD { 255, 255, 255, 0 } };
    // Device-dependent bitmaps take rows padded to 16 bits, as the API defines them.
    if (bits) {
        int sourceStride = (width * int(bitsPerPixel) + 15) / 16 * 2;
        for (int y = 0; y < height; ++y)
            std::memcpy(bitmap->Row(y), static_cast<const uint8_t*>(bits) + size_t(y) * sourceStride,
                        size_t(sourceStride));
    }
    return Register(bitmap);
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height)
{
    Guard guard(Lock());
    // Every DC is a 32-bit colour device here, including a fresh memory DC (which on the device
    // would give a monochrome bitmap, a classic trap we have no reason to reproduce).
    if (!FindDC(hdc))
        return nullptr;
    BitmapObject* bitmap = NewBitmap(width, height, 32, true);
    return bitmap ? Register(bitmap) : nullptr;
}

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset)
{
    Guard guard(Lock());
    if (bits)
        *bits = nullptr;
    if (!info || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) || section)
        return nullptr;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    DWORD compression = header.biCompression;
    int bitCount = header.biBitCount;
    if (compression != BI_RGB && !(compression == BI_BITFIELDS && (bitCount == 16 || bitCount == 32)))
        return nullptr;
    if (header.biHeight == INT32_MIN)
        return nullptr;
    int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    BitmapObject* bitmap = NewBitmap(header.biWidth, height, bitCount, header.biHeight < 0);
    if (!bitmap)
        return nullptr;
    bitmap->isDib = true;
    const auto* table = reinterpret_cast<const uint8_t*>(info) + header.biSize;
    if (compression == BI_BITFIELDS) {
        // The masks follow a 40-byte header and sit at the same place inside the larger ones.
        std::memcpy(bitmap->masks, reinterpret_cast<const uint8_t*>(info) + sizeof(BITMAPINFOHEADER),
                    sizeof(bitmap->masks));
    } else if (bitCount <= 8) {
        size_t count = header.biClrUsed && header.biClrUsed < (1u << bitCount) ? header.biClrUsed : 1u << bitCount;
        bitmap->colors.resize(count);
        if (usage == DIB_RGB_COLORS)
            std::memcpy(bitmap->colors.data(), table, count * sizeof(RGBQUAD));
    }
    if (bits)
        *bits = bitmap->Bits();
    return Register(bitmap);
}

UINT GetDIBColorTable(HDC hdc, UINT start, UINT count, RGBQUAD* colors)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    BitmapObject* bitmap = dc ? dc->state.bitmap : nullptr;
    if (!bitmap || !colors || start >= bitmap->colors.size())
        return 0;
    UINT copied = 0;
    for (; copied < count && start + copied < bitmap->colors.size(); ++copied)
        colors[copied] = bitmap->colors[start + copied];
    return copied;
}

UINT SetDIBColorTable(HDC hdc, UINT start, UINT count, const RGBQUAD* colors)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    BitmapObject* bitmap = dc ? dc->state.bitmap : nullptr;
    if (!bitmap || !colors || start >= bitmap->colors.size())
        return 0;
    UINT copied = 0;
    for (; copied < count && start + copied < bitmap->colors.size(); ++copied)
        bitmap->colors[start + copied] = colors[copied];
    bitmap->lastNearestRgb = -1;
    return copied;
}
