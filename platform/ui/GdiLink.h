// The drawing layer as the window manager sees it. The window manager works without it (headless
// tests of messages and dialogs); painting starts as soon as the drawing library is loaded.
#pragma once

#include "wce/GdiInternal.h"

HDC WceCreateSurfaceDC(int originX, int originY, const RECT* clipOnScreen) __attribute__((weak));

namespace wce::ui {

inline bool CanPaint()
{
    return &WceCreateSurfaceDC != nullptr;
}

}  // namespace wce::ui

bool WceGetFontCharSize(const LOGFONTW* font, int* averageWidth, int* height) __attribute__((weak));

namespace wce::ui {

// Width of text in the window's font; without a drawing layer, a fixed 6 pixels a character.
int MeasureText(HGDIOBJ font, const char16_t* text, int count);
// Line height of the window's font; 13 without a drawing layer.
int LineHeight(HGDIOBJ font);

}  // namespace wce::ui
