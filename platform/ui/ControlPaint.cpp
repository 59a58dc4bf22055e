// Colours from the parent and text drawing for the controls.
#include "ControlPaint.h"

#include "WindowImpl.h"
#include "wce/DeviceProfile.h"

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

bool IsSmartphoneLook()
{
    const std::u16string& type = GetDeviceProfile().platformType;
    const std::u16string name = u"smartphone";
    if (type.size() != name.size())
        return false;
    for (size_t i = 0; i < type.size(); ++i)
        if ((type[i] >= u'A' && type[i] <= u'Z' ? char16_t(type[i] + 32) : type[i]) != name[i])
            return false;
    return true;
}

}  // namespace wce::ui
