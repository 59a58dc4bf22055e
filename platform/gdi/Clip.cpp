// Clipping and rectangular regions.
#include "GdiPrivate.h"

using namespace gdi;

namespace {

RECT Normalized(int left, int top, int right, int bottom)
{
    return RECT { left < right ? left : right, top < bottom ? top : bottom, left < right ? right : left,
                  top < bottom ? bottom : top };
}

int ClipKind(const DeviceContext* dc)
{
    const RECT& clip = dc->state.clip;
    return clip.left < clip.right && clip.top < clip.bottom ? SIMPLEREGION : NULLREGION;
}

}  // namespace

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc)
        return ERROR;
    RECT device = ToDevice(dc, Normalized(left, top, right, bottom));
    if (!ClipTo(dc->state.clip, device))
        dc->state.clip = RECT {};
    return ClipKind(dc);
}

int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc)
        return ERROR;
    // Clips are single rectangles here: an excluded band that spans a whole side trims it, and
    // anything in the middle is left drawable (drawing a little too much beats losing a control).
    RECT cut = ToDevice(dc, Normalized(left, top, right, bottom));
    RECT& clip = dc->state.clip;
    bool spansWidth = cut.left <= clip.left && cut.right >= clip.right;
    bool spansHeight = cut.top <= clip.top && cut.bottom >= clip.bottom;
    if (spansWidth && cut.top <= clip.top && cut.bottom > clip.top) clip.top = cut.bottom;
    else if (spansWidth && cut.bottom >= clip.bottom && cut.top < clip.bottom) clip.bottom = cut.top;
    else if (spansHeight && cut.left <= clip.left && cut.right > clip.left) clip.left = cut.right;
    else if (spansHeight && cut.right >= clip.right && cut.left < clip.right) clip.right = cut.left;
    return ClipKind(dc);
}

int SelectClipRgn(HDC hdc, HRGN region)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc)
        return ERROR;
    dc->state.clip = dc->baseClip;
    if (!region)
        return ClipKind(dc);
    auto* object = FindAs<RegionObject>(region, Kind::Region);
    if (!object)
        return ERROR;
    // Region coordinates are device coordinates relative to the DC's origin.
    RECT device = object->box;
    OffsetRect(&device, dc->origin.x, dc->origin.y);
    if (!ClipTo(dc->state.clip, device))
        dc->state.clip = RECT {};
    return ClipKind(dc);
}

int GetClipBox(HDC hdc, LPRECT rect)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc || !rect)
        return ERROR;
    POINT offset = ToDevice(dc, 0, 0);
    *rect = dc->state.clip;
    OffsetRect(rect, -offset.x, -offset.y);
    return ClipKind(dc);
}

HRGN CreateRectRgn(int left, int top, int right, int bottom)
{
    Guard guard(Lock());
    auto* region = new RegionObject;
    region->box = Normalized(left, top, right, bottom);
    return Register(region);
}

HRGN CreateRectRgnIndirect(const RECT* rect)
{
    return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode)
{
    Guard guard(Lock());
    auto* target = FindAs<RegionObject>(dest, Kind::Region);
    auto* first = FindAs<RegionObject>(src1, Kind::Region);
    auto* second = FindAs<RegionObject>(src2, Kind::Region);
    if (!target || !first)
        return ERROR;
    RECT result = first->box;
    if (mode == RGN_COPY) {
        result = first->box;
    } else if (!second) {
        return ERROR;
    } else if (mode == RGN_AND) {
        if (!IntersectRect(&result, &first->box, &second->box))
            result = RECT {};
    } else if (mode == RGN_OR) {
        // The bounding box: a union of rectangles is at most over-painted, never under-painted.
        UnionRect(&result, &first->box, &second->box);
    } else {
        return ERROR;
    }
    target->box = result;
    return IsRectEmpty(&result) ? NULLREGION : SIMPLEREGION;
}

int GetRgnBox(HRGN region, LPRECT rect)
{
    Guard guard(Lock());
    auto* object = FindAs<RegionObject>(region, Kind::Region);
    if (!object || !rect)
        return ERROR;
    *rect = object->box;
    return IsRectEmpty(rect) ? NULLREGION : SIMPLEREGION;
}
