// The four icons of the MB_ICON* styles, drawn with plain shapes so that they need no resources.
#pragma once

#include "wce/WinUser.h"

namespace wce::ui {

// Whether the style names one of the four icons.
bool HasMessageBoxIcon(UINT style);
// The icon's side in pixels: smaller on a Smartphone's narrow screen.
int MessageBoxIconSize();
// Draws the style's icon with its top-left corner at topLeft; nothing for a style without one.
void DrawMessageBoxIcon(HDC hdc, POINT topLeft, UINT style);

}  // namespace wce::ui
