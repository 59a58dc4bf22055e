// Window properties: longs, text, enabling, relations and look-up.
#include <algorithm>
#include <unistd.h>

#include "MessageQueueImpl.h"
#include "ModalWait.h"
#include "RemoteProtocol.h"
#include "WindowImpl.h"
#include "wce/WinBase.h"

using namespace wce::ui;

namespace {

// Reads or writes one long of a locked window record; returns false for an index we do not have.
bool AccessLong(Window& window, int index, LONG_PTR*& slot)
{
    switch (index) {
    case GWL_USERDATA: slot = &window.userData; return true;
    case GWL_ID: slot = reinterpret_cast<LONG_PTR*>(&window.id); return true;
    default: break;
    }
    if (window.isDialog && index == DWL_MSGRESULT) { slot = &window.msgResult; return true; }
    if (window.isDialog && index == DWL_USER) { slot = &window.dialogUser; return true; }
    if (index >= 0 && size_t(index) % sizeof(LONG_PTR) == 0 && size_t(index) / sizeof(LONG_PTR) < window.extra.size()) {
        slot = &window.extra[size_t(index) / sizeof(LONG_PTR)];
        return true;
    }
    return false;
}

}  // namespace

LONG_PTR GetWindowLongW(HWND hWnd, int nIndex)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    Window* window = FindWindowRecord(hWnd);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    switch (nIndex) {
    case GWL_WNDPROC: return LONG_PTR(window->proc);
    case GWL_STYLE: return LONG_PTR(window->style);
    case GWL_EXSTYLE: return LONG_PTR(window->exStyle);
    case GWL_HINSTANCE: return LONG_PTR(window->instance);
    case GWL_HWNDPARENT: return LONG_PTR(window->parent ? window->parent : window->owner);
    default: break;
    }
    if (window->isDialog && nIndex == DWL_DLGPROC)
        return LONG_PTR(window->dialogProc);
    LONG_PTR* slot = nullptr;
    if (!AccessLong(*window, nIndex, slot)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return *slot;
}

// The device offers the class's icon and style only.
ULONG_PTR GetClassLongW(HWND hWnd, int nIndex)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    Window* window = FindWindowRecord(hWnd);
    if (!window || !window->windowClass) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (nIndex == GCL_HICON)
        return reinterpret_cast<ULONG_PTR>(window->windowClass->info.hIcon);
    if (nIndex == GCL_STYLE)
        return window->windowClass->info.style;
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

LONG_PTR SetWindowLongW(HWND hWnd, int nIndex, LONG_PTR dwNewLong)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    Window* window = FindWindowRecord(hWnd);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    LONG_PTR previous = 0;
    switch (nIndex) {
    case GWL_WNDPROC:
        previous = LONG_PTR(window->proc);
        window->proc = reinterpret_cast<WNDPROC>(dwNewLong);
        return previous;
    case GWL_STYLE:
        previous = LONG_PTR(window->style);
        window->style = DWORD(dwNewLong);
        return previous;
    case GWL_EXSTYLE:
        previous = LONG_PTR(window->exStyle);
        window->exStyle = DWORD(dwNewLong);
        return previous;
    default: break;
    }
    if (window->isDialog && nIndex == DWL_DLGPROC) {
        previous = LONG_PTR(window->dialogProc);
        window->dialogProc = reinterpret_cast<DLGPROC>(dwNewLong);
        return previous;
    }
    LONG_PTR* slot = nullptr;
    if (!AccessLong(*window, nIndex, slot)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    previous = *slot;
    *slot = dwNewLong;
    return previous;
}

LRESULT CallWindowProcW(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    return lpPrevWndFunc ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}

int GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount)
{
    if (!lpString || nMaxCount <= 0)
        return 0;
    lpString[0] = 0;
    return int(SendMessageW(hWnd, WM_GETTEXT, WPARAM(nMaxCount), LPARAM(lpString)));
}

int GetWindowTextLengthW(HWND hWnd)
{
    return int(SendMessageW(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL SetWindowTextW(HWND hWnd, LPCWSTR lpString)
{
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return SendMessageW(hWnd, WM_SETTEXT, 0, LPARAM(lpString ? lpString : u"")) ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable)
{
    bool wasDisabled = false;
    {
        std::lock_guard<std::recursive_mutex> guard(TableLock());
        Window* window = FindWindowRecord(hWnd);
        if (!window)
            return FALSE;
        wasDisabled = (window->style & WS_DISABLED) != 0;
        if (bEnable)
            window->style &= ~WS_DISABLED;
        else
            window->style |= WS_DISABLED;
    }
    if (wasDisabled == !bEnable)
        return wasDisabled;
    if (!bEnable && GetFocus() == hWnd)
        SetFocus(nullptr);
    SendMessageW(hWnd, WM_ENABLE, bEnable ? TRUE : FALSE, 0);
    InvalidateRect(hWnd, nullptr, TRUE);
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND hWnd)
{
    return IsWindow(hWnd) && !(GetWindowLongW(hWnd, GWL_STYLE) & WS_DISABLED);
}

BOOL IsWindow(HWND hWnd)
{
    if (IsRemoteWindow(hWnd))
        return RemoteWindowAlive(hWnd);
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    Window* window = FindWindowRecord(hWnd);
    return window != nullptr;
}

BOOL IsWindowVisible(HWND hWnd)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    for (Window* window = FindWindowRecord(hWnd); window; window = FindWindowRecord(window->parent)) {
        if (!(window->style & WS_VISIBLE))
            return FALSE;
        if (!window->parent)
            return TRUE;
    }
    return FALSE;
}

BOOL IsChild(HWND hWndParent, HWND hWnd)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    Window* window = FindWindowRecord(hWnd);
    while (window && window->parent) {
        if (window->parent == hWndParent)
            return TRUE;
        window = FindWindowRecord(window->parent);
    }
    return FALSE;
}

HWND GetParent(HWND hWnd)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    Window* window = FindWindowRecord(hWnd);
    if (!window)
        return nullptr;
    return window->parent ? window->parent : window->owner;
}

HWND SetParent(HWND hWndChild, HWND hWndNewParent)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    Window* window = FindWindowRecord(hWndChild);
    Window* parent = FindWindowRecord(hWndNewParent);
    if (!window || !window->parent || !parent)
        return nullptr;   // only children move between parents here
    HWND previous = window->parent;
    if (Window* old = FindWindowRecord(previous))
        std::erase(old->children, hWndChild);
    parent->children.push_back(hWndChild);
    window->parent = hWndNewParent;
    return previous;
}

DWORD GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    Window* window = FindWindowRecord(hWnd);
    if (!window)
        return 0;
    if (lpdwProcessId)
        *lpdwProcessId = DWORD(getpid());
    return window->threadId;
}

HWND GetWindow(HWND hWnd, UINT uCmd)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    Window* window = FindWindowRecord(hWnd);
    if (!window)
        return nullptr;
    if (uCmd == GW_CHILD)
        return window->children.empty() ? nullptr : window->children.front();
    if (uCmd == GW_OWNER)
        return window->owner;
    const std::vector<HWND> siblings = window->parent ? ChildWindows(window->parent) : TopLevelWindows();
    auto at = std::find(siblings.begin(), siblings.end(), hWnd);
    if (at == siblings.end())
        return nullptr;
    switch (uCmd) {
    case GW_HWNDFIRST: return siblings.front();
    case GW_HWNDLAST: return siblings.back();
    case GW_HWNDNEXT: return at + 1 == siblings.end() ? nullptr : *(at + 1);
    case GW_HWNDPREV: return at == siblings.begin() ? nullptr : *(at - 1);
    default: return nullptr;
    }
}

HWND GetDlgItem(HWND hDlg, int nIDDlgItem)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    for (HWND child : ChildWindows(hDlg)) {
        Window* window = FindWindowRecord(child);
        if (window && int(window->id) == nIDDlgItem)
            return child;
    }
    return nullptr;
}

int GetDlgCtrlID(HWND hWnd)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    Window* window = FindWindowRecord(hWnd);
    return window && window->parent ? int(window->id) : 0;
}

static bool TextMatches(const std::u16string& text, LPCWSTR wanted)
{
    return !wanted || text == wanted;
}

HWND FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName)
{
    if (lpClassName && IS_INTRESOURCE(lpClassName))
        return nullptr;
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    for (HWND top : TopLevelWindows()) {
        Window* window = FindWindowRecord(top);
        if (!window || window->destroying)
            continue;
        if ((!lpClassName || ClassIs(top, lpClassName)) && TextMatches(window->text, lpWindowName))
            return top;
    }
    return FindRemoteWindow(lpClassName, lpWindowName);
}
