// The handle registry, stock objects, and the calls common to every object kind.
#include <cstring>
#include <unordered_set>

#include "GdiPrivate.h"

namespace gdi {
namespace {

std::unordered_set<GdiObject*>& Objects()
{
    static std::unordered_set<GdiObject*> objects;
    return objects;
}

std::unordered_set<DeviceContext*>& Contexts()
{
    static std::unordered_set<DeviceContext*> contexts;
    return contexts;
}

constexpr int STOCK_COUNT = DEFAULT_PALETTE + 1;
GdiObject* stockObjects[STOCK_COUNT];
BitmapObject* defaultBitmap;

BrushObject* StockBrush(COLORREF color, UINT style)
{
    auto* brush = new BrushObject;
    brush->color = color;
    brush->style = style;
    return brush;
}

PenObject* StockPen(COLORREF color, int style)
{
    auto* pen = new PenObject;
    pen->color = color;
    pen->style = style;
    return pen;
}

void SetStock(int index, GdiObject* object)
{
    object->stock = true;
    stockObjects[index] = object;
    Objects().insert(object);
}

int BitmapRecord(BitmapObject* bitmap, int size, void* buffer)
{
    // Callers written for the device pass 24 bytes. Here bmBits sits at offset 24 (after
    // padding), so such a buffer gets every field but the pointer, which they do not use.
    constexpr int DEVICE_SIZE = 24;
    if (!buffer)
        return int(sizeof(BITMAP));
    if (size < DEVICE_SIZE)
        return 0;
    BITMAP record {};
    record.bmWidth = bitmap->width;
    record.bmHeight = bitmap->height;
    record.bmWidthBytes = bitmap->isDib ? bitmap->stride : (bitmap->width * bitmap->bitCount + 15) / 16 * 2;
    record.bmPlanes = 1;
    record.bmBitsPixel = WORD(bitmap->bitCount);
    record.bmBits = bitmap->isDib ? bitmap->Bits() : nullptr;
    int copied = size < int(sizeof(BITMAP)) ? size : int(sizeof(BITMAP));
    std::memcpy(buffer, &record, size_t(copied));
    return copied;
}

template <class T> int CopyRecord(const T& record, int size, void* buffer)
{
    if (!buffer)
        return int(sizeof(T));
    int copied = size < int(sizeof(T)) ? size : int(sizeof(T));
    if (copied <= 0)
        return 0;
    std::memcpy(buffer, &record, size_t(copied));
    return copied;
}

}  // namespace

std::recursive_mutex& Lock()
{
    static std::recursive_mutex lock;
    return lock;
}

void InitStockObjects()
{
    if (defaultBitmap)
        return;
    SetStock(WHITE_BRUSH, StockBrush(RGB(255, 255, 255), BS_SOLID));
    SetStock(LTGRAY_BRUSH, StockBrush(RGB(192, 192, 192), BS_SOLID));
    SetStock(GRAY_BRUSH, StockBrush(RGB(128, 128, 128), BS_SOLID));
    SetStock(DKGRAY_BRUSH, StockBrush(RGB(64, 64, 64), BS_SOLID));
    SetStock(BLACK_BRUSH, StockBrush(RGB(0, 0, 0), BS_SOLID));
    SetStock(NULL_BRUSH, StockBrush(0, BS_NULL));
    SetStock(WHITE_PEN, StockPen(RGB(255, 255, 255), PS_SOLID));
    SetStock(BLACK_PEN, StockPen(RGB(0, 0, 0), PS_SOLID));
    SetStock(NULL_PEN, StockPen(0, PS_NULL));
    SetStock(SYSTEM_FONT, new FontObject);
    auto* palette = new PaletteObject;
    const BYTE ramp[] = { 0, 128, 192, 255 };
    for (BYTE r : ramp)
        for (BYTE g : ramp)
            for (BYTE b : ramp)
                palette->entries.push_back(PALETTEENTRY { r, g, b, 0 });
    SetStock(DEFAULT_PALETTE, palette);
    defaultBitmap = NewBitmap(1, 1, 1, true);
    defaultBitmap->stock = true;
    defaultBitmap->colors = { RGBQUAD { 0, 0, 0, 0 }, RGBQUAD { 255, 255, 255, 0 } };
    Objects().insert(defaultBitmap);
}

BitmapObject* DefaultBitmap()
{
    InitStockObjects();
    return defaultBitmap;
}

GdiObject* FindObject(HGDIOBJ handle)
{
    InitStockObjects();
    auto* object = static_cast<GdiObject*>(handle);
    return handle && Objects().count(object) ? object : nullptr;
}

HGDIOBJ Register(GdiObject* object)
{
    InitStockObjects();
    Objects().insert(object);
    return object;
}

void Unregister(GdiObject* object)
{
    Objects().erase(object);
}

DeviceContext* FindDC(HDC hdc)
{
    auto* dc = reinterpret_cast<DeviceContext*>(hdc);
    return hdc && Contexts().count(dc) ? dc : nullptr;
}

HDC RegisterDC(DeviceContext* dc)
{
    InitStockObjects();
    dc->state.brush = static_cast<BrushObject*>(stockObjects[WHITE_BRUSH]);
    dc->state.pen = static_cast<PenObject*>(stockObjects[BLACK_PEN]);
    dc->state.font = static_cast<FontObject*>(stockObjects[SYSTEM_FONT]);
    dc->state.palette = static_cast<PaletteObject*>(stockObjects[DEFAULT_PALETTE]);
    Contexts().insert(dc);
    return reinterpret_cast<HDC>(dc);
}

void UnregisterDC(DeviceContext* dc)
{
    Contexts().erase(dc);
}

}  // namespace gdi

using namespace gdi;

HGDIOBJ GetStockObject(int index)
{
    Guard guard(Lock());
    InitStockObjects();
    if (index < 0 || index >= STOCK_COUNT)
        return nullptr;
    return stockObjects[index];
}

BOOL DeleteObject(HGDIOBJ handle)
{
    Guard guard(Lock());
    GdiObject* object = FindObject(handle);
    if (!object)
        return FALSE;
    if (object->stock)
        return TRUE;
    // Deleting an object that a DC still holds would leave the DC drawing with freed memory; the
    // API refuses, and so do we.
    if (object->selectCount > 0)
        return FALSE;
    Unregister(object);
    switch (object->kind) {
    case Kind::Bitmap: delete static_cast<BitmapObject*>(object); break;
    case Kind::Brush: delete static_cast<BrushObject*>(object); break;
    case Kind::Pen: delete static_cast<PenObject*>(object); break;
    case Kind::Font: delete static_cast<FontObject*>(object); break;
    case Kind::Palette: delete static_cast<PaletteObject*>(object); break;
    case Kind::Region: delete static_cast<RegionObject*>(object); break;
    }
    return TRUE;
}

DWORD GetObjectType(HGDIOBJ handle)
{
    Guard guard(Lock());
    if (GdiObject* object = FindObject(handle))
        return DWORD(object->kind);
    if (DeviceContext* dc = FindDC(reinterpret_cast<HDC>(handle)))
        return dc->onSurface ? OBJ_DC : OBJ_MEMDC;
    return 0;
}

int GetObjectW(HGDIOBJ handle, int size, LPVOID buffer)
{
    Guard guard(Lock());
    GdiObject* object = FindObject(handle);
    if (!object)
        return 0;
    switch (object->kind) {
    case Kind::Bitmap:
        return BitmapRecord(static_cast<BitmapObject*>(object), size, buffer);
    case Kind::Brush: {
        auto* brush = static_cast<BrushObject*>(object);
        return CopyRecord(LOGBRUSH { brush->style, brush->color, 0 }, size, buffer);
    }
    case Kind::Pen: {
        auto* pen = static_cast<PenObject*>(object);
        return CopyRecord(LOGPEN { UINT(pen->style), POINT { pen->width, 0 }, pen->color }, size, buffer);
    }
    case Kind::Font:
        return CopyRecord(static_cast<FontObject*>(object)->logFont, size, buffer);
    case Kind::Palette: {
        WORD count = WORD(static_cast<PaletteObject*>(object)->entries.size());
        return CopyRecord(count, size, buffer);
    }
    case Kind::Region:
        return 0;
    }
    return 0;
}
