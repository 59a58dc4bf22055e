// BitBlt, StretchBlt, PatBlt and single pixels.
#include "GdiPrivate.h"

namespace gdi {
namespace {

bool UsesSource(DWORD rop)
{
    return rop != PATCOPY && rop != BLACKNESS && rop != WHITENESS && rop != DSTINVERT && rop != PATINVERT;
}

bool Supported(DWORD rop)
{
    switch (rop) {
    case SRCCOPY: case SRCPAINT: case SRCAND: case SRCINVERT: case PATCOPY: case PATINVERT:
    case DSTINVERT: case BLACKNESS: case WHITENESS:
        return true;
    default:
        return false;
    }
}

uint32_t PatternAt(DeviceContext* dc, int x, int y)
{
    BrushObject* brush = dc->state.brush;
    if (!brush || brush->style == BS_NULL)
        return 0xFFFFFF;
    if (brush->style != BS_PATTERN)
        return ResolveColor(dc, brush->color);
    int px = (x - dc->origin.x - dc->state.brushOrigin.x) % brush->patternWidth;
    int py = (y - dc->origin.y - dc->state.brushOrigin.y) % brush->patternHeight;
    px += px < 0 ? brush->patternWidth : 0;
    py += py < 0 ? brush->patternHeight : 0;
    return brush->pattern[size_t(py) * brush->patternWidth + px];
}

uint32_t Apply(DWORD rop, uint32_t src, uint32_t dst, uint32_t pat)
{
    switch (rop) {
    case SRCCOPY: return src;
    case SRCPAINT: return src | dst;
    case SRCAND: return src & dst;
    case SRCINVERT: return src ^ dst;
    case PATCOPY: return pat;
    case PATINVERT: return pat ^ dst;
    case DSTINVERT: return ~dst & 0xFFFFFF;
    case BLACKNESS: return 0;
    default: return 0xFFFFFF;
    }
}

struct Mapping {
    int srcX, srcY, srcWidth, srcHeight;   // source rectangle in source device coordinates
    int dstX, dstY, dstWidth, dstHeight;   // destination rectangle in destination device coordinates
};

// Nearest-neighbour in both directions; negative sizes mirror, as the API allows.
void Transfer(DeviceContext* dest, Target& target, BitmapObject* source, const Mapping& m, DWORD rop)
{
    int left = m.dstWidth < 0 ? m.dstX + m.dstWidth : m.dstX;
    int top = m.dstHeight < 0 ? m.dstY + m.dstHeight : m.dstY;
    RECT area { left, top, left + (m.dstWidth < 0 ? -m.dstWidth : m.dstWidth),
                top + (m.dstHeight < 0 ? -m.dstHeight : m.dstHeight) };
    if (!ClipTo(area, target.clip))
        return;
    BitmapObject* out = target.bitmap;
    for (int y = area.top; y < area.bottom; ++y) {
        int64_t sy = m.dstHeight > 0 ? m.srcY + int64_t(y - m.dstY) * m.srcHeight / m.dstHeight
                                     : m.srcY + int64_t(m.dstY - 1 - y) * m.srcHeight / -m.dstHeight;
        for (int x = area.left; x < area.right; ++x) {
            uint32_t src = 0;
            if (source) {
                int64_t sx = m.dstWidth > 0 ? m.srcX + int64_t(x - m.dstX) * m.srcWidth / m.dstWidth
                                            : m.srcX + int64_t(m.dstX - 1 - x) * m.srcWidth / -m.dstWidth;
                // Source pixels outside the source bitmap leave the destination as it was.
                if (sx < 0 || sy < 0 || sx >= source->width || sy >= source->height)
                    continue;
                src = source->Get(int(sx), int(sy));
            }
            uint32_t dst = rop == SRCCOPY || rop == PATCOPY ? 0 : out->Get(x, y);
            uint32_t pat = rop == PATCOPY || rop == PATINVERT ? PatternAt(dest, x, y) : 0;
            out->Set(x, y, Apply(rop, src, dst, pat));
        }
    }
    Touch(dest, area);
}

BOOL Blit(HDC hdcDest, int x, int y, int width, int height, HDC hdcSrc, int srcX, int srcY, int srcWidth,
          int srcHeight, DWORD rop)
{
    Guard guard(Lock());
    DeviceContext* dest = FindDC(hdcDest);
    if (!dest || !Supported(rop) || width == 0 || height == 0)
        return dest && Supported(rop);
    BitmapObject* source = nullptr;
    POINT srcOrigin {};
    if (UsesSource(rop)) {
        DeviceContext* src = FindDC(hdcSrc);
        if (!src || srcWidth == 0 || srcHeight == 0)
            return FALSE;
        source = TargetOf(src).bitmap;
        srcOrigin = ToDevice(src, srcX, srcY);
    }
    Target target = TargetOf(dest);
    if (target.Empty())
        return TRUE;
    POINT dstOrigin = ToDevice(dest, x, y);
    Mapping mapping { srcOrigin.x, srcOrigin.y, srcWidth, srcHeight, dstOrigin.x, dstOrigin.y, width, height };
    if (!source) {
        mapping.srcWidth = width;
        mapping.srcHeight = height;
    }
    Transfer(dest, target, source, mapping, rop);
    return TRUE;
}

}  // namespace
}  // namespace gdi

using namespace gdi;

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop)
{
    if (width < 0 || height < 0)
        return FALSE;
    return Blit(dest, x, y, width, height, src, srcX, srcY, width, height, rop);
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, int srcWidth,
                int srcHeight, DWORD rop)
{
    return Blit(dest, x, y, width, height, src, srcX, srcY, srcWidth, srcHeight, rop);
}

BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop)
{
    if (UsesSource(rop))
        return FALSE;
    return Blit(hdc, x, y, width, height, nullptr, 0, 0, width, height, rop);
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc)
        return CLR_INVALID;
    Target target = TargetOf(dc);
    POINT p = ToDevice(dc, x, y);
    RECT pixel { p.x, p.y, p.x + 1, p.y + 1 };
    if (target.Empty() || !ClipTo(pixel, target.clip))
        return CLR_INVALID;
    target.bitmap->Set(p.x, p.y, ResolveColor(dc, color));
    Touch(dc, pixel);
    return RgbOf(target.bitmap->Get(p.x, p.y));
}

COLORREF GetPixel(HDC hdc, int x, int y)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc)
        return CLR_INVALID;
    BitmapObject* bitmap = TargetOf(dc).bitmap;
    POINT p = ToDevice(dc, x, y);
    if (!bitmap || p.x < 0 || p.y < 0 || p.x >= bitmap->width || p.y >= bitmap->height)
        return CLR_INVALID;
    return RgbOf(bitmap->Get(p.x, p.y));
}
