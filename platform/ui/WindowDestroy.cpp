// DestroyWindow: owned windows first, then WM_DESTROY parents first and WM_NCDESTROY children first.
#include <algorithm>
#include <utility>

#include "MessageQueueImpl.h"
#include "ModalWait.h"
#include "WindowImpl.h"
#include "wce/WinBase.h"
#include "wce/WinGdi.h"

namespace wce::ui {

void ForgetFocusAndActivation(HWND hwnd);

namespace {

std::vector<HWND> OwnedWindows(HWND owner)
{
    std::vector<HWND> owned;
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    for (HWND top : TopLevelWindows()) {
        Window* window = FindWindowRecord(top);
        if (window && window->owner == owner && !window->destroying)
            owned.push_back(top);
    }
    return owned;
}

void MarkDestroying(HWND hwnd)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    if (Window* window = FindWindowRecord(hwnd)) {
        window->destroying = true;
        for (HWND child : window->children)
            MarkDestroying(child);
    }
}

void SendDestroy(HWND hwnd)
{
    SendMessageW(hwnd, WM_DESTROY, 0, 0);
    for (HWND child : ChildWindows(hwnd))
        SendDestroy(child);
}

void SendNcDestroyAndRemove(HWND hwnd)
{
    for (HWND child : ChildWindows(hwnd))
        SendNcDestroyAndRemove(child);
    SendMessageW(hwnd, WM_NCDESTROY, 0, 0);
    DWORD threadId = 0;
    std::unique_ptr<ControlState> state;   // freed outside the lock
    HGDIOBJ templateFont = nullptr;
    {
        std::lock_guard<std::recursive_mutex> guard(TableLock());
        Window* window = FindWindowRecord(hwnd);
        if (!window)
            return;
        threadId = window->threadId;
        state = std::move(window->control);
        templateFont = std::exchange(window->templateFont, nullptr);
    }
    // The dialog manager made this font for the dialog and its controls; they are all gone now.
    if (templateFont)
        DeleteObject(templateFont);
    KillWindowTimers(hwnd, threadId);
    ForgetFocusAndActivation(hwnd);
    ReleaseWindowRecord(hwnd);
}

}  // namespace

}  // namespace wce::ui

using namespace wce::ui;

BOOL DestroyWindow(HWND hWnd)
{
    HWND parent = nullptr;
    RECT rect {};
    {
        std::lock_guard<std::recursive_mutex> guard(TableLock());
        Window* window = FindWindowRecord(hWnd);
        if (!window || window->destroying) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        // Another thread's window is destroyed by its own thread only, as on the platform.
        if (window->threadId != CurrentUiThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        parent = window->parent;
        rect = window->rect;
    }
    // A question the window asked from another thread has no window of its own to destroy.
    CloseBoxesOwnedBy(hWnd);
    for (HWND owned : OwnedWindows(hWnd))
        DestroyWindow(owned);
    bool wasVisible = IsWindowVisible(hWnd);
    MarkDestroying(hWnd);
    SendDestroy(hWnd);
    SendNcDestroyAndRemove(hWnd);
    if (wasVisible && parent)
        InvalidateRect(parent, &rect, TRUE);
    else if (wasVisible)
        wce::ui::UncoverScreenArea(rect);
    return TRUE;
}
