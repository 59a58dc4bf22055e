// Painting helpers shared by the controls.
#pragma once

#include <string>

#include "wce/WinUser.h"

namespace wce::ui {

// Begins painting a control: asks its parent for the colours with colourMessage (WM_CTLCOLOR...),
// fills the client area with the brush it returns, and hands the DC to draw. Null DC: nothing to
// draw on (no screen), and draw is not called.
template <typename Draw>
void PaintControl(HWND hwnd, UINT colourMessage, Draw draw);

HBRUSH AskControlColour(HWND hwnd, UINT colourMessage, HDC hdc);
void DrawControlText(HDC hdc, const std::u16string& text, RECT rect, UINT format, bool enabled);

// True when the device profile is a Smartphone: soft keys instead of the button bar, and the
// title strip of that family.
bool IsSmartphoneLook();

}  // namespace wce::ui

#include "ControlPaintImpl.h"
