// What the window manager and the display need from the drawing layer: the screen surface,
// device contexts on it, and font measures for dialog units. Not part of the API.
#pragma once

#include <cstddef>
#include <cstdint>

#include "WinGdi.h"

// The device screen is one 32-bit 0x00RRGGBB framebuffer of the profile's screen size. Every
// window draws into it through a surface DC; the display copies it out.
struct WceSurfaceInfo {
    const uint32_t* pixels;   // row 0 is the top of the screen
    int width;
    int height;
    int strideBytes;
    uint32_t changeCount;     // bumped by every drawing call that touched the surface
    RECT dirty;               // union of what changed since the last WceTakeSurfaceDirty; empty if none
};

// A DC whose logical (0,0) is the screen point (originX, originY), clipped to clipOnScreen (screen
// coordinates; null clips to the whole screen). GetDC/BeginPaint make one per call; ReleaseDC and
// EndPaint free it with DeleteDC. Returns null when the screen cannot be made.
HDC WceCreateSurfaceDC(int originX, int originY, const RECT* clipOnScreen);

// Locks the surface against drawing and describes it; every drawing call on a surface DC takes
// the same lock, so the display reads whole frames. Pair with WceUnlockSurface.
void WceLockSurface(WceSurfaceInfo* info);
void WceUnlockSurface();

// Returns what changed since the previous call and forgets it; false when nothing did.
bool WceTakeSurfaceDirty(RECT* dirty);

// Rebuilds the surface at the profile's current screen size, cleared to white (tests that switch
// the device profile call it after wce::ReloadDeviceProfile).
void WceResetSurface();

// Average character width and the line height of a font, as dialog units need them (the width is
// the mean advance of "A".."Z" and "a".."z", rounded). Null font: the system font.
bool WceGetFontCharSize(const LOGFONTW* font, int* averageWidth, int* height);
bool WceGetDCCharSize(HDC hdc, int* averageWidth, int* height);

// The DC's logical origin on its surface (viewport origin included); U1 uses it to map carets.
bool WceGetDCOrigin(HDC hdc, POINT* origin);

// An icon's straight-alpha 0xAARRGGBB pixels, top row first (the desktop window shows the
// program's icon with them). With argb null only the size is given; false for an unknown icon or
// a buffer of fewer than width * height entries.
bool WceGetIconPixels(HICON icon, int* width, int* height, uint32_t* argb, size_t capacity);

// A text run drawn on the screen whose ink its clip cut at the left or right: text a control
// shows cut off mid-letter rather than ending with an ellipsis. The clip is in screen pixels;
// the text is cut to 63 characters.
struct WceCutText {
    RECT clip;
    WCHAR text[64];
};
// The cut runs drawn since the last call, oldest first (the last 64 are kept), copied into out up
// to capacity; the record is emptied. Tests repaint a whole screen and then look.
size_t WceTakeCutTexts(WceCutText* out, size_t capacity);
