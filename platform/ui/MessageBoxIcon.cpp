// The message box icons: a red disc with a cross (stop), a blue disc with a question mark or an
// "i" (question, information) and a yellow triangle with an exclamation mark, as on the device.
#include "MessageBoxIcon.h"

#include "ControlPaint.h"
#include "wce/WinGdi.h"

namespace wce::ui {

namespace {

constexpr COLORREF STOP_RED = RGB(204, 32, 32);
constexpr COLORREF QUESTION_BLUE = RGB(32, 96, 200);
constexpr COLORREF WARNING_YELLOW = RGB(248, 200, 32);
constexpr COLORREF OUTLINE = RGB(64, 64, 64);

void Disc(HDC hdc, RECT box, COLORREF fill)
{
    HGDIOBJ brush = SelectObject(hdc, CreateSolidBrush(fill));
    HGDIOBJ pen = SelectObject(hdc, CreatePen(PS_SOLID, 1, OUTLINE));
    Ellipse(hdc, box.left, box.top, box.right, box.bottom);
    DeleteObject(SelectObject(hdc, pen));
    DeleteObject(SelectObject(hdc, brush));
}

void Triangle(HDC hdc, RECT box)
{
    POINT corners[3] = { { (box.left + box.right) / 2, box.top }, { box.right - 1, box.bottom - 1 },
                         { box.left, box.bottom - 1 } };
    HGDIOBJ brush = SelectObject(hdc, CreateSolidBrush(WARNING_YELLOW));
    HGDIOBJ pen = SelectObject(hdc, CreatePen(PS_SOLID, 1, OUTLINE));
    Polygon(hdc, corners, 3);
    DeleteObject(SelectObject(hdc, pen));
    DeleteObject(SelectObject(hdc, brush));
}

void Cross(HDC hdc, RECT box)
{
    int inset = (box.right - box.left) / 3;
    HGDIOBJ pen = SelectObject(hdc, CreatePen(PS_SOLID, 3, RGB(255, 255, 255)));
    MoveToEx(hdc, box.left + inset, box.top + inset, nullptr);
    LineTo(hdc, box.right - inset, box.bottom - inset);
    MoveToEx(hdc, box.right - inset - 1, box.top + inset, nullptr);
    LineTo(hdc, box.left + inset - 1, box.bottom - inset);
    DeleteObject(SelectObject(hdc, pen));
}

// A mark in the middle of the icon, in the DC's font: "?", "i" or "!".
void Mark(HDC hdc, RECT box, const char16_t* mark, COLORREF ink, int raise)
{
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, ink);
    RECT text { box.left, box.top, box.right, box.bottom - raise };
    DrawTextW(hdc, mark, -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

}  // namespace

bool HasMessageBoxIcon(UINT style)
{
    UINT icon = style & MB_ICONMASK;
    return icon == MB_ICONHAND || icon == MB_ICONQUESTION || icon == MB_ICONEXCLAMATION || icon == MB_ICONASTERISK;
}

int MessageBoxIconSize()
{
    return IsSmartphoneLook() ? 18 : 24;
}

void DrawMessageBoxIcon(HDC hdc, POINT topLeft, UINT style)
{
    int size = MessageBoxIconSize();
    RECT box { topLeft.x, topLeft.y, topLeft.x + size, topLeft.y + size };
    switch (style & MB_ICONMASK) {
    case MB_ICONHAND:
        Disc(hdc, box, STOP_RED);
        Cross(hdc, box);
        break;
    case MB_ICONQUESTION:
        Disc(hdc, box, QUESTION_BLUE);
        Mark(hdc, box, u"?", RGB(255, 255, 255), 0);
        break;
    case MB_ICONASTERISK:
        Disc(hdc, box, QUESTION_BLUE);
        Mark(hdc, box, u"i", RGB(255, 255, 255), 0);
        break;
    case MB_ICONEXCLAMATION:
        Triangle(hdc, box);
        Mark(hdc, box, u"!", RGB(0, 0, 0), -2);
        break;
    default:
        break;
    }
}

}  // namespace wce::ui
