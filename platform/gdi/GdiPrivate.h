// The drawing layer's objects: bitmaps, brushes, pens, fonts, palettes, regions and DCs, and the
// one lock that every drawing call holds.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "wce/WinGdi.h"

namespace gdi {

// One lock for the whole layer: drawing is almost all on the window thread, and the display's
// reads of the screen must see whole calls, so a finer scheme buys nothing.
std::recursive_mutex& Lock();
using Guard = std::lock_guard<std::recursive_mutex>;

enum class Kind : uint32_t { Bitmap = OBJ_BITMAP, Brush = OBJ_BRUSH, Pen = OBJ_PEN, Font = OBJ_FONT,
                             Palette = OBJ_PAL, Region = OBJ_REGION };

struct GdiObject {
    explicit GdiObject(Kind kind) : kind(kind) {}
    Kind kind;
    bool stock = false;          // stock objects ignore DeleteObject
    int selectCount = 0;         // DCs that hold it; DeleteObject refuses while selected
};

struct DeviceContext;

struct BitmapObject : GdiObject {
    BitmapObject() : GdiObject(Kind::Bitmap) {}
    int width = 0;
    int height = 0;
    int bitCount = 32;
    int stride = 0;              // bytes per row, a multiple of 4
    bool topDown = true;
    bool isDib = false;
    std::vector<uint8_t> storage;
    std::vector<RGBQUAD> colors; // for bit counts up to 8
    uint32_t masks[3] = { 0x00FF0000, 0x0000FF00, 0x000000FF };
    DeviceContext* selectedIn = nullptr;
    int lastNearestRgb = -1;     // cache for writes into paletted bitmaps
    int lastNearestIndex = 0;

    uint8_t* Bits() { return storage.data(); }
    uint8_t* Row(int y) { return storage.data() + size_t(topDown ? y : height - 1 - y) * stride; }
    uint32_t Get(int x, int y);              // 0x00RRGGBB
    void Set(int x, int y, uint32_t rgb);
    int NearestIndex(uint32_t rgb);
};

struct BrushObject : GdiObject {
    BrushObject() : GdiObject(Kind::Brush) {}
    UINT style = BS_SOLID;
    COLORREF color = 0;
    int patternWidth = 0;        // a pattern brush keeps its own copy of the bitmap's colours
    int patternHeight = 0;
    std::vector<uint32_t> pattern;
};

struct PenObject : GdiObject {
    PenObject() : GdiObject(Kind::Pen) {}
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
};

struct FontObject : GdiObject {
    FontObject() : GdiObject(Kind::Font) {}
    LOGFONTW logFont {};
};

struct PaletteObject : GdiObject {
    PaletteObject() : GdiObject(Kind::Palette) {}
    std::vector<PALETTEENTRY> entries;
};

struct RegionObject : GdiObject {
    RegionObject() : GdiObject(Kind::Region) {}
    RECT box {};                 // regions are rectangles here; that is all our controls clip with
};

struct DcState {
    BitmapObject* bitmap = nullptr;
    BrushObject* brush = nullptr;
    PenObject* pen = nullptr;
    FontObject* font = nullptr;
    PaletteObject* palette = nullptr;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    int stretchMode = BLACKONWHITE;
    POINT viewport {};
    POINT brushOrigin {};
    POINT position {};
    RECT clip {};                // device coordinates; already within the base clip
};

struct DeviceContext {
    bool onSurface = false;
    POINT origin {};             // device position of logical (0,0) before the viewport
    RECT baseClip {};            // device coordinates
    DcState state;
    std::vector<DcState> saved;
};

// Handle checks: a handle we did not hand out (or already freed) yields null.
GdiObject* FindObject(HGDIOBJ handle);
template <class T> T* FindAs(HGDIOBJ handle, Kind kind)
{
    GdiObject* object = FindObject(handle);
    return object && object->kind == kind ? static_cast<T*>(object) : nullptr;
}
HGDIOBJ Register(GdiObject* object);
void Unregister(GdiObject* object);
DeviceContext* FindDC(HDC hdc);
HDC RegisterDC(DeviceContext* dc);
void UnregisterDC(DeviceContext* dc);

void InitStockObjects();
BitmapObject* DefaultBitmap();   // the 1x1 bitmap a fresh memory DC holds

// Surface.
BitmapObject* SurfaceBitmap();
void MarkSurfaceDirty(const RECT& device);

// Bitmap construction.
BitmapObject* NewBitmap(int width, int height, int bitCount, bool topDown);

// Colour of a COLORREF in this DC (palette indices go through the selected palette).
uint32_t ResolveColor(const DeviceContext* dc, COLORREF color);
inline uint32_t RgbOf(COLORREF color) { return (color & 0xFF) << 16 | (color & 0xFF00) | (color >> 16 & 0xFF); }

// The target of a draw: the DC's bitmap and the device clip, already intersected with its bounds.
struct Target {
    BitmapObject* bitmap = nullptr;
    RECT clip {};
    bool Empty() const { return !bitmap || clip.left >= clip.right || clip.top >= clip.bottom; }
};
Target TargetOf(DeviceContext* dc);
POINT ToDevice(const DeviceContext* dc, int x, int y);
RECT ToDevice(const DeviceContext* dc, const RECT& logical);
bool ClipTo(RECT& rect, const RECT& clip);
void Touch(DeviceContext* dc, const RECT& device);   // marks the surface dirty when it is one

void FillWithBrush(DeviceContext* dc, const RECT& device, BrushObject* brush);
void FillSolid(DeviceContext* dc, const RECT& device, uint32_t rgb);
uint32_t Blend(uint32_t dst, uint32_t src, unsigned alpha);

}  // namespace gdi
