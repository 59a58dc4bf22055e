// Template part of ControlPaint.h.
#pragma once

#include "GdiLink.h"

namespace wce::ui {

template <typename Draw>
void PaintControl(HWND hwnd, UINT colourMessage, Draw draw)
{
    PAINTSTRUCT paint;
    HDC hdc = BeginPaint(hwnd, &paint);
    if (hdc) {
        HBRUSH brush = AskControlColour(hwnd, colourMessage, hdc);
        RECT client {};
        GetClientRect(hwnd, &client);
        if (brush)
            FillRect(hdc, &client, brush);
        draw(hdc, client);
    }
    EndPaint(hwnd, &paint);
}

}  // namespace wce::ui
