// Device contexts: memory DCs, object selection, saved states, modes, viewport and clipping.
#include "GdiPrivate.h"

namespace gdi {
namespace {

template <class T> T* Swap(T*& slot, T* object)
{
    T* previous = slot;
    if (previous)
        --previous->selectCount;
    ++object->selectCount;
    slot = object;
    return previous;
}

// A field of the DC's current state, read under the table lock; failure when hdc is not a DC.
template <class T> T ReadState(HDC hdc, T DcState::*field, T failure)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    return dc ? dc->state.*field : failure;
}

// Sets a field of the DC's current state and returns what it held; failure, and nothing set, when
// hdc is not a DC.
template <class T> T ExchangeState(HDC hdc, T DcState::*field, T value, T failure)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc)
        return failure;
    T previous = dc->state.*field;
    dc->state.*field = value;
    return previous;
}

void Hold(const DcState& state, int delta)
{
    if (state.bitmap) state.bitmap->selectCount += delta;
    if (state.brush) state.brush->selectCount += delta;
    if (state.pen) state.pen->selectCount += delta;
    if (state.font) state.font->selectCount += delta;
    if (state.palette) state.palette->selectCount += delta;
}

HGDIOBJ SelectBitmap(DeviceContext* dc, BitmapObject* bitmap)
{
    // A bitmap lives in one memory DC at a time, and never in a surface DC.
    if (dc->onSurface || (bitmap->selectedIn && bitmap->selectedIn != dc))
        return nullptr;
    BitmapObject* previous = Swap(dc->state.bitmap, bitmap);
    if (previous && previous != bitmap)
        previous->selectedIn = nullptr;
    bitmap->selectedIn = dc;
    dc->baseClip = RECT { 0, 0, bitmap->width, bitmap->height };
    dc->state.clip = dc->baseClip;
    return previous;
}

}  // namespace

bool ClipTo(RECT& rect, const RECT& clip)
{
    if (rect.left < clip.left) rect.left = clip.left;
    if (rect.top < clip.top) rect.top = clip.top;
    if (rect.right > clip.right) rect.right = clip.right;
    if (rect.bottom > clip.bottom) rect.bottom = clip.bottom;
    return rect.left < rect.right && rect.top < rect.bottom;
}

POINT ToDevice(const DeviceContext* dc, int x, int y)
{
    return POINT { x + dc->origin.x + dc->state.viewport.x, y + dc->origin.y + dc->state.viewport.y };
}

RECT ToDevice(const DeviceContext* dc, const RECT& logical)
{
    POINT offset = ToDevice(dc, 0, 0);
    return RECT { logical.left + offset.x, logical.top + offset.y, logical.right + offset.x,
                  logical.bottom + offset.y };
}

Target TargetOf(DeviceContext* dc)
{
    Target target;
    target.bitmap = dc->onSurface ? SurfaceBitmap() : dc->state.bitmap;
    if (!target.bitmap)
        return target;
    target.clip = dc->state.clip;
    ClipTo(target.clip, RECT { 0, 0, target.bitmap->width, target.bitmap->height });
    return target;
}

void Touch(DeviceContext* dc, const RECT& device)
{
    if (dc->onSurface)
        MarkSurfaceDirty(device);
}

uint32_t ResolveColor(const DeviceContext* dc, COLORREF color)
{
    if ((color >> 24) == 0x01) {
        const PaletteObject* palette = dc ? dc->state.palette : nullptr;
        size_t index = color & 0xFFFF;
        if (!palette || index >= palette->entries.size())
            return 0;
        const PALETTEENTRY& entry = palette->entries[index];
        return uint32_t(entry.peRed) << 16 | uint32_t(entry.peGreen) << 8 | entry.peBlue;
    }
    // PALETTERGB and plain RGB both come out exact on a 32-bit surface.
    return RgbOf(color & 0xFFFFFF);
}

void ReleaseDC(DeviceContext* dc)
{
    Hold(dc->state, -1);
    for (const DcState& state : dc->saved)
        Hold(state, -1);
    if (dc->state.bitmap)
        dc->state.bitmap->selectedIn = nullptr;
}

}  // namespace gdi

using namespace gdi;

HDC CreateCompatibleDC(HDC hdc)
{
    Guard guard(Lock());
    // A null DC means "compatible with the screen", which every DC is here.
    if (hdc && !FindDC(hdc))
        return nullptr;
    auto* dc = new DeviceContext;
    HDC handle = RegisterDC(dc);
    BitmapObject* bitmap = DefaultBitmap();
    dc->state.bitmap = bitmap;
    dc->baseClip = RECT { 0, 0, 1, 1 };
    dc->state.clip = dc->baseClip;
    Hold(dc->state, 1);
    return handle;
}

BOOL DeleteDC(HDC hdc)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc)
        return FALSE;
    ReleaseDC(dc);
    UnregisterDC(dc);
    delete dc;
    return TRUE;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ handle)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    GdiObject* object = FindObject(handle);
    if (!dc || !object)
        return nullptr;
    switch (object->kind) {
    case Kind::Bitmap: return SelectBitmap(dc, static_cast<BitmapObject*>(object));
    case Kind::Brush: return Swap(dc->state.brush, static_cast<BrushObject*>(object));
    case Kind::Pen: return Swap(dc->state.pen, static_cast<PenObject*>(object));
    case Kind::Font: return Swap(dc->state.font, static_cast<FontObject*>(object));
    case Kind::Region: {
        // Selecting a region sets the clip; the result is the region kind, as the API returns it.
        SelectClipRgn(hdc, handle);
        return reinterpret_cast<HGDIOBJ>(intptr_t(SIMPLEREGION));
    }
    case Kind::Palette: return nullptr;   // palettes go through SelectPalette
    }
    return nullptr;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc)
        return nullptr;
    switch (type) {
    case OBJ_BITMAP: return dc->state.bitmap;
    case OBJ_BRUSH: return dc->state.brush;
    case OBJ_PEN: return dc->state.pen;
    case OBJ_FONT: return dc->state.font;
    case OBJ_PAL: return dc->state.palette;
    default: return nullptr;
    }
}

int SaveDC(HDC hdc)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc)
        return 0;
    dc->saved.push_back(dc->state);
    Hold(dc->state, 1);
    return int(dc->saved.size());
}

BOOL RestoreDC(HDC hdc, int savedDC)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc)
        return FALSE;
    int count = int(dc->saved.size());
    int level = savedDC < 0 ? count + savedDC + 1 : savedDC;
    if (level < 1 || level > count)
        return FALSE;
    BitmapObject* before = dc->state.bitmap;
    Hold(dc->state, -1);
    // The states saved after the one restored are dropped, and with them their holds.
    for (size_t i = size_t(level); i < dc->saved.size(); ++i)
        Hold(dc->saved[i], -1);
    dc->state = dc->saved[size_t(level - 1)];
    dc->saved.resize(size_t(level - 1));
    if (before && before != dc->state.bitmap)
        before->selectedIn = nullptr;
    if (dc->state.bitmap)
        dc->state.bitmap->selectedIn = dc;
    return TRUE;
}

COLORREF SetTextColor(HDC hdc, COLORREF color)
{
    return gdi::ExchangeState(hdc, &DcState::textColor, color, COLORREF(CLR_INVALID));
}

COLORREF GetTextColor(HDC hdc)
{
    return gdi::ReadState(hdc, &DcState::textColor, COLORREF(CLR_INVALID));
}

COLORREF SetBkColor(HDC hdc, COLORREF color)
{
    return gdi::ExchangeState(hdc, &DcState::bkColor, color, COLORREF(CLR_INVALID));
}

COLORREF GetBkColor(HDC hdc)
{
    return gdi::ReadState(hdc, &DcState::bkColor, COLORREF(CLR_INVALID));
}

int SetBkMode(HDC hdc, int mode)
{
    if (mode != TRANSPARENT && mode != OPAQUE)
        return 0;
    return gdi::ExchangeState(hdc, &DcState::bkMode, mode, 0);
}

int GetBkMode(HDC hdc)
{
    return gdi::ReadState(hdc, &DcState::bkMode, 0);
}

int SetStretchBltMode(HDC hdc, int mode)
{
    if (mode < BLACKONWHITE || mode > HALFTONE)
        return 0;
    return gdi::ExchangeState(hdc, &DcState::stretchMode, mode, 0);
}

int GetStretchBltMode(HDC hdc)
{
    return gdi::ReadState(hdc, &DcState::stretchMode, 0);
}

int SetROP2(HDC hdc, int mode)
{
    // Only copy-pen drawing is used by our controls; the mode is accepted and reported as R2_COPYPEN.
    return FindDC(hdc) ? 13 : 0;
}

BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT previous)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc)
        return FALSE;
    if (previous)
        *previous = dc->state.viewport;
    dc->state.viewport = POINT { x, y };
    return TRUE;
}

BOOL GetViewportOrgEx(HDC hdc, LPPOINT origin)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc || !origin)
        return FALSE;
    *origin = dc->state.viewport;
    return TRUE;
}

BOOL SetBrushOrgEx(HDC hdc, int x, int y, LPPOINT previous)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc)
        return FALSE;
    if (previous)
        *previous = dc->state.brushOrigin;
    dc->state.brushOrigin = POINT { x, y };
    return TRUE;
}

int GetDeviceCaps(HDC hdc, int index)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc)
        return 0;
    BitmapObject* bitmap = TargetOf(dc).bitmap;
    switch (index) {
    case HORZRES: return bitmap ? bitmap->width : 0;
    case VERTRES: return bitmap ? bitmap->height : 0;
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case RASTERCAPS: return 0;      // no RC_PALETTE: a true-colour device
    case SIZEPALETTE: return 0;
    default: return 0;
    }
}
