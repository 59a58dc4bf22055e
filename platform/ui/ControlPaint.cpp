// Colours from the parent and text drawing for the controls.
#include "ControlPaint.h"

#include "WindowImpl.h"

namespace wce::ui {

HBRUSH AskControlColour(HWND hwnd, UINT colourMessage, HDC hdc)
{
    SetTextColor(hdc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(hdc, GetSysColor(COLOR_WINDOW));
    HWND parent = GetParent(hwnd);
    LRESULT brush = parent ? SendMessageW(parent, colourMessage, WPARAM(hdc), LPARAM(hwnd)) : 0;
    // A parent that does not answer gets the default colours, as DefWindowProc would give them.
    if (!brush)
        brush = DefWindowProcW(hwnd, colourMessage, WPARAM(hdc), LPARAM(hwnd));
    return reinterpret_cast<HBRUSH>(brush);
}

void DrawControlText(HDC hdc, const std::u16string& text, RECT rect, UINT format, bool enabled)
{
    if (!enabled)
        SetTextColor(hdc, GetSysColor(COLOR_GRAYTEXT));
    DrawTextW(hdc, text.c_str(), int(text.size()), &rect, format);
}

}  // namespace wce::ui
