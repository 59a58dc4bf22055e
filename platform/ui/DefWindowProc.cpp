// DefWindowProcW: the default handling of every message a window procedure passes on.
#include <algorithm>

#include "GdiLink.h"
#include "RemoteProtocol.h"
#include "WindowImpl.h"
#include "wce/WinBase.h"

using namespace wce::ui;

namespace {

LRESULT SetText(HWND hwnd, LPCWSTR text)
{
    {
        std::lock_guard<std::recursive_mutex> guard(TableLock());
        Window* window = FindWindowRecord(hwnd);
        if (!window)
            return FALSE;
        window->text = text ? text : u"";
    }
    InvalidateRect(hwnd, nullptr, TRUE);
    if (!(GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD))
        PublishTopLevel(hwnd);   // other processes look top-level windows up by title
    if (GetActiveWindow() == hwnd)
        PaintCaptionBar();   // the caption bar shows the active window's text
    return TRUE;
}

// Copies at most size - 1 characters and always terminates; returns the count copied.
LRESULT GetText(HWND hwnd, WPARAM size, LPWSTR buffer)
{
    if (!buffer || size == 0)
        return 0;
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    Window* window = FindWindowRecord(hwnd);
    if (!window) {
        buffer[0] = 0;
        return 0;
    }
    size_t count = std::min<size_t>(window->text.size(), size - 1);
    std::copy_n(window->text.begin(), count, buffer);
    buffer[count] = 0;
    return LRESULT(count);
}

HBRUSH ClassBrush(HWND hwnd)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    Window* window = FindWindowRecord(hwnd);
    if (!window)
        return nullptr;
    HBRUSH brush = window->windowClass->info.hbrBackground;
    // A class may name a system colour as COLOR_xxx + 1 instead of a brush.
    if (brush && uintptr_t(brush) <= 64)
        return GetSysColorBrush(int(uintptr_t(brush) - 1));
    return brush;
}

LRESULT EraseBackground(HWND hwnd, HDC hdc)
{
    HBRUSH brush = ClassBrush(hwnd);
    if (!brush || !hdc || !CanPaint())
        return 0;
    RECT client {};
    GetClientRect(hwnd, &client);
    FillRect(hdc, &client, brush);
    return 1;
}

// Controls and dialogs are drawn on the window colour, as the device's shell does.
LRESULT DefaultControlColour(UINT message, HDC hdc)
{
    if (!CanPaint())
        return 0;
    if (hdc) {
        SetTextColor(hdc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(hdc, GetSysColor(COLOR_WINDOW));
    }
    return LRESULT(GetSysColorBrush(COLOR_WINDOW));
}

void Paint(HWND hwnd)
{
    PAINTSTRUCT paint;
    BeginPaint(hwnd, &paint);
    EndPaint(hwnd, &paint);
}

LRESULT SetFont(HWND hwnd, HGDIOBJ font)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    if (Window* window = FindWindowRecord(hwnd))
        window->font = font;
    return 0;
}

LRESULT GetFont(HWND hwnd)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    Window* window = FindWindowRecord(hwnd);
    return window ? LRESULT(window->font) : 0;
}

}  // namespace

LRESULT DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    switch (Msg) {
    case WM_NCCREATE: return TRUE;
    case WM_SETTEXT: return SetText(hWnd, reinterpret_cast<LPCWSTR>(lParam));
    case WM_GETTEXT: return GetText(hWnd, wParam, reinterpret_cast<LPWSTR>(lParam));
    case WM_GETTEXTLENGTH: {
        std::lock_guard<std::recursive_mutex> guard(TableLock());
        Window* window = FindWindowRecord(hWnd);
        return window ? LRESULT(window->text.size()) : 0;
    }
    case WM_PAINT: Paint(hWnd); return 0;
    case WM_ERASEBKGND: return EraseBackground(hWnd, reinterpret_cast<HDC>(wParam));
    case WM_CLOSE: DestroyWindow(hWnd); return 0;
    case WM_SETFONT: return SetFont(hWnd, reinterpret_cast<HGDIOBJ>(wParam));
    case WM_GETFONT: return GetFont(hWnd);
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: return DefaultControlColour(Msg, reinterpret_cast<HDC>(wParam));
    case WM_ACTIVATE:
        if (LOWORD(wParam) && !IsChild(hWnd, GetFocus()))
            SetFocus(hWnd);
        return 0;
    case WM_GETDLGCODE: return 0;
    default: return 0;
    }
}
