// Packed DIB parsing and LoadBitmapW.
#include <cstring>

#include <windows.h>

#include "common/ByteReader.h"
#include "DibReader.h"

namespace gdi {
namespace {

constexpr uint32_t CORE_HEADER_SIZE = 12;
constexpr uint32_t INFO_HEADER_SIZE = 40;
constexpr uint32_t MAX_HEADER_SIZE = 124;   // BITMAPV5HEADER
constexpr int MAX_SIDE = 16384;

bool ReadCoreHeader(const ByteReader& reader, DibLayout& layout)
{
    uint16_t width = 0, height = 0, planes = 0, bitCount = 0;
    if (!reader.ReadU16(4, width) || !reader.ReadU16(6, height) || !reader.ReadU16(8, planes) ||
        !reader.ReadU16(10, bitCount))
        return false;
    layout.coreHeader = true;
    layout.width = width;
    layout.height = height;
    layout.bitCount = bitCount;
    layout.compression = BI_RGB;
    layout.colorCount = bitCount <= 8 ? 1u << bitCount : 0;
    return planes == 1;
}

bool ReadInfoHeader(const ByteReader& reader, DibLayout& layout)
{
    uint32_t width = 0, height = 0, compression = 0, used = 0;
    uint16_t planes = 0, bitCount = 0;
    if (!reader.ReadU32(4, width) || !reader.ReadU32(8, height) || !reader.ReadU16(12, planes) ||
        !reader.ReadU16(14, bitCount) || !reader.ReadU32(16, compression) || !reader.ReadU32(32, used))
        return false;
    int32_t signedHeight = int32_t(height);
    if (int32_t(width) <= 0 || signedHeight == 0 || signedHeight == INT32_MIN || planes != 1)
        return false;
    layout.width = int32_t(width);
    layout.topDown = signedHeight < 0;
    layout.height = signedHeight < 0 ? -signedHeight : signedHeight;
    layout.bitCount = bitCount;
    layout.compression = compression;
    if (bitCount <= 8) {
        uint32_t full = 1u << bitCount;
        // A table longer than the pixels can index is a damaged header.
        if (used > full)
            return false;
        layout.colorCount = used ? used : full;
    } else {
        // A colour table ahead of true-colour pixels is an optimisation hint; we skip it, but only
        // when it is of a sane length.
        if (used > 256)
            return false;
        layout.colorCount = used;
    }
    bool bitfields = compression == BI_BITFIELDS && (bitCount == 16 || bitCount == 32);
    return compression == BI_RGB || bitfields;
}

}  // namespace

bool ReadDibLayout(const uint8_t* data, size_t size, DibLayout& layout)
{
    ByteReader reader(data, size);
    layout = DibLayout();
    uint32_t headerSize = 0;
    if (!reader.ReadU32(0, headerSize))
        return false;
    layout.headerSize = headerSize;
    bool parsed = headerSize == CORE_HEADER_SIZE ? ReadCoreHeader(reader, layout)
                  : headerSize >= INFO_HEADER_SIZE && headerSize <= MAX_HEADER_SIZE ? ReadInfoHeader(reader, layout)
                                                                                    : false;
    int bits = layout.bitCount;
    if (!parsed || !(bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32))
        return false;
    if (layout.width > MAX_SIDE || layout.height > MAX_SIDE)
        return false;
    size_t offset = headerSize;
    if (layout.compression == BI_BITFIELDS) {
        // The three masks follow a 40-byte header; the larger headers carry them inside.
        layout.maskOffset = headerSize == INFO_HEADER_SIZE ? offset : INFO_HEADER_SIZE;
        if (headerSize == INFO_HEADER_SIZE)
            offset += 12;
    }
    layout.colorOffset = offset;
    offset += size_t(layout.colorCount) * (layout.coreHeader ? 3 : 4);
    layout.pixelOffset = offset;
    size_t stride = (size_t(layout.width) * size_t(bits) + 31) / 32 * 4;
    layout.imageSize = stride * size_t(layout.height);
    return reader.Contains(layout.maskOffset, layout.maskOffset ? 12 : 0) &&
           reader.Contains(layout.pixelOffset, layout.imageSize);
}

BitmapObject* BitmapFromDib(const uint8_t* data, size_t size)
{
    DibLayout layout;
    if (!ReadDibLayout(data, size, layout))
        return nullptr;
    BitmapObject* bitmap = NewBitmap(layout.width, layout.height, layout.bitCount, layout.topDown);
    if (!bitmap)
        return nullptr;
    ByteReader reader(data, size);
    bitmap->isDib = true;
    size_t entrySize = layout.coreHeader ? 3 : 4;
    for (uint32_t i = 0; i < layout.colorCount && layout.bitCount <= 8; ++i) {
        const uint8_t* entry = reader.Pointer(layout.colorOffset + i * entrySize, entrySize);
        bitmap->colors.push_back(RGBQUAD { entry[0], entry[1], entry[2], 0 });
    }
    if (layout.compression == BI_BITFIELDS) {
        for (int i = 0; i < 3; ++i)
            reader.ReadU32(layout.maskOffset + 4 * size_t(i), bitmap->masks[i]);
    }
    std::memcpy(bitmap->Bits(), reader.Pointer(layout.pixelOffset, layout.imageSize), layout.imageSize);
    return bitmap;
}

}  // namespace gdi

using namespace gdi;

HBITMAP LoadBitmapW(HINSTANCE instance, LPCWSTR name)
{
    HRSRC found = FindResourceW(instance, name, RT_BITMAP);
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    DWORD size = found ? SizeofResource(instance, found) : 0;
    if (!bytes || size == 0)
        return nullptr;
    Guard guard(Lock());
    BitmapObject* dib = BitmapFromDib(static_cast<const uint8_t*>(bytes), size);
    if (!dib)
        return nullptr;
    // A loaded bitmap is device-dependent: it takes the screen's format, as on the device.
    BitmapObject* bitmap = NewBitmap(dib->width, dib->height, 32, true);
    if (bitmap) {
        for (int y = 0; y < dib->height; ++y)
            for (int x = 0; x < dib->width; ++x)
                bitmap->Set(x, y, dib->Get(x, y));
    }
    delete dib;
    return bitmap ? Register(bitmap) : nullptr;
}
