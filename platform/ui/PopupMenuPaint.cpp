// Painting the popup menu: rows with their highlight, ticks, numbers and submenu arrows, and the
// scroll arrows of a menu taller than the screen.
#include "ControlPaint.h"
#include "PopupMenuImpl.h"

namespace wce::ui {

namespace {

void DrawTick(HDC hdc, const RECT& row)
{
    int x = row.left + 4;
    int y = (row.top + row.bottom) / 2;
    for (int thick = 0; thick < 2; ++thick) {
        MoveToEx(hdc, x, y - 1 + thick, nullptr);
        LineTo(hdc, x + 3, y + 2 + thick);
        LineTo(hdc, x + 9, y - 4 + thick);
    }
}

void DrawArrow(HDC hdc, const RECT& row)
{
    int y = (row.top + row.bottom) / 2;
    POINT tip[3] = { { row.right - 10, y - 4 }, { row.right - 10, y + 4 }, { row.right - 6, y } };
    Polygon(hdc, tip, 3);
}

void DrawRow(HDC hdc, const PopupRow& row, RECT rect, bool lit, int number)
{
    if (row.separator) {
        int y = (rect.top + rect.bottom) / 2;
        MoveToEx(hdc, rect.left + 2, y, nullptr);
        LineTo(hdc, rect.right - 2, y);
        return;
    }
    bool enabled = !(row.state & (MF_GRAYED | MF_DISABLED));
    if (lit)
        FillRect(hdc, &rect, GetSysColorBrush(COLOR_HIGHLIGHT));
    COLORREF ink = GetSysColor(!enabled ? COLOR_GRAYTEXT : lit ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT);
    SetTextColor(hdc, ink);
    HGDIOBJ pen = SelectObject(hdc, CreatePen(PS_SOLID, 1, ink));
    HGDIOBJ brush = SelectObject(hdc, CreateSolidBrush(ink));
    if (row.state & MF_CHECKED) {
        DrawTick(hdc, rect);
    } else if (number > 0) {
        char16_t digit[2] = { char16_t(u'0' + number), 0 };
        RECT box { rect.left, rect.top, rect.left + MARGIN, rect.bottom };
        DrawTextW(hdc, digit, 1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    if (row.subMenu)
        DrawArrow(hdc, rect);
    DeleteObject(SelectObject(hdc, brush));
    DeleteObject(SelectObject(hdc, pen));
    RECT text { rect.left + MARGIN, rect.top, rect.right - MARGIN, rect.bottom };
    DrawTextW(hdc, row.label.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

// An arrow in its strip, pointing the way the menu scrolls; dimmed when it cannot go further.
void DrawScrollArrow(HDC hdc, RECT strip, bool up, bool enabled)
{
    COLORREF ink = GetSysColor(enabled ? COLOR_MENUTEXT : COLOR_GRAYTEXT);
    HGDIOBJ pen = SelectObject(hdc, CreatePen(PS_SOLID, 1, ink));
    HGDIOBJ brush = SelectObject(hdc, CreateSolidBrush(ink));
    int x = (strip.left + strip.right) / 2;
    int y = (strip.top + strip.bottom) / 2;
    POINT tip[3] = { { x - 4, up ? y + 2 : y - 2 }, { x + 4, up ? y + 2 : y - 2 }, { x, up ? y - 2 : y + 2 } };
    Polygon(hdc, tip, 3);
    DeleteObject(SelectObject(hdc, brush));
    DeleteObject(SelectObject(hdc, pen));
}

}  // namespace

// The menu keeps the system's menu colours; its owner is not asked for any.
void PaintPopup(HWND hwnd, const PopupState& state)
{
    PAINTSTRUCT paint;
    if (HDC hdc = BeginPaint(hwnd, &paint)) {
        RECT client {};
        GetClientRect(hwnd, &client);
        FillRect(hdc, &client, GetSysColorBrush(COLOR_MENU));
        FrameRect(hdc, &client, GetSysColorBrush(COLOR_WINDOWFRAME));
        SetBkMode(hdc, TRANSPARENT);
        for (size_t i = size_t(state.firstRow); i < state.rows.size() && IsRowShown(hwnd, state, int(i)); ++i)
            DrawRow(hdc, state.rows[i], RowRect(hwnd, state, int(i)), int(i) == state.highlight,
                    ItemNumber(state, int(i)));
        if (state.scrolls) {
            RECT area = RowsArea(hwnd, state);
            DrawScrollArrow(hdc, RECT { area.left, 1, area.right, area.top }, true, CanScroll(hwnd, state, -1));
            DrawScrollArrow(hdc, RECT { area.left, area.bottom, area.right, client.bottom - 1 }, false,
                            CanScroll(hwnd, state, 1));
        }
    }
    EndPaint(hwnd, &paint);
}

}  // namespace wce::ui
