// Invalidation, WM_PAINT and device contexts on the device screen.
#include <algorithm>

#include "GdiLink.h"
#include "MessageQueueImpl.h"
#include "WindowImpl.h"
#include "wce/Shell.h"
#include "wce/WinBase.h"

using namespace wce::ui;

namespace {

void MarkTree(Window& window, bool erase)
{
    window.needsPaint = true;
    window.needsErase = window.needsErase || erase;
    for (HWND child : window.children)
        if (Window* record = FindWindowRecord(child))
            MarkTree(*record, erase);
}

HWND FindDirty(HWND hwnd, DWORD threadId, HWND filter)
{
    Window* window = FindWindowRecord(hwnd);
    if (!window || !(window->style & WS_VISIBLE))
        return nullptr;
    if (window->needsPaint && window->threadId == threadId && (!filter || hwnd == filter || IsChild(filter, hwnd)))
        return hwnd;
    for (HWND child : window->children)
        if (HWND found = FindDirty(child, threadId, filter))
            return found;
    return nullptr;
}

bool Intersect(RECT& a, const RECT& b)
{
    a.left = std::max(a.left, b.left);
    a.top = std::max(a.top, b.top);
    a.right = std::min(a.right, b.right);
    a.bottom = std::min(a.bottom, b.bottom);
    return a.left < a.right && a.top < a.bottom;
}

// The part of the screen a window may draw on: its client area cut by every ancestor's.
RECT VisibleClip(HWND hwnd)
{
    RECT clip {};
    ClientRectOnScreen(hwnd, clip);
    for (HWND parent = GetParent(hwnd); parent && GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD;
         hwnd = parent, parent = GetParent(parent)) {
        RECT outer {};
        ClientRectOnScreen(parent, outer);
        if (!Intersect(clip, outer))
            return RECT {};
        if (!(GetWindowLongW(parent, GWL_STYLE) & WS_CHILD))
            break;
    }
    return clip;
}

HWND TopLevelOf(HWND hwnd)
{
    while (GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD)
        hwnd = GetParent(hwnd);
    return hwnd;
}

// Drawing a window lower in the stack lands on the shared screen; what lies above is drawn again.
void RepaintWindowsAbove(HWND hwnd)
{
    std::vector<HWND> tops = TopLevelWindows();
    auto at = std::find(tops.begin(), tops.end(), TopLevelOf(hwnd));
    if (at == tops.end())
        return;
    RECT mine = VisibleClip(hwnd);
    for (++at; at != tops.end(); ++at) {
        RECT theirs {};
        if (IsWindowVisible(*at) && GetWindowRect(*at, &theirs) && Intersect(theirs, mine))
            InvalidateRect(*at, nullptr, TRUE);
    }
}

HDC MakeDC(HWND hwnd)
{
    if (!CanPaint())
        return nullptr;
    RECT client {};
    if (!ClientRectOnScreen(hwnd, client))
        return nullptr;
    RECT clip = VisibleClip(hwnd);
    return WceCreateSurfaceDC(client.left, client.top, &clip);
}

}  // namespace

namespace wce::ui {

HWND FindWindowNeedingPaint(DWORD threadId, HWND filter)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    for (HWND top : TopLevelWindows())
        if (HWND found = FindDirty(top, threadId, filter))
            return found;
    return nullptr;
}

void UncoverScreenArea(const RECT& area)
{
    // What a top-level window leaves behind is the empty desktop until the windows below repaint.
    if (CanPaint()) {
        if (HDC hdc = WceCreateSurfaceDC(0, 0, &area)) {
            RECT local { 0, 0, area.right, area.bottom };
            FillRect(hdc, &local, GetSysColorBrush(COLOR_WINDOW));
            DeleteDC(hdc);
        }
    }
    InvalidateScreen();
    PaintCaptionBar();
}

void InvalidateScreen()
{
    for (HWND top : TopLevelWindows())
        if (IsWindowVisible(top))
            InvalidateRect(top, nullptr, TRUE);
}

}  // namespace wce::ui

BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase)
{
    if (!hWnd) {
        InvalidateScreen();
        return TRUE;
    }
    DWORD threadId = 0;
    {
        std::lock_guard<std::recursive_mutex> guard(TableLock());
        Window* window = FindWindowRecord(hWnd);
        if (!window)
            return FALSE;
        MarkTree(*window, bErase != FALSE);
        threadId = window->threadId;
    }
    WakeThread(threadId);
    return TRUE;
}

BOOL ValidateRect(HWND hWnd, const RECT* lpRect)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    Window* window = FindWindowRecord(hWnd);
    if (!window)
        return FALSE;
    window->needsPaint = false;
    window->needsErase = false;
    return TRUE;
}

BOOL GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL bErase)
{
    bool dirty = false;
    {
        std::lock_guard<std::recursive_mutex> guard(TableLock());
        Window* window = FindWindowRecord(hWnd);
        dirty = window && window->needsPaint;
    }
    if (lpRect) {
        *lpRect = RECT {};
        if (dirty)
            GetClientRect(hWnd, lpRect);
    }
    return dirty;
}

HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint)
{
    if (!lpPaint)
        return nullptr;
    *lpPaint = PAINTSTRUCT {};
    bool erase = false;
    {
        std::lock_guard<std::recursive_mutex> guard(TableLock());
        Window* window = FindWindowRecord(hWnd);
        if (!window)
            return nullptr;
        erase = window->needsErase;
        window->needsPaint = false;
        window->needsErase = false;
    }
    GetClientRect(hWnd, &lpPaint->rcPaint);
    lpPaint->hdc = MakeDC(hWnd);
    if (erase && lpPaint->hdc)
        lpPaint->fErase = SendMessageW(hWnd, WM_ERASEBKGND, WPARAM(lpPaint->hdc), 0) ? FALSE : TRUE;
    return lpPaint->hdc;
}

BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint)
{
    if (lpPaint && lpPaint->hdc)
        DeleteDC(lpPaint->hdc);
    RepaintWindowsAbove(hWnd);
    if (lpPaint && lpPaint->hdc && VisibleClip(hWnd).top < CAPTION_BAR_HEIGHT)
        PaintCaptionBar();   // the shell's bar stays above every window
    return TRUE;
}

HDC GetDC(HWND hWnd)
{
    if (!hWnd)
        return CanPaint() ? WceCreateSurfaceDC(0, 0, nullptr) : nullptr;
    return MakeDC(hWnd);
}

HDC GetWindowDC(HWND hWnd)
{
    return GetDC(hWnd);
}

int ReleaseDC(HWND hWnd, HDC hDC)
{
    if (!hDC)
        return 0;
    DeleteDC(hDC);
    if (hWnd)
        RepaintWindowsAbove(hWnd);
    return 1;
}

BOOL UpdateWindow(HWND hWnd)
{
    if (!IsWindow(hWnd))
        return FALSE;
    // Paints the window and its children now, on this thread, as the platform does.
    DWORD threadId = GetWindowThreadProcessId(hWnd, nullptr);
    for (int guard = 0; guard < 256; ++guard) {
        HWND dirty = FindWindowNeedingPaint(threadId, hWnd);
        if (!dirty)
            break;
        SendMessageW(dirty, WM_PAINT, 0, 0);
        ValidateRect(dirty, nullptr);   // a procedure that does not paint must not spin us
    }
    return TRUE;
}
