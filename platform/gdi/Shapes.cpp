// Filled and framed rectangles, ellipses and lines.
#include "GdiPrivate.h"

namespace gdi {

uint32_t Blend(uint32_t dst, uint32_t src, unsigned alpha)
{
    unsigned inverse = 255 - alpha;
    uint32_t r = ((src >> 16 & 0xFF) * alpha + (dst >> 16 & 0xFF) * inverse + 127) / 255;
    uint32_t g = ((src >> 8 & 0xFF) * alpha + (dst >> 8 & 0xFF) * inverse + 127) / 255;
    uint32_t b = ((src & 0xFF) * alpha + (dst & 0xFF) * inverse + 127) / 255;
    return r << 16 | g << 8 | b;
}

void FillSolid(DeviceContext* dc, const RECT& device, uint32_t rgb)
{
    Target target = TargetOf(dc);
    RECT area = device;
    if (target.Empty() || !ClipTo(area, target.clip))
        return;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            target.bitmap->Set(x, y, rgb);
    Touch(dc, area);
}

void FillWithBrush(DeviceContext* dc, const RECT& device, BrushObject* brush)
{
    if (!brush || brush->style == BS_NULL)
        return;
    if (brush->style != BS_PATTERN) {
        FillSolid(dc, device, ResolveColor(dc, brush->color));
        return;
    }
    Target target = TargetOf(dc);
    RECT area = device;
    if (target.Empty() || !ClipTo(area, target.clip))
        return;
    // Patterns are anchored at the DC's origin (plus the brush origin), so adjacent fills line up.
    for (int y = area.top; y < area.bottom; ++y) {
        int py = (y - dc->origin.y - dc->state.brushOrigin.y) % brush->patternHeight;
        py += py < 0 ? brush->patternHeight : 0;
        for (int x = area.left; x < area.right; ++x) {
            int px = (x - dc->origin.x - dc->state.brushOrigin.x) % brush->patternWidth;
            px += px < 0 ? brush->patternWidth : 0;
            target.bitmap->Set(x, y, brush->pattern[size_t(py) * brush->patternWidth + px]);
        }
    }
    Touch(dc, area);
}

}  // namespace gdi

using namespace gdi;

namespace {

// FillRect and class backgrounds accept a system colour index plus one in place of a brush.
BrushObject* BrushFrom(HBRUSH handle)
{
    auto value = reinterpret_cast<uintptr_t>(handle);
    if (value > 0 && value <= COLOR_STATICTEXT + 1)
        handle = GetSysColorBrush(int(value - 1));
    return FindAs<BrushObject>(handle, Kind::Brush);
}

RECT Ordered(int left, int top, int right, int bottom)
{
    return RECT { left < right ? left : right, top < bottom ? top : bottom, left < right ? right : left,
                  top < bottom ? bottom : top };
}

void PlotPen(DeviceContext* dc, int x, int y, uint32_t rgb, int width)
{
    int half = width / 2;
    FillSolid(dc, RECT { x - half, y - half, x - half + width, y - half + width }, rgb);
}

// Bresenham between two device points, the end point excluded, as LineTo draws.
void DrawLine(DeviceContext* dc, POINT from, POINT to)
{
    PenObject* pen = dc->state.pen;
    if (!pen || pen->style == PS_NULL)
        return;
    uint32_t rgb = ResolveColor(dc, pen->color);
    int dx = to.x > from.x ? to.x - from.x : from.x - to.x;
    int dy = to.y > from.y ? from.y - to.y : to.y - from.y;
    int sx = from.x < to.x ? 1 : -1;
    int sy = from.y < to.y ? 1 : -1;
    int error = dx + dy;
    int step = 0;
    for (int x = from.x, y = from.y; x != to.x || y != to.y; ++step) {
        if (pen->style != PS_DASH || step % 6 < 4)
            PlotPen(dc, x, y, rgb, pen->width);
        int doubled = 2 * error;
        if (doubled >= dy) { error += dy; x += sx; }
        if (doubled <= dx) { error += dx; y += sy; }
    }
}

void FrameDevice(DeviceContext* dc, const RECT& r, uint32_t rgb, int width)
{
    FillSolid(dc, RECT { r.left, r.top, r.right, r.top + width }, rgb);
    FillSolid(dc, RECT { r.left, r.bottom - width, r.right, r.bottom }, rgb);
    FillSolid(dc, RECT { r.left, r.top + width, r.left + width, r.bottom - width }, rgb);
    FillSolid(dc, RECT { r.right - width, r.top + width, r.right, r.bottom - width }, rgb);
}

// Fills and outlines an axis-aligned ellipse-cornered box; radius 0 is a rectangle and a radius
// of half the size is an ellipse.
void RoundShape(DeviceContext* dc, RECT r, int rx, int ry)
{
    int width = r.right - r.left;
    int height = r.bottom - r.top;
    if (width <= 0 || height <= 0)
        return;
    rx = rx > width / 2 ? width / 2 : rx;
    ry = ry > height / 2 ? height / 2 : ry;
    BrushObject* brush = dc->state.brush;
    PenObject* pen = dc->state.pen;
    bool outline = pen && pen->style != PS_NULL;
    uint32_t penRgb = outline ? ResolveColor(dc, pen->color) : 0;
    for (int y = 0; y < height; ++y) {
        int inset = 0;
        int dyEdge = y < ry ? ry - y : (y >= height - ry ? y - (height - ry - 1) : 0);
        if (dyEdge > 0 && ry > 0) {
            double t = double(dyEdge) / ry;
            double root = 1.0 - t * t;
            inset = int(rx - rx * (root > 0 ? __builtin_sqrt(root) : 0.0) + 0.5);
        }
        RECT span { r.left + inset, r.top + y, r.right - inset, r.top + y + 1 };
        FillWithBrush(dc, span, brush);
        if (outline) {
            bool edgeRow = y == 0 || y == height - 1;
            if (edgeRow)
                FillSolid(dc, span, penRgb);
            else {
                FillSolid(dc, RECT { span.left, span.top, span.left + 1, span.bottom }, penRgb);
                FillSolid(dc, RECT { span.right - 1, span.top, span.right, span.bottom }, penRgb);
            }
        }
    }
}

}  // namespace

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    BrushObject* object = BrushFrom(brush);
    if (!dc || !rect || !object)
        return 0;
    FillWithBrush(dc, ToDevice(dc, *rect), object);
    return 1;
}

int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    BrushObject* object = BrushFrom(brush);
    if (!dc || !rect || !object)
        return 0;
    RECT r = ToDevice(dc, *rect);
    if (r.left >= r.right || r.top >= r.bottom)
        return 1;
    FillWithBrush(dc, RECT { r.left, r.top, r.right, r.top + 1 }, object);
    FillWithBrush(dc, RECT { r.left, r.bottom - 1, r.right, r.bottom }, object);
    FillWithBrush(dc, RECT { r.left, r.top + 1, r.left + 1, r.bottom - 1 }, object);
    FillWithBrush(dc, RECT { r.right - 1, r.top + 1, r.right, r.bottom - 1 }, object);
    return 1;
}

BOOL InvertRect(HDC hdc, const RECT* rect)
{
    if (!rect)
        return FALSE;
    return PatBlt(hdc, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, DSTINVERT);
}

BOOL DrawFocusRect(HDC hdc, const RECT* rect)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc || !rect)
        return FALSE;
    // A dotted frame: every other pixel inverted, so drawing it twice removes it.
    Target target = TargetOf(dc);
    RECT r = ToDevice(dc, *rect);
    if (target.Empty())
        return TRUE;
    auto invert = [&](int x, int y) {
        RECT p { x, y, x + 1, y + 1 };
        if (ClipTo(p, target.clip))
            target.bitmap->Set(x, y, ~target.bitmap->Get(x, y) & 0xFFFFFF);
    };
    for (int x = r.left; x < r.right; x += 2) {
        invert(x, r.top);
        invert(x, r.bottom - 1);
    }
    for (int y = r.top + 2; y < r.bottom - 1; y += 2) {
        invert(r.left, y);
        invert(r.right - 1, y);
    }
    Touch(dc, r);
    return TRUE;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc)
        return FALSE;
    RECT r = ToDevice(dc, Ordered(left, top, right, bottom));
    PenObject* pen = dc->state.pen;
    bool outline = pen && pen->style != PS_NULL;
    int width = outline ? pen->width : 0;
    FillWithBrush(dc, RECT { r.left + width, r.top + width, r.right - width, r.bottom - width }, dc->state.brush);
    if (outline)
        FrameDevice(dc, r, ResolveColor(dc, pen->color), width);
    return TRUE;
}

BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc)
        return FALSE;
    RoundShape(dc, ToDevice(dc, Ordered(left, top, right, bottom)), width / 2, height / 2);
    return TRUE;
}

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc)
        return FALSE;
    RECT r = ToDevice(dc, Ordered(left, top, right, bottom));
    RoundShape(dc, r, (r.right - r.left) / 2, (r.bottom - r.top) / 2);
    return TRUE;
}

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT previous)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc)
        return FALSE;
    if (previous)
        *previous = dc->state.position;
    dc->state.position = POINT { x, y };
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc)
        return FALSE;
    DrawLine(dc, ToDevice(dc, dc->state.position.x, dc->state.position.y), ToDevice(dc, x, y));
    dc->state.position = POINT { x, y };
    return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* points, int count)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc || !points || count < 2)
        return FALSE;
    for (int i = 1; i < count; ++i)
        DrawLine(dc, ToDevice(dc, points[i - 1].x, points[i - 1].y), ToDevice(dc, points[i].x, points[i].y));
    return TRUE;
}

BOOL Polygon(HDC hdc, const POINT* points, int count)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc || !points || count < 2)
        return FALSE;
    // Filled with the brush by even-odd scanlines, then outlined with the pen.
    int top = points[0].y, bottom = points[0].y;
    for (int i = 1; i < count; ++i) {
        top = points[i].y < top ? points[i].y : top;
        bottom = points[i].y > bottom ? points[i].y : bottom;
    }
    for (int y = top; y < bottom; ++y) {
        int crossings[64];
        int found = 0;
        for (int i = 0; i < count && found < 64; ++i) {
            POINT a = points[i], b = points[(i + 1) % count];
            if ((a.y <= y && b.y > y) || (b.y <= y && a.y > y))
                crossings[found++] = a.x + int(int64_t(y - a.y) * (b.x - a.x) / (b.y - a.y));
        }
        for (int i = 1; i < found; ++i)
            for (int j = i; j > 0 && crossings[j] < crossings[j - 1]; --j)
                std::swap(crossings[j], crossings[j - 1]);
        for (int i = 0; i + 1 < found; i += 2)
            FillWithBrush(dc, ToDevice(dc, RECT { crossings[i], y, crossings[i + 1], y + 1 }), dc->state.brush);
    }
    for (int i = 0; i < count; ++i)
        DrawLine(dc, ToDevice(dc, points[i].x, points[i].y),
                 ToDevice(dc, points[(i + 1) % count].x, points[(i + 1) % count].y));
    return TRUE;
}
