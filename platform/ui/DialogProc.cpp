// The default dialog procedure, the dialog item helpers and dialog keyboard handling.
#include <algorithm>
#include <string>

#include "GdiLink.h"
#include "WindowImpl.h"
#include "wce/WinBase.h"

using namespace wce::ui;

namespace {

DLGPROC DialogProcOf(HWND hwnd)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    Window* window = FindWindowRecord(hwnd);
    return window && window->isDialog ? window->dialogProc : nullptr;
}

// Messages whose answer is the dialog procedure's return value itself rather than DWL_MSGRESULT.
bool ReturnsDirectly(UINT message)
{
    return (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) || message == WM_INITDIALOG ||
           message == WM_GETDLGCODE;
}

LRESULT EraseDialog(HWND hwnd, HDC hdc)
{
    if (!hdc || !CanPaint())
        return 0;
    HBRUSH brush = reinterpret_cast<HBRUSH>(SendMessageW(hwnd, WM_CTLCOLORDLG, WPARAM(hdc), LPARAM(hwnd)));
    if (!brush)
        return 0;
    RECT client {};
    GetClientRect(hwnd, &client);
    FillRect(hdc, &client, brush);
    return 1;
}

LRESULT DefaultDialogHandling(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND: return EraseDialog(hwnd, reinterpret_cast<HDC>(wParam));
    case WM_CLOSE:
        // Closing a dialog is its Cancel command, so the procedure decides what happens.
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), LPARAM(GetDlgItem(hwnd, IDCANCEL)));
        return 0;
    case WM_SETFOCUS: {
        HWND focus = GetNextDlgTabItem(hwnd, nullptr, FALSE);
        if (focus)
            SetFocus(focus);
        return 0;
    }
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

LRESULT DefDlgProcW(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    DLGPROC proc = DialogProcOf(hDlg);
    if (proc) {
        SetWindowLongW(hDlg, DWL_MSGRESULT, 0);
        INT_PTR handled = proc(hDlg, Msg, wParam, lParam);
        if (ReturnsDirectly(Msg) && (handled || Msg == WM_INITDIALOG))
            return handled;
        if (handled)
            return IsWindow(hDlg) ? GetWindowLongW(hDlg, DWL_MSGRESULT) : 0;
    }
    if (Msg == WM_INITDIALOG)
        return TRUE;
    if (!IsWindow(hDlg))
        return 0;
    return DefaultDialogHandling(hDlg, Msg, wParam, lParam);
}

LRESULT SendDlgItemMessageW(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? SendMessageW(item, Msg, wParam, lParam) : 0;
}

BOOL SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString)
{
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? SetWindowTextW(item, lpString) : FALSE;
}

UINT GetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPWSTR lpString, int cchMax)
{
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    if (!item) {
        if (lpString && cchMax > 0)
            lpString[0] = 0;
        return 0;
    }
    return UINT(GetWindowTextW(item, lpString, cchMax));
}

BOOL SetDlgItemInt(HWND hDlg, int nIDDlgItem, UINT uValue, BOOL bSigned)
{
    std::string digits = bSigned ? std::to_string(int(uValue)) : std::to_string(uValue);
    std::u16string text(digits.begin(), digits.end());
    return SetDlgItemTextW(hDlg, nIDDlgItem, text.c_str());
}

UINT GetDlgItemInt(HWND hDlg, int nIDDlgItem, BOOL* lpTranslated, BOOL bSigned)
{
    WCHAR buffer[32] = {};
    GetDlgItemTextW(hDlg, nIDDlgItem, buffer, 32);
    const WCHAR* p = buffer;
    while (*p == u' ')
        ++p;
    bool negative = bSigned && *p == u'-';
    p += negative ? 1 : 0;
    int64_t value = 0;
    bool any = false;
    for (; *p >= u'0' && *p <= u'9' && value <= 0xFFFFFFFFll; ++p, any = true)
        value = value * 10 + (*p - u'0');
    bool ok = any && *p == 0 && value <= (bSigned ? 0x80000000ll : 0xFFFFFFFFll);
    if (lpTranslated)
        *lpTranslated = ok;
    return ok ? UINT(negative ? -value : value) : 0;
}

BOOL CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck)
{
    HWND item = GetDlgItem(hDlg, nIDButton);
    if (!item)
        return FALSE;
    SendMessageW(item, BM_SETCHECK, uCheck, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND hDlg, int nIDButton)
{
    return UINT(SendDlgItemMessageW(hDlg, nIDButton, BM_GETCHECK, 0, 0));
}

BOOL CheckRadioButton(HWND hDlg, int nIDFirstButton, int nIDLastButton, int nIDCheckButton)
{
    for (int id = nIDFirstButton; id <= nIDLastButton; ++id)
        CheckDlgButton(hDlg, id, id == nIDCheckButton ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

BOOL MapDialogRect(HWND hDlg, LPRECT lpRect)
{
    if (!lpRect || !IsWindow(hDlg))
        return FALSE;
    int width = 6;
    int height = 13;
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(hDlg, WM_GETFONT, 0, 0));
    if (font && CanPaint()) {
        LOGFONTW info {};
        if (GetObjectW(font, sizeof(info), &info) && WceGetFontCharSize)
            WceGetFontCharSize(&info, &width, &height);
    }
    lpRect->left = lpRect->left * width / 4;
    lpRect->right = lpRect->right * width / 4;
    lpRect->top = lpRect->top * height / 8;
    lpRect->bottom = lpRect->bottom * height / 8;
    return TRUE;
}

LONG GetDialogBaseUnits()
{
    return MAKELONG(6, 13);
}

HWND GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious)
{
    std::vector<HWND> stops;
    for (HWND child : ChildWindows(hDlg)) {
        DWORD style = DWORD(GetWindowLongW(child, GWL_STYLE));
        if ((style & WS_TABSTOP) && (style & WS_VISIBLE) && !(style & WS_DISABLED))
            stops.push_back(child);
    }
    if (stops.empty())
        return nullptr;
    auto at = std::find(stops.begin(), stops.end(), hCtl);
    if (at == stops.end())
        return bPrevious ? stops.back() : stops.front();
    size_t index = size_t(at - stops.begin());
    size_t next = bPrevious ? (index + stops.size() - 1) % stops.size() : (index + 1) % stops.size();
    return stops[next];
}

// Keys of a dialog: Tab and the arrows move the focus between controls that do not want them,
// Enter is the default button (IDOK) and Esc is IDCANCEL.
BOOL IsDialogMessageW(HWND hDlg, LPMSG lpMsg)
{
    if (!lpMsg || !IsWindow(hDlg) || (lpMsg->hwnd != hDlg && !IsChild(hDlg, lpMsg->hwnd)))
        return FALSE;
    if (lpMsg->message != WM_KEYDOWN)
        return FALSE;
    HWND target = lpMsg->hwnd;
    LRESULT wants = SendMessageW(target, WM_GETDLGCODE, lpMsg->wParam, LPARAM(lpMsg));
    switch (lpMsg->wParam) {
    case VK_TAB:
        if (wants & (DLGC_WANTTAB | DLGC_WANTALLKEYS))
            return FALSE;
        SetFocus(GetNextDlgTabItem(hDlg, GetFocus(), (GetKeyState(0x10) & 0x8000) != 0));
        return TRUE;
    case VK_UP:
    case VK_DOWN:
    case VK_LEFT:
    case VK_RIGHT:
        if (wants & (DLGC_WANTARROWS | DLGC_WANTALLKEYS))
            return FALSE;
        SetFocus(GetNextDlgTabItem(hDlg, GetFocus(), lpMsg->wParam == VK_UP || lpMsg->wParam == VK_LEFT));
        return TRUE;
    case VK_RETURN: {
        if (wants & DLGC_WANTALLKEYS)
            return FALSE;
        int id = IDOK;
        if ((wants & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) && target != hDlg)
            id = GetDlgCtrlID(target);   // a focused push button is pressed itself
        SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(hDlg, id)));
        return TRUE;
    }
    case VK_ESCAPE:
        if (wants & DLGC_WANTALLKEYS)
            return FALSE;
        SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), LPARAM(GetDlgItem(hDlg, IDCANCEL)));
        return TRUE;
    default:
        return FALSE;
    }
}

SHORT GetKeyState(int nVirtKey)
{
    return 0;   // no key is ever held down between messages on the device's keypad
}
