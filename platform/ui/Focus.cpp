// Showing, activation, the foreground window, keyboard focus and mouse capture. The device has one
// user and one screen, so the active, foreground and focus windows are kept once for the process.
#include <algorithm>

#include "WindowImpl.h"
#include "wce/WinBase.h"

using namespace wce::ui;

namespace {

struct FocusState {
    HWND active = nullptr;
    HWND focus = nullptr;
    HWND capture = nullptr;
};

FocusState& State()   // guarded by TableLock
{
    static FocusState state;
    return state;
}

HWND TopLevelOf(HWND hwnd)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    Window* window = FindWindowRecord(hwnd);
    while (window && window->parent) {
        hwnd = window->parent;
        window = FindWindowRecord(hwnd);
    }
    return window ? hwnd : nullptr;
}

// Menu bars, drop-down lists and popup menus serve the window that owns them and are never the
// active window themselves once something else could be.
bool IsActivatable(HWND hwnd)
{
    return IsWindowVisible(hwnd) && IsWindowEnabled(hwnd) && !ClassIs(hwnd, u"menu_worker") &&
           !ClassIs(hwnd, u"ComboLBox") && !ClassIs(hwnd, u"menu_popup");
}

// The most recently shown visible top-level window other than the one going away.
HWND NextActiveCandidate(HWND leaving)
{
    std::vector<HWND> tops = TopLevelWindows();
    for (auto it = tops.rbegin(); it != tops.rend(); ++it)
        if (*it != leaving && IsActivatable(*it))
            return *it;
    return nullptr;
}

void RaiseTopLevel(HWND hwnd);

}  // namespace

namespace wce::ui {

void ForgetFocusAndActivation(HWND hwnd)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    FocusState& state = State();
    if (state.focus == hwnd)
        state.focus = nullptr;
    if (state.capture == hwnd)
        state.capture = nullptr;
    if (state.active == hwnd)
        state.active = NextActiveCandidate(hwnd);
}

}  // namespace wce::ui

HWND SetActiveWindow(HWND hWnd)
{
    HWND top = TopLevelOf(hWnd);
    HWND previous = nullptr;
    {
        std::lock_guard<std::recursive_mutex> guard(TableLock());
        previous = State().active;
        if (!top || previous == top)
            return previous;
        State().active = top;
    }
    RaiseTopLevel(top);
    if (previous && IsWindow(previous))
        SendMessageW(previous, WM_ACTIVATE, 0 /* WA_INACTIVE */, LPARAM(top));
    SendMessageW(top, WM_ACTIVATE, 1 /* WA_ACTIVE */, LPARAM(previous));
    PaintCaptionBar();
    return previous;
}

HWND GetActiveWindow()
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    return State().active;
}

// Bit 0 of the handle asks for the window together with the windows it owns: those come up
// above it, and while the window is disabled under a modal dialog of its own, that dialog (the
// last visible, enabled owned window) becomes the active one rather than the window.
BOOL SetForegroundWindow(HWND hWnd)
{
    const bool withOwned = (uintptr_t(hWnd) & 1) != 0;
    if (IsRemoteWindow(hWnd))
        return RaiseRemoteWindow(hWnd);
    HWND window = reinterpret_cast<HWND>(uintptr_t(hWnd) & ~uintptr_t(1));
    if (!IsWindow(window))
        return FALSE;
    SetActiveWindow(window);
    if (withOwned) {
        HWND lastOwned = nullptr;
        for (HWND top : TopLevelWindows()) {
            if (top != window && GetWindow(top, GW_OWNER) == window && IsWindowVisible(top)) {
                RaiseTopLevel(top);
                if (IsActivatable(top))
                    lastOwned = top;
            }
        }
        if (lastOwned && !IsWindowEnabled(window))
            SetActiveWindow(lastOwned);
    }
    return TRUE;
}

HWND GetForegroundWindow()
{
    return GetActiveWindow();
}

HWND SetFocus(HWND hWnd)
{
    HWND previous = nullptr;
    {
        std::lock_guard<std::recursive_mutex> guard(TableLock());
        previous = State().focus;
        if (hWnd && !FindWindowRecord(hWnd))
            return nullptr;
        if (previous == hWnd)
            return previous;
        State().focus = hWnd;
    }
    if (previous && IsWindow(previous))
        SendMessageW(previous, WM_KILLFOCUS, WPARAM(hWnd), 0);
    if (hWnd) {
        HWND top = TopLevelOf(hWnd);
        if (top != GetActiveWindow())
            SetActiveWindow(top);
        SendMessageW(hWnd, WM_SETFOCUS, WPARAM(previous), 0);
    }
    return previous;
}

HWND GetFocus()
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    return State().focus;
}

HWND SetCapture(HWND hWnd)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    HWND previous = State().capture;
    State().capture = IsWindow(hWnd) ? hWnd : nullptr;
    return previous;
}

BOOL ReleaseCapture()
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    State().capture = nullptr;
    return TRUE;
}

HWND GetCapture()
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    return State().capture;
}

BOOL ShowWindow(HWND hWnd, int nCmdShow)
{
    bool show = nCmdShow != SW_HIDE && nCmdShow != SW_MINIMIZE;
    bool wasVisible = false;
    bool topLevel = false;
    RECT rect {};
    HWND parent = nullptr;
    {
        std::lock_guard<std::recursive_mutex> guard(TableLock());
        Window* window = FindWindowRecord(hWnd);
        if (!window)
            return FALSE;
        wasVisible = (window->style & WS_VISIBLE) != 0;
        topLevel = !window->parent;
        rect = window->rect;
        parent = window->parent;
        if (show)
            window->style |= WS_VISIBLE;
        else
            window->style &= ~WS_VISIBLE;
    }
    if (wasVisible != show) {
        SendMessageW(hWnd, WM_SHOWWINDOW, show, 0);
        if (show)
            InvalidateRect(hWnd, nullptr, TRUE);
        else if (parent)
            InvalidateRect(parent, &rect, TRUE);
        else
            UncoverScreenArea(rect);
    }
    if (topLevel && show && nCmdShow != SW_SHOWNA)
        SetActiveWindow(hWnd);
    if (topLevel && !show && GetActiveWindow() == hWnd) {
        HWND next = NextActiveCandidate(hWnd);
        if (next)
            SetActiveWindow(next);
    }
    return wasVisible;
}

namespace {

void RaiseTopLevel(HWND hwnd)
{
    // Creation order is z order for top-level windows: the raised one moves to the end.
    wce::ui::MoveTopLevelToFront(hwnd);
    InvalidateRect(hwnd, nullptr, TRUE);
}

}  // namespace
