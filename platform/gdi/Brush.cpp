// Brushes, pens, and the system colours.
#include "GdiPrivate.h"

using namespace gdi;

namespace {

// The Pocket PC default scheme: white windows, light grey button faces, blue highlight.
constexpr int SYS_COLOR_COUNT = COLOR_STATICTEXT + 1;
COLORREF sysColors[SYS_COLOR_COUNT] = {
    RGB(192, 192, 192), RGB(0, 0, 128),     RGB(0, 0, 128),     RGB(128, 128, 128), // 0..3
    RGB(255, 255, 255), RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       // 4..7
    RGB(0, 0, 0),       RGB(255, 255, 255), RGB(192, 192, 192), RGB(192, 192, 192), // 8..11
    RGB(128, 128, 128), RGB(0, 0, 128),     RGB(255, 255, 255), RGB(212, 208, 200), // 12..15
    RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(192, 192, 192), // 16..19
    RGB(255, 255, 255), RGB(64, 64, 64),    RGB(223, 223, 223), RGB(0, 0, 0),       // 20..23
    RGB(255, 255, 225), RGB(255, 255, 255), RGB(0, 0, 0),                           // 24..26
};
BrushObject* sysBrushes[SYS_COLOR_COUNT];

}  // namespace

HBRUSH CreateSolidBrush(COLORREF color)
{
    Guard guard(Lock());
    auto* brush = new BrushObject;
    brush->color = color;
    return Register(brush);
}

HBRUSH CreatePatternBrush(HBITMAP bitmap)
{
    Guard guard(Lock());
    auto* source = FindAs<BitmapObject>(bitmap, Kind::Bitmap);
    if (!source)
        return nullptr;
    // The brush keeps its own copy, so the bitmap may be deleted while the brush lives on.
    auto* brush = new BrushObject;
    brush->style = BS_PATTERN;
    brush->patternWidth = source->width;
    brush->patternHeight = source->height;
    brush->pattern.reserve(size_t(source->width) * source->height);
    for (int y = 0; y < source->height; ++y)
        for (int x = 0; x < source->width; ++x)
            brush->pattern.push_back(source->Get(x, y));
    return Register(brush);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush)
{
    if (!brush)
        return nullptr;
    if (brush->lbStyle == BS_NULL)
        return GetStockObject(NULL_BRUSH);
    if (brush->lbStyle == BS_PATTERN)
        return CreatePatternBrush(reinterpret_cast<HBITMAP>(brush->lbHatch));
    return CreateSolidBrush(brush->lbColor);
}

HPEN CreatePen(int style, int width, COLORREF color)
{
    Guard guard(Lock());
    auto* pen = new PenObject;
    pen->style = style == PS_NULL ? PS_NULL : style == PS_DASH ? PS_DASH : PS_SOLID;
    pen->width = width < 1 ? 1 : width;
    pen->color = color;
    return Register(pen);
}

HPEN CreatePenIndirect(const LOGPEN* pen)
{
    return pen ? CreatePen(int(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor) : nullptr;
}

// The device's headers let a caller mark an index with SYS_COLOR_INDEX_FLAG; it means the same.
constexpr int SYS_COLOR_INDEX_FLAG = 0x40000000;

DWORD GetSysColor(int index)
{
    Guard guard(Lock());
    index &= ~SYS_COLOR_INDEX_FLAG;
    return index >= 0 && index < SYS_COLOR_COUNT ? sysColors[index] : 0;
}

HBRUSH GetSysColorBrush(int index)
{
    Guard guard(Lock());
    index &= ~SYS_COLOR_INDEX_FLAG;
    if (index < 0 || index >= SYS_COLOR_COUNT)
        return nullptr;
    if (!sysBrushes[index]) {
        auto* brush = new BrushObject;
        brush->color = sysColors[index];
        brush->stock = true;
        Register(brush);
        sysBrushes[index] = brush;
    }
    return sysBrushes[index];
}

BOOL SetSysColors(int count, const int* indices, const COLORREF* colors)
{
    Guard guard(Lock());
    if (count < 0 || (count > 0 && (!indices || !colors)))
        return FALSE;
    for (int i = 0; i < count; ++i) {
        int index = indices[i];
        if (index < 0 || index >= SYS_COLOR_COUNT)
            continue;
        sysColors[index] = colors[i];
        if (sysBrushes[index])
            sysBrushes[index]->color = colors[i];
    }
    return TRUE;
}
