// The STATIC class: left, centred and right aligned text, and bitmaps.
#include "ControlPaint.h"
#include "WindowImpl.h"

namespace wce::ui {

namespace {

struct StaticState : ControlState {
    HANDLE image = nullptr;
};

void PaintBitmap(HDC hdc, HBITMAP bitmap)
{
    BITMAP info {};
    if (!bitmap || !GetObjectW(bitmap, sizeof(info), &info))
        return;
    HDC memory = CreateCompatibleDC(hdc);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(hdc, 0, 0, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
}

void Paint(HWND hwnd)
{
    DWORD style = DWORD(GetWindowLongW(hwnd, GWL_STYLE));
    std::u16string text;
    {
        std::lock_guard<std::recursive_mutex> guard(TableLock());
        if (Window* window = FindWindowRecord(hwnd))
            text = window->text;
    }
    HANDLE image = ControlOf<StaticState>(hwnd)->image;
    bool enabled = IsWindowEnabled(hwnd);
    PaintControl(hwnd, WM_CTLCOLORSTATIC, [&](HDC hdc, RECT client) {
        UINT type = style & SS_TYPEMASK;
        if (type == SS_BITMAP) {
            PaintBitmap(hdc, image);
            return;
        }
        UINT format = DT_WORDBREAK | DT_NOPREFIX * ((style & SS_NOPREFIX) != 0);
        if (type == SS_CENTER)
            format |= DT_CENTER;
        else if (type == SS_RIGHT)
            format |= DT_RIGHT;
        else if (type == SS_LEFTNOWORDWRAP)
            format = DT_SINGLELINE;
        DrawControlText(hdc, text, client, format, enabled);
    });
}

}  // namespace

LRESULT StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case STM_SETIMAGE: {
        StaticState* state = ControlOf<StaticState>(hwnd);
        HANDLE previous = state->image;
        state->image = reinterpret_cast<HANDLE>(lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return LRESULT(previous);
    }
    case STM_GETIMAGE: return LRESULT(ControlOf<StaticState>(hwnd)->image);
    case WM_LBUTTONUP:
        if (GetWindowLongW(hwnd, GWL_STYLE) & SS_NOTIFY)
            NotifyParent(hwnd, 0 /* STN_CLICKED */);
        return 0;
    case WM_GETDLGCODE: return DLGC_STATIC;
    case WM_PAINT: Paint(hwnd); return 0;
    case WM_ERASEBKGND: return 1;
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace wce::ui
