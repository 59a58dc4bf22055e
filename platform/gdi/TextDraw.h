// Text primitives shared by ExtTextOutW and DrawTextW; callers hold the drawing lock.
#pragma once

#include "GdiPrivate.h"

namespace gdi {

// Draws one run with its cell's top-left at logical (x, y) in the DC's font, text colour and
// background mode, clipped to the logical clip rectangle when one is given. Returns its width.
int DrawRun(DeviceContext* dc, int x, int y, const WCHAR* text, int count, const int* dx, const RECT* clip);
int RunWidth(DeviceContext* dc, const WCHAR* text, int count);
int LineHeight(DeviceContext* dc);

}  // namespace gdi
