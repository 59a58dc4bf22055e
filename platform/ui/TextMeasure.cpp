// Text measures for layout (word wrap, list rows), through the drawing layer when it is there.
#include "GdiLink.h"

namespace wce::ui {

int MeasureText(HGDIOBJ font, const char16_t* text, int count)
{
    if (!CanPaint() || count <= 0)
        return count * 6;
    HDC hdc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = font ? SelectObject(hdc, font) : nullptr;
    SIZE size {};
    GetTextExtentPoint32W(hdc, text, count, &size);
    if (old)
        SelectObject(hdc, old);
    DeleteDC(hdc);
    return size.cx;
}

int LineHeight(HGDIOBJ font)
{
    if (!CanPaint())
        return 13;
    HDC hdc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = font ? SelectObject(hdc, font) : nullptr;
    TEXTMETRICW metrics {};
    int height = GetTextMetricsW(hdc, &metrics) ? int(metrics.tmHeight) : 13;
    if (old)
        SelectObject(hdc, old);
    DeleteDC(hdc);
    return height > 0 ? height : 13;
}

}  // namespace wce::ui
