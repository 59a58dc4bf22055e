// The shell's caption bar along the top of the screen: the active window's caption and, at the
// right, its OK button (a dialog with a Done button) or its close button. A Smartphone has no
// stylus: its title strip shows the caption alone, and the soft keys and Back end a page.
#include "ControlPaint.h"
#include "WindowImpl.h"
#include "wce/DeviceProfile.h"
#include "wce/Shell.h"

namespace wce::ui {

namespace {

// The window whose caption the bar shows: the active one, or the owner of an active popup
// (the menu bar and the drop-down lists have no caption of their own).
HWND CaptionOwner()
{
    HWND active = GetActiveWindow();
    while (active && (ClassIs(active, u"menu_worker") || ClassIs(active, u"ComboLBox") ||
                      ClassIs(active, u"menu_popup")))
        active = GetWindow(active, GW_OWNER);
    return active;
}

RECT ButtonRect()
{
    int width = GetDeviceProfile().screenWidth;
    return RECT { width - 30, 0, width, CAPTION_BAR_HEIGHT };
}

void DrawPocketPcBar(HDC hdc, RECT bar, HWND owner, const WCHAR* caption)
{
    FillRect(hdc, &bar, GetSysColorBrush(COLOR_ACTIVECAPTION));
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, GetSysColor(COLOR_CAPTIONTEXT));
    RECT text { 6, 0, bar.right - 34, CAPTION_BAR_HEIGHT };
    DrawTextW(hdc, caption, -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (owner) {
        bool okButton = GetWindowLongW(owner, GWL_EXSTYLE) & WS_EX_CAPTIONOKBTN;
        RECT button = ButtonRect();
        InflateRect(&button, -3, -4);
        FrameRect(hdc, &button, GetSysColorBrush(COLOR_CAPTIONTEXT));
        DrawTextW(hdc, okButton ? u"ok" : u"\u00D7", -1, &button, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

// The same dark strip as the soft keys at the bottom, with a line in the highlight colour under
// the caption.
void DrawSmartphoneBar(HDC hdc, RECT bar, const WCHAR* caption)
{
    HBRUSH strip = CreateSolidBrush(RGB(36, 44, 60));
    FillRect(hdc, &bar, strip);
    DeleteObject(strip);
    RECT line { bar.left, bar.bottom - 2, bar.right, bar.bottom };
    FillRect(hdc, &line, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, RGB(255, 255, 255));
    RECT text { 6, 0, bar.right - 6, bar.bottom - 2 };
    DrawTextW(hdc, caption, -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

}  // namespace

void PaintCaptionBar()
{
    if (!CanPaint())
        return;
    RECT bar { 0, 0, GetDeviceProfile().screenWidth, CAPTION_BAR_HEIGHT };
    HDC hdc = WceCreateSurfaceDC(0, 0, &bar);
    if (!hdc)
        return;
    HWND owner = CaptionOwner();
    WCHAR caption[128] = {};
    if (owner)
        InternalGetText(owner, caption, 128);
    if (IsSmartphoneLook())
        DrawSmartphoneBar(hdc, bar, caption);
    else
        DrawPocketPcBar(hdc, bar, owner, caption);
    DeleteDC(hdc);
}

// A tap on the caption bar's button: OK is the window's IDOK command, the close button closes it.
bool TapCaptionBar(POINT point)
{
    RECT button = ButtonRect();
    HWND owner = CaptionOwner();
    if (!owner || IsSmartphoneLook())
        return false;
    if (point.x < button.left || point.x >= button.right || point.y < 0 || point.y >= button.bottom)
        return false;
    if (GetWindowLongW(owner, GWL_EXSTYLE) & WS_EX_CAPTIONOKBTN)
        PostMessageW(owner, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    else
        PostMessageW(owner, WM_CLOSE, 0, 0);
    return true;
}

}  // namespace wce::ui
