// BitmapImage: building DIB sections and palettes from bitmap resources, and drawing them.
#include "BitmapImage.h"

#include "common/ByteReader.h"

#include <cstring>
#include <new>

namespace {

constexpr uint32_t INFO_HEADER_SIZE = 40;
constexpr uint32_t FILE_HEADER_SIZE = 14;
constexpr uint32_t MAX_PICTURE_SIDE = 0x4000; // far beyond any screen; keeps sizes in 32 bits

bool IsKnownBitCount(uint16_t bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

constexpr uint32_t COMPRESSION_RGB = 0;
constexpr uint32_t COMPRESSION_BITFIELDS = 3;
constexpr uint32_t BITFIELD_MASKS_SIZE = 12;   // red, green and blue masks behind the header
constexpr uint32_t MAX_COLOURS = 256;

struct DibLayout {
    uint32_t headerOffset = 0;
    uint32_t pixelOffset = 0;
    uint32_t masksSize = 0;     // the bit-field masks that follow the header, when there are any
    uint32_t colours = 0;
    uint32_t imageSize = 0;     // the header's field, or the geometry's size when it gives 0
    uint32_t pixelBytes = 0;    // what the picture's own geometry holds: rows padded to 4 bytes
};

struct DibHeader {
    uint32_t size = 0, width = 0, height = 0, compression = 0, imageSize = 0, used = 0;
    uint16_t bits = 0;
};

bool ReadHeader(const ByteReader& data, uint32_t h, DibHeader& header)
{
    return data.ReadU32(h, header.size) && data.ReadU32(h + 4, header.width) && data.ReadU32(h + 8, header.height)
        && data.ReadU16(h + 14, header.bits) && data.ReadU32(h + 16, header.compression)
        && data.ReadU32(h + 20, header.imageSize) && data.ReadU32(h + 32, header.used);
}

// The sizes of a header that adds up: a known bit count, plain or bit-field pixels, a colour
// table the bit count can use, and pixels that fill the picture's own geometry.
bool CheckHeader(const DibHeader& header, DibLayout& out)
{
    int32_t width = int32_t(header.width), height = int32_t(header.height);
    if (header.size != INFO_HEADER_SIZE || !IsKnownBitCount(header.bits) || width <= 0 || height <= 0
        || uint32_t(width) > MAX_PICTURE_SIDE || uint32_t(height) > MAX_PICTURE_SIDE)
        return false;
    bool bitfields = header.compression == COMPRESSION_BITFIELDS && (header.bits == 16 || header.bits == 32);
    if (header.compression != COMPRESSION_RGB && !bitfields)
        return false;   // compressed pictures are the platform's to load
    out.masksSize = bitfields ? BITFIELD_MASKS_SIZE : 0;
    uint32_t tableLimit = header.bits <= 8 ? 1u << header.bits : MAX_COLOURS;
    out.colours = (header.used == 0 && header.bits <= 8) ? 1u << header.bits : header.used;
    if (out.colours > tableLimit)
        return false;
    uint64_t stride = (uint64_t(header.bits) * uint32_t(width) + 31) / 32 * 4;
    out.pixelBytes = uint32_t(stride * uint32_t(height));   // at most 32 * 16384 / 8 * 16384 bytes
    out.imageSize = header.imageSize ? header.imageSize : out.pixelBytes;
    // Fewer bytes than the geometry needs would leave the section's memory half filled from
    // beyond the data; more are padding, of which only the geometry's share is copied.
    return out.imageSize >= out.pixelBytes;
}

// Reads and checks what the copy needs. A header that does not add up, or that claims more
// colours or pixels than the resource holds, is refused, so the platform's own load gets the
// picture instead.
bool ReadLayout(const ByteReader& data, bool isFile, DibLayout& out)
{
    uint16_t magic = 0;
    if (isFile) {
        if (!data.ReadU16(0, magic) || magic != 0x4D42 || !data.ReadU32(10, out.pixelOffset))
            return false;
        out.headerOffset = FILE_HEADER_SIZE;
    }
    DibHeader header;
    if (!ReadHeader(data, out.headerOffset, header) || !CheckHeader(header, out))
        return false;
    if (!data.Contains(out.headerOffset, INFO_HEADER_SIZE + size_t(out.masksSize) + size_t(out.colours) * 4)
        || out.imageSize > data.Size())
        return false;
    if (!isFile)
        out.pixelOffset = uint32_t(data.Size() - out.imageSize);
    return data.Contains(out.pixelOffset, out.imageSize);
}

void WriteU32(uint8_t* p, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(value >> (8 * i));
}

} // namespace

uint32_t ColorCount(const ByteReader& header)
{
    uint32_t size = 0, used = 0;
    uint16_t bits = 0;
    if (!header.ReadU32(0, size))
        return 0;
    if (size == INFO_HEADER_SIZE) {
        if (header.ReadU32(32, used) && (used & 0xFFFF) != 0)
            return used & 0xFFFF;
        header.ReadU16(14, bits);
    } else {
        header.ReadU16(10, bits);
    }
    switch (bits) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

HPALETTE CreatePaletteFromDib(const ByteReader& header)
{
    uint32_t n = ColorCount(header);
    uint32_t size = 0;
    header.ReadU32(0, size);
    const bool core = size != INFO_HEADER_SIZE;
    const uint32_t first = core ? 12 : INFO_HEADER_SIZE, step = core ? 3 : 4;
    if (n == 0 || n > 256 || !header.Contains(first, size_t(n) * step))
        return nullptr;
    auto* record = static_cast<LOGPALETTE*>(
        ::operator new(sizeof(LOGPALETTE) + n * sizeof(PALETTEENTRY), std::nothrow));
    if (!record)
        return nullptr;
    record->palVersion = 0x300;
    record->palNumEntries = WORD(n);
    for (uint32_t i = 0; i < n; ++i) {
        uint8_t bgr[3] = {};
        header.ReadBytes(first + i * step, bgr, 3);
        record->palPalEntry[i] = { bgr[2], bgr[1], bgr[0], 0 };
    }
    HPALETTE palette = CreatePalette(record);
    ::operator delete(record);
    return palette;
}

HBITMAP BitmapImage::CreateFromDib(const void* data, uint32_t size, bool isFile)
{
    ByteReader reader(data, size);
    DibLayout layout;
    if (!ReadLayout(reader, isFile, layout))
        return nullptr;
    // The header, the bit-field masks and the colour table: all the section reads behind it.
    const size_t copySize = INFO_HEADER_SIZE + size_t(layout.masksSize) + size_t(layout.colours) * 4;
    auto* copy = static_cast<uint8_t*>(::operator new(copySize, std::nothrow));
    if (!copy)
        return nullptr;
    reader.ReadBytes(layout.headerOffset, copy, copySize);
    WriteU32(copy + 32, layout.colours);
    WriteU32(copy + 20, layout.imageSize);
    void* pixels = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP section = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(copy), DIB_RGB_COLORS, &pixels,
                                       nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (section && !pixels) {
        DeleteObject(section);
        section = nullptr;
    }
    if (section) {
        reader.ReadBytes(layout.pixelOffset, pixels, layout.pixelBytes);
        palette = CreatePaletteFromDib(ByteReader(copy, copySize));
    }
    ::operator delete(copy);
    return section;
}

int BitmapImage::LoadFromResource(HINSTANCE module, UINT bitmapId)
{
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(bitmapId), RT_BITMAP);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data)
        return 0;
    bitmap = CreateFromDib(data, SizeofResource(module, found), false);
    // Pictures this code does not build go to the platform, without a palette.
    if (!bitmap)
        bitmap = LoadBitmapW(module, MAKEINTRESOURCEW(bitmapId));
    width = GetWidth(bitmap);
    height = GetHeight(bitmap);
    return 1;
}

int BitmapImage::Draw(HDC targetDc, const RECT* rect)
{
    RECT own = { 0, 0, width, height };
    const RECT& r = rect ? *rect : own;
    HDC memory = CreateCompatibleDC(targetDc);
    if (!memory)
        return 0;
    HPALETTE oldTarget = nullptr, oldMemory = nullptr;
    if (palette) {
        oldTarget = SelectPalette(targetDc, palette, FALSE);
        RealizePalette(targetDc);
        oldMemory = SelectPalette(memory, palette, FALSE);
    }
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    const int w = r.right - r.left, h = r.bottom - r.top;
    BOOL result = (w == width && h == height)
        ? BitBlt(targetDc, r.left, r.top, w, h, memory, 0, 0, SRCCOPY)
        : StretchBlt(targetDc, r.left, r.top, w, h, memory, 0, 0, width, height, SRCCOPY);
    SelectObject(memory, oldBitmap);
    if (oldTarget)
        SelectPalette(targetDc, oldTarget, FALSE);
    if (oldMemory)
        SelectPalette(memory, oldMemory, FALSE);
    DeleteDC(memory);
    return result;
}

int32_t BitmapImage::GetWidth(HBITMAP other) const
{
    HBITMAP target = other ? other : bitmap;
    BITMAP info = {};
    if (!target || !GetObjectW(target, sizeof(info), &info))
        return 0;
    return info.bmWidth;
}

int32_t BitmapImage::GetHeight(HBITMAP other) const
{
    HBITMAP target = other ? other : bitmap;
    BITMAP info = {};
    if (!target || !GetObjectW(target, sizeof(info), &info))
        return 0;
    return info.bmHeight;
}

int BitmapImage::Release()
{
    if (bitmap)
        DeleteObject(bitmap);
    if (palette)
        DeleteObject(palette);
    bitmap = nullptr;
    palette = nullptr;
    width = height = 0;
    return 1;
}

BitmapImage* BitmapImage::Create(HINSTANCE module, UINT bitmapId)
{
    auto* image = new (std::nothrow) BitmapImage();
    if (image)
        image->LoadFromResource(module, bitmapId);
    return image;
}

void BitmapImage::Delete(BitmapImage* image)
{
    if (!image)
        return;
    image->Release();
    delete image;
}
