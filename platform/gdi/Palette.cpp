// Logical palettes. The screen is true colour, so realising a palette changes no pixels; what a
// selected palette does is give PALETTEINDEX colours their meaning in that DC.
#include "GdiPrivate.h"

using namespace gdi;

namespace {

// The API caps a logical palette at 1024 entries; more is a damaged record.
constexpr WORD MAX_PALETTE_ENTRIES = 1024;

}  // namespace

HPALETTE CreatePalette(const LOGPALETTE* palette)
{
    Guard guard(Lock());
    if (!palette || palette->palVersion != 0x300 || palette->palNumEntries == 0 ||
        palette->palNumEntries > MAX_PALETTE_ENTRIES)
        return nullptr;
    auto* object = new PaletteObject;
    object->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
    return Register(object);
}

HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL forceBackground)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    auto* object = FindAs<PaletteObject>(palette, Kind::Palette);
    if (!dc || !object)
        return nullptr;
    PaletteObject* previous = dc->state.palette;
    if (previous)
        --previous->selectCount;
    ++object->selectCount;
    dc->state.palette = object;
    return previous;
}

UINT RealizePalette(HDC hdc)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc || !dc->state.palette)
        return GDI_ERROR;
    // Every entry maps to itself on a true-colour surface; report them all as realised.
    return UINT(dc->state.palette->entries.size());
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, LPPALETTEENTRY entries)
{
    Guard guard(Lock());
    auto* object = FindAs<PaletteObject>(palette, Kind::Palette);
    if (!object)
        return 0;
    UINT size = UINT(object->entries.size());
    if (!entries)
        return size;
    UINT copied = 0;
    for (; copied < count && start < size && copied < size - start; ++copied)
        entries[copied] = object->entries[start + copied];
    return copied;
}

UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF color)
{
    Guard guard(Lock());
    auto* object = FindAs<PaletteObject>(palette, Kind::Palette);
    if (!object || object->entries.empty())
        return CLR_INVALID;
    UINT best = 0;
    int bestDistance = 1 << 30;
    for (size_t i = 0; i < object->entries.size(); ++i) {
        const PALETTEENTRY& e = object->entries[i];
        int dr = int(e.peRed) - GetRValue(color);
        int dg = int(e.peGreen) - GetGValue(color);
        int db = int(e.peBlue) - GetBValue(color);
        int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = UINT(i);
        }
    }
    return best;
}
