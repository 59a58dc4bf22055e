// Window rectangles, moving and mapping points. A window's client area is its whole rectangle:
// the device's windows have no frame of their own (the shell draws captions and menu bars).
#include <algorithm>

#include "WindowImpl.h"
#include "wce/WinBase.h"

using namespace wce::ui;

namespace wce::ui {

bool ClientRectOnScreen(HWND hwnd, RECT& rect)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    Window* window = FindWindowRecord(hwnd);
    if (!window)
        return false;
    rect = window->rect;
    for (Window* parent = FindWindowRecord(window->parent); parent; parent = FindWindowRecord(parent->parent)) {
        rect.left += parent->rect.left;
        rect.right += parent->rect.left;
        rect.top += parent->rect.top;
        rect.bottom += parent->rect.top;
    }
    return true;
}

}  // namespace wce::ui

BOOL GetClientRect(HWND hWnd, LPRECT lpRect)
{
    RECT screen {};
    if (!lpRect || !ClientRectOnScreen(hWnd, screen)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *lpRect = RECT { 0, 0, screen.right - screen.left, screen.bottom - screen.top };
    return TRUE;
}

BOOL GetWindowRect(HWND hWnd, LPRECT lpRect)
{
    if (!lpRect || !ClientRectOnScreen(hWnd, *lpRect)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags)
{
    RECT before {};
    RECT after {};
    HWND parent = nullptr;
    {
        std::lock_guard<std::recursive_mutex> guard(TableLock());
        Window* window = FindWindowRecord(hWnd);
        if (!window)
            return FALSE;
        before = window->rect;
        if (!(uFlags & SWP_NOMOVE)) {
            window->rect.right += X - window->rect.left;
            window->rect.bottom += Y - window->rect.top;
            window->rect.left = X;
            window->rect.top = Y;
        }
        if (!(uFlags & SWP_NOSIZE)) {
            window->rect.right = window->rect.left + std::max(cx, 0);
            window->rect.bottom = window->rect.top + std::max(cy, 0);
        }
        after = window->rect;
        parent = window->parent;
    }
    if (uFlags & SWP_SHOWWINDOW)
        ShowWindow(hWnd, SW_SHOWNA);
    if (uFlags & SWP_HIDEWINDOW)
        ShowWindow(hWnd, SW_HIDE);
    if (before.left != after.left || before.top != after.top)
        SendMessageW(hWnd, WM_MOVE, 0, MAKELONG(after.left, after.top));
    if (before.right - before.left != after.right - after.left || before.bottom - before.top != after.bottom - after.top)
        SendMessageW(hWnd, WM_SIZE, 0, MAKELONG(after.right - after.left, after.bottom - after.top));
    if (!(uFlags & SWP_NOREDRAW)) {
        if (parent)
            InvalidateRect(parent, &before, TRUE);
        else
            InvalidateScreen();
        InvalidateRect(hWnd, nullptr, TRUE);
    }
    return TRUE;
}

BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint)
{
    return SetWindowPos(hWnd, nullptr, X, Y, nWidth, nHeight,
                        SWP_NOZORDER | SWP_NOACTIVATE | (bRepaint ? 0 : SWP_NOREDRAW));
}

static bool Origin(HWND hwnd, POINT& origin)
{
    origin = POINT { 0, 0 };
    if (!hwnd)
        return true;   // the desktop: screen coordinates
    RECT rect {};
    if (!ClientRectOnScreen(hwnd, rect))
        return false;
    origin = POINT { rect.left, rect.top };
    return true;
}

int MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints, UINT cPoints)
{
    POINT from {};
    POINT to {};
    if (!Origin(hWndFrom, from) || !Origin(hWndTo, to)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    LONG dx = from.x - to.x;
    LONG dy = from.y - to.y;
    for (UINT i = 0; lpPoints && i < cPoints; ++i) {
        lpPoints[i].x += dx;
        lpPoints[i].y += dy;
    }
    return MAKELONG(WORD(dx), WORD(dy));
}

BOOL ScreenToClient(HWND hWnd, LPPOINT lpPoint)
{
    if (!IsWindow(hWnd) || !lpPoint)
        return FALSE;
    MapWindowPoints(nullptr, hWnd, lpPoint, 1);
    return TRUE;
}

BOOL ClientToScreen(HWND hWnd, LPPOINT lpPoint)
{
    if (!IsWindow(hWnd) || !lpPoint)
        return FALSE;
    MapWindowPoints(hWnd, nullptr, lpPoint, 1);
    return TRUE;
}

static bool Contains(const RECT& rect, POINT point)
{
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top && point.y < rect.bottom;
}

HWND ChildWindowFromPoint(HWND hWndParent, POINT Point)
{
    // Point is in the parent's client coordinates; the topmost visible child holding it wins.
    for (HWND child : ChildWindows(hWndParent)) {
        std::lock_guard<std::recursive_mutex> guard(TableLock());
        Window* window = FindWindowRecord(child);
        if (window && (window->style & WS_VISIBLE) && Contains(window->rect, Point))
            return child;
    }
    RECT client {};
    GetClientRect(hWndParent, &client);
    return Contains(client, Point) ? hWndParent : nullptr;
}

HWND WindowFromPoint(POINT Point)
{
    std::vector<HWND> tops = TopLevelWindows();
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
        RECT rect {};
        if (!IsWindowVisible(*it) || !GetWindowRect(*it, &rect) || !Contains(rect, Point))
            continue;
        HWND hit = *it;
        for (;;) {
            POINT local = Point;
            ScreenToClient(hit, &local);
            HWND child = ChildWindowFromPoint(hit, local);
            if (!child || child == hit)
                return hit;
            hit = child;
        }
    }
    return nullptr;
}
