// LoadIconW, DrawIcon and DestroyIcon over icon group resources: the group's directory chooses
// one image (the one nearest the system icon size, then the deepest), whose colour bits and AND
// mask become the icon's straight-alpha pixels.
#include <cstring>
#include <mutex>
#include <set>
#include <vector>

#include <windows.h>
#include <wce/GdiInternal.h>

#include "DibReader.h"
#include "GdiPrivate.h"
#include "IconReader.h"
#include "common/ByteReader.h"

namespace gdi {
namespace {

constexpr uint32_t GROUP_HEADER = 6;
constexpr uint32_t GROUP_ENTRY = 14;
constexpr uint32_t INFO_HEADER_SIZE = 40;
constexpr int MAX_ICON_SIDE = 256;

using IconObject = IconPixels;

std::set<IconObject*>& Icons()
{
    static auto* icons = new std::set<IconObject*>();   // guarded by Lock()
    return *icons;
}

IconObject* FindIcon(HICON handle)
{
    auto* icon = reinterpret_cast<IconObject*>(handle);
    return Icons().count(icon) ? icon : nullptr;
}

struct GroupEntry {
    int side = 0;
    int bitCount = 0;
    uint16_t id = 0;
};

bool IsMasked(const ByteReader& image, size_t maskOffset, int width, int height, int x, int y)
{
    size_t stride = (size_t(width) + 31) / 32 * 4;
    uint8_t byte = 0;
    image.ReadU8(maskOffset + size_t(height - 1 - y) * stride + size_t(x) / 8, byte);
    return (byte & (0x80 >> (x % 8))) != 0;
}

const uint8_t* ResourceBytes(HINSTANCE instance, LPCWSTR name, LPCWSTR type, DWORD& size)
{
    HRSRC found = FindResourceW(instance, name, type);
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    size = found ? SizeofResource(instance, found) : 0;
    return loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
}

}  // namespace

bool ChooseIconImage(const uint8_t* data, size_t size, int wanted, uint16_t& id)
{
    ByteReader group(data, size);
    uint16_t reserved = 1, type = 0, count = 0;
    if (!group.ReadU16(0, reserved) || !group.ReadU16(2, type) || !group.ReadU16(4, count) || reserved != 0 ||
        type != 1)
        return false;
    GroupEntry best;
    for (uint32_t i = 0; i < count; ++i) {
        size_t at = GROUP_HEADER + size_t(i) * GROUP_ENTRY;
        uint8_t width = 0;
        uint16_t bits = 0, imageId = 0;
        if (!group.ReadU8(at, width) || !group.ReadU16(at + 6, bits) || !group.ReadU16(at + 12, imageId))
            return false;
        GroupEntry entry { width ? width : 256, bits, imageId };
        int distance = entry.side > wanted ? entry.side - wanted : wanted - entry.side;
        int bestDistance = best.side > wanted ? best.side - wanted : wanted - best.side;
        if (best.id == 0 || distance < bestDistance || (distance == bestDistance && entry.bitCount > best.bitCount))
            best = entry;
    }
    id = best.id;
    return best.id != 0;
}

// An icon image is a packed DIB of twice the icon's height: the colour rows, then the AND mask.
// The colour part is read as a DIB of the real height; 32-bit images bring their own alpha.
bool DecodeIconImage(const uint8_t* data, size_t size, IconPixels& icon)
{
    ByteReader image(data, size);
    uint32_t headerSize = 0, width = 0, doubled = 0;
    uint16_t bitCount = 0;
    if (!image.ReadU32(0, headerSize) || headerSize != INFO_HEADER_SIZE || !image.ReadU32(4, width) ||
        !image.ReadU32(8, doubled) || !image.ReadU16(14, bitCount))
        return false;
    int32_t height = int32_t(doubled) / 2;
    if (int32_t(width) <= 0 || int32_t(width) > MAX_ICON_SIDE || height <= 0 || height > MAX_ICON_SIDE)
        return false;
    std::vector<uint8_t> colour(data, data + size);
    for (int i = 0; i < 4; ++i)
        colour[size_t(8 + i)] = uint8_t(uint32_t(height) >> (8 * i));
    DibLayout layout;
    if (!ReadDibLayout(colour.data(), colour.size(), layout) || layout.topDown)
        return false;
    size_t maskOffset = layout.pixelOffset + layout.imageSize;
    if (!image.Contains(maskOffset, (size_t(width) + 31) / 32 * 4 * size_t(height)))
        return false;
    BitmapObject* pixels = BitmapFromDib(colour.data(), colour.size());
    if (!pixels)
        return false;
    icon.width = int(width);
    icon.height = height;
    icon.argb.resize(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < int(width); ++x) {
            uint32_t alpha = 0xFF;
            if (bitCount == 32)
                alpha = pixels->Row(y)[size_t(x) * 4 + 3];
            if (bitCount != 32 && IsMasked(image, maskOffset, int(width), height, x, y))
                alpha = 0;
            icon.argb[size_t(y) * width + size_t(x)] = alpha << 24 | pixels->Get(x, y);
        }
    delete pixels;
    return true;
}

}  // namespace gdi

using namespace gdi;

HICON LoadIconW(HINSTANCE instance, LPCWSTR name)
{
    DWORD groupSize = 0;
    const uint8_t* group = ResourceBytes(instance, name, RT_GROUP_ICON, groupSize);
    uint16_t imageId = 0;
    if (!group || !ChooseIconImage(group, groupSize, GetSystemMetrics(SM_CXICON), imageId)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    DWORD imageSize = 0;
    const uint8_t* image = ResourceBytes(instance, MAKEINTRESOURCEW(imageId), RT_ICON, imageSize);
    if (!image) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    Guard guard(Lock());
    auto* icon = new IconObject;
    if (!DecodeIconImage(image, imageSize, *icon)) {
        delete icon;
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    Icons().insert(icon);
    return reinterpret_cast<HICON>(icon);
}

BOOL DestroyIcon(HICON handle)
{
    Guard guard(Lock());
    IconObject* icon = FindIcon(handle);
    if (!icon) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Icons().erase(icon);
    delete icon;
    return TRUE;
}

// The icon's pixels blend over what the DC already shows, by their alpha.
BOOL DrawIcon(HDC hdc, int x, int y, HICON handle)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    IconObject* icon = FindIcon(handle);
    if (!dc || !icon)
        return FALSE;
    Target target = TargetOf(dc);
    POINT origin = ToDevice(dc, x, y);
    RECT area { origin.x, origin.y, origin.x + icon->width, origin.y + icon->height };
    if (target.Empty() || !ClipTo(area, target.clip))
        return TRUE;
    for (int row = area.top; row < area.bottom; ++row)
        for (int column = area.left; column < area.right; ++column) {
            uint32_t pixel = icon->argb[size_t(row - origin.y) * size_t(icon->width) + size_t(column - origin.x)];
            unsigned alpha = pixel >> 24;
            if (alpha != 0)
                target.bitmap->Set(column, row, Blend(target.bitmap->Get(column, row), pixel & 0xFFFFFF, alpha));
        }
    Touch(dc, area);
    return TRUE;
}

bool WceGetIconPixels(HICON handle, int* width, int* height, uint32_t* argb, size_t capacity)
{
    Guard guard(Lock());
    IconObject* icon = FindIcon(handle);
    if (!icon)
        return false;
    *width = icon->width;
    *height = icon->height;
    if (!argb)
        return true;
    if (capacity < icon->argb.size())
        return false;
    std::memcpy(argb, icon->argb.data(), icon->argb.size() * sizeof(uint32_t));
    return true;
}
