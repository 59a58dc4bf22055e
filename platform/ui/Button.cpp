// The BUTTON class: push buttons, check boxes (plain and automatic) and group boxes.
#include "ControlPaint.h"
#include "WindowImpl.h"

namespace wce::ui {

namespace {

struct ButtonState : ControlState {
    UINT check = BST_UNCHECKED;
    bool pushed = false;
};

UINT ButtonType(HWND hwnd)
{
    return UINT(GetWindowLongW(hwnd, GWL_STYLE)) & BS_TYPEMASK;
}

bool IsCheckBox(UINT type)
{
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE ||
           type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

std::u16string TextOf(HWND hwnd)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    Window* window = FindWindowRecord(hwnd);
    return window ? window->text : std::u16string();
}

void DrawCheckBox(HDC hdc, RECT client, UINT check)
{
    int size = 13;
    int top = (client.top + client.bottom - size) / 2;
    RECT box { client.left + 1, top, client.left + 1 + size, top + size };
    FrameRect(hdc, &box, GetSysColorBrush(COLOR_WINDOWTEXT));
    if (check == BST_CHECKED) {
        MoveToEx(hdc, box.left + 3, box.top + 6, nullptr);
        LineTo(hdc, box.left + 5, box.top + 9);
        LineTo(hdc, box.left + 10, box.top + 3);
    }
}

void Paint(HWND hwnd)
{
    ButtonState* state = ControlOf<ButtonState>(hwnd);
    UINT type = ButtonType(hwnd);
    bool enabled = IsWindowEnabled(hwnd);
    PaintControl(hwnd, WM_CTLCOLORBTN, [&](HDC hdc, RECT client) {
        std::u16string text = TextOf(hwnd);
        if (IsCheckBox(type)) {
            DrawCheckBox(hdc, client, state->check);
            client.left += 18;
            DrawControlText(hdc, text, client, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS, enabled);
            return;
        }
        if (type == BS_GROUPBOX) {
            DrawControlText(hdc, text, client, DT_LEFT | DT_TOP | DT_SINGLELINE, enabled);
            return;
        }
        if (state->pushed)
            FillRect(hdc, &client, GetSysColorBrush(COLOR_HIGHLIGHT));
        FrameRect(hdc, &client, GetSysColorBrush(COLOR_WINDOWTEXT));
        DrawControlText(hdc, text, client, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS, enabled);
    });
}

// A tap toggles an automatic check box before the parent hears of the click.
void Click(HWND hwnd)
{
    if (!IsWindowEnabled(hwnd))
        return;
    UINT type = ButtonType(hwnd);
    ButtonState* state = ControlOf<ButtonState>(hwnd);
    if (type == BS_AUTOCHECKBOX)
        state->check = state->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
    else if (type == BS_AUTORADIOBUTTON)
        state->check = BST_CHECKED;
    InvalidateRect(hwnd, nullptr, TRUE);
    NotifyParent(hwnd, BN_CLICKED);
}

LRESULT DialogCode(HWND hwnd)
{
    UINT type = ButtonType(hwnd);
    if (type == BS_DEFPUSHBUTTON)
        return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
    if (type == BS_PUSHBUTTON)
        return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    return DLGC_BUTTON;
}

}  // namespace

LRESULT ButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case BM_GETCHECK: return ControlOf<ButtonState>(hwnd)->check;
    case BM_SETCHECK:
        ControlOf<ButtonState>(hwnd)->check = UINT(wParam) & 3;
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case BM_GETSTATE: {
        ButtonState* state = ControlOf<ButtonState>(hwnd);
        return state->check | (state->pushed ? BST_PUSHED : 0) | (GetFocus() == hwnd ? BST_FOCUS : 0);
    }
    case BM_SETSTATE:
        ControlOf<ButtonState>(hwnd)->pushed = wParam != 0;
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case BM_SETSTYLE:
        SetWindowLongW(hwnd, GWL_STYLE, (GetWindowLongW(hwnd, GWL_STYLE) & ~0xFFFF) | (wParam & 0xFFFF));
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case BM_CLICK: Click(hwnd); return 0;
    case WM_LBUTTONDOWN:
        SetFocus(hwnd);
        SetCapture(hwnd);
        SendMessageW(hwnd, BM_SETSTATE, TRUE, 0);
        return 0;
    case WM_LBUTTONUP:
        if (GetCapture() == hwnd) {
            ReleaseCapture();
            SendMessageW(hwnd, BM_SETSTATE, FALSE, 0);
            Click(hwnd);
        }
        return 0;
    case WM_KEYDOWN:
    case WM_CHAR:
        if (message == WM_CHAR && wParam == VK_SPACE)
            Click(hwnd);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: InvalidateRect(hwnd, nullptr, TRUE); return 0;
    case WM_GETDLGCODE: return DialogCode(hwnd);
    case WM_PAINT: Paint(hwnd); return 0;
    case WM_ERASEBKGND: return 1;
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace wce::ui
