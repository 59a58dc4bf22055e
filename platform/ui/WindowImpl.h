// The window manager's own records: classes, windows and the table that maps handles to them.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "wce/WinUser.h"

namespace wce::ui {

struct WindowClass {
    std::u16string name;
    WNDCLASSW info {};
    bool system = false;   // built-in control classes survive UnregisterClassW
};

// State that a control class keeps per window; freed with the window.
struct ControlState {
    virtual ~ControlState() = default;
};

struct Window {
    HWND handle = nullptr;
    std::shared_ptr<WindowClass> windowClass;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    HWND parent = nullptr;      // children only
    HWND owner = nullptr;       // top-level windows only
    UINT_PTR id = 0;            // children: the control id
    HINSTANCE instance = nullptr;
    std::u16string text;
    RECT rect {};               // relative to the parent's client area (screen for top-level)
    LONG_PTR userData = 0;
    std::vector<LONG_PTR> extra;   // cbWndExtra, pointer-sized slots
    DWORD threadId = 0;
    std::vector<HWND> children;    // in z order, first is top
    bool destroying = false;
    bool needsPaint = false;
    bool needsErase = false;
    HGDIOBJ font = nullptr;
    HGDIOBJ templateFont = nullptr;   // made from a dialog template; deleted with the dialog
    // Dialogs.
    bool isDialog = false;
    DLGPROC dialogProc = nullptr;
    LONG_PTR msgResult = 0;
    LONG_PTR dialogUser = 0;
    bool dialogEnded = false;
    INT_PTR dialogResult = 0;
    HWND dialogFocus = nullptr;
    std::unique_ptr<ControlState> control;
};

// Every window record is reached through this lock; nothing calls a window procedure while
// holding it.
std::recursive_mutex& TableLock();

// The record of a live window, or null. Call with TableLock held.
Window* FindWindowRecord(HWND hwnd);

// Window procedure of a registered class, or null.
std::shared_ptr<WindowClass> FindClass(const std::u16string& name);
void RegisterSystemClass(const char16_t* name, WNDPROC proc, int extraBytes);
void EnsureSystemClasses();

// Top-level windows in creation order (for FindWindowW and automation).
std::vector<HWND> TopLevelWindows();
std::vector<HWND> ChildWindows(HWND parent);

// The window's client area in screen coordinates.
bool ClientRectOnScreen(HWND hwnd, RECT& rect);

// Helpers for notifications from controls.
LRESULT NotifyParent(HWND control, WORD code);

std::u16string ClassNameOf(HWND hwnd);
bool ClassIs(HWND hwnd, const char16_t* name);

// Control state of a window, created on first use by the control's class.
template <typename T>
T* ControlOf(HWND hwnd)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    Window* window = FindWindowRecord(hwnd);
    if (!window)
        return nullptr;
    if (!window->control)
        window->control = std::make_unique<T>();
    return static_cast<T*>(window->control.get());
}

}  // namespace wce::ui

namespace wce::ui {
// Removes a window's record from the table (the last step of DestroyWindow).
void ReleaseWindowRecord(HWND hwnd);
// Every visible top-level window repaints (a top-level window went away or the screen was reset).
void InvalidateScreen();
}  // namespace wce::ui

namespace wce::ui {
// A top-level window of another process of this device, as a local proxy handle; null if none.
HWND FindRemoteWindow(LPCWSTR className, LPCWSTR windowName);
}  // namespace wce::ui

namespace wce::ui {
void MoveTopLevelToFront(HWND hwnd);
bool IsRemoteWindow(HWND hwnd);
BOOL RaiseRemoteWindow(HWND hwnd);
}  // namespace wce::ui

namespace wce::ui {
// Copies a window's text without sending it a message (the window may belong to a busy thread).
int InternalGetText(HWND hwnd, WCHAR* buffer, int size);
// Draws the shell's caption bar on the screen; a tap on its button acts for the active window.
void PaintCaptionBar();
bool TapCaptionBar(POINT point);
}  // namespace wce::ui

namespace wce::ui {
// Clears a screen area a top-level window no longer covers and has the rest repaint.
void UncoverScreenArea(const RECT& area);
}  // namespace wce::ui
