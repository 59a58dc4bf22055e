// Rectangle arithmetic.
#include "GdiPrivate.h"

BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom)
{
    if (!rect)
        return FALSE;
    *rect = RECT { left, top, right, bottom };
    return TRUE;
}

BOOL SetRectEmpty(LPRECT rect)
{
    return SetRect(rect, 0, 0, 0, 0);
}

BOOL CopyRect(LPRECT dest, const RECT* src)
{
    if (!dest || !src)
        return FALSE;
    *dest = *src;
    return TRUE;
}

BOOL InflateRect(LPRECT rect, int dx, int dy)
{
    if (!rect)
        return FALSE;
    rect->left -= dx;
    rect->top -= dy;
    rect->right += dx;
    rect->bottom += dy;
    return TRUE;
}

BOOL OffsetRect(LPRECT rect, int dx, int dy)
{
    if (!rect)
        return FALSE;
    rect->left += dx;
    rect->right += dx;
    rect->top += dy;
    rect->bottom += dy;
    return TRUE;
}

BOOL IsRectEmpty(const RECT* rect)
{
    return !rect || rect->left >= rect->right || rect->top >= rect->bottom;
}

BOOL IntersectRect(LPRECT dest, const RECT* src1, const RECT* src2)
{
    if (!dest || !src1 || !src2)
        return FALSE;
    RECT result { src1->left > src2->left ? src1->left : src2->left, src1->top > src2->top ? src1->top : src2->top,
                  src1->right < src2->right ? src1->right : src2->right,
                  src1->bottom < src2->bottom ? src1->bottom : src2->bottom };
    if (IsRectEmpty(&result)) {
        *dest = RECT {};
        return FALSE;
    }
    *dest = result;
    return TRUE;
}

BOOL UnionRect(LPRECT dest, const RECT* src1, const RECT* src2)
{
    if (!dest || !src1 || !src2)
        return FALSE;
    if (IsRectEmpty(src1) && IsRectEmpty(src2)) {
        *dest = RECT {};
        return FALSE;
    }
    if (IsRectEmpty(src1)) {
        *dest = *src2;
        return TRUE;
    }
    if (IsRectEmpty(src2)) {
        *dest = *src1;
        return TRUE;
    }
    *dest = RECT { src1->left < src2->left ? src1->left : src2->left, src1->top < src2->top ? src1->top : src2->top,
                   src1->right > src2->right ? src1->right : src2->right,
                   src1->bottom > src2->bottom ? src1->bottom : src2->bottom };
    return TRUE;
}

BOOL PtInRect(const RECT* rect, POINT point)
{
    return rect && point.x >= rect->left && point.x < rect->right && point.y >= rect->top && point.y < rect->bottom;
}

BOOL EqualRect(const RECT* rect1, const RECT* rect2)
{
    return rect1 && rect2 && rect1->left == rect2->left && rect1->top == rect2->top &&
           rect1->right == rect2->right && rect1->bottom == rect2->bottom;
}
