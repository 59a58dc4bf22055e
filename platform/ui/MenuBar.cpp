// The shell's menu bar: a strip of buttons along the bottom of the screen, owned by a window. A
// button sends its command to the owner, or opens its popup of the bar's menu first.
#include <algorithm>

#include "ControlPaint.h"
#include "MenuImpl.h"
#include "MenuResource.h"
#include "WindowImpl.h"
#include "wce/DeviceProfile.h"
#include "wce/Shell.h"
#include "wce/WinBase.h"
#include "wce/WinModule.h"

namespace wce::ui {

namespace {

constexpr COLORREF SOFT_KEY_STRIP = RGB(36, 44, 60);

struct BarButton {
    MenuBarButton source;
    std::u16string text;
    HMENU popup = nullptr;
};

struct MenuBarState : ControlState {
    HWND owner = nullptr;
    HMENU menu = nullptr;
    std::vector<BarButton> buttons;
    ~MenuBarState() override
    {
        if (menu)
            DestroyMenu(menu);
    }
};

// The device's resource compilers write menu bars as RCDATA; scripts that name the type
// SHMENUBAR without the device headers get a type of its own number, 102. Both are read.
constexpr WORD SHMENUBAR_TYPE = 102;

bool LoadBar(HINSTANCE module, UINT id, MenuBarTemplate& bar)
{
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), RT_RCDATA);
    if (!resource)
        resource = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(SHMENUBAR_TYPE));
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    return bytes && ReadMenuBarTemplate(ByteReader(bytes, SizeofResource(module, resource)), bar);
}

std::u16string ButtonText(HINSTANCE module, WORD stringId)
{
    WCHAR buffer[64] = {};
    LoadStringW(module, stringId, buffer, 64);
    return MenuItemLabel(buffer);
}

// The cell of a button on the bar. A Smartphone bar has two soft keys, each half the bar: the
// first button is the left key and the last the right one; buttons between them are not shown.
RECT ButtonCell(HWND bar, const MenuBarState& state, int index)
{
    RECT client {};
    GetClientRect(bar, &client);
    int count = std::max<int>(1, int(state.buttons.size()));
    if (IsSmartphoneLook()) {
        bool right = index > 0 && index == count - 1;
        return RECT { right ? client.right / 2 : 0, 0, right ? client.right : client.right / 2, client.bottom };
    }
    return RECT { client.right * index / count, 0, client.right * (index + 1) / count, client.bottom };
}

int ButtonAt(HWND bar, const MenuBarState& state, int x)
{
    RECT client {};
    GetClientRect(bar, &client);
    int count = int(state.buttons.size());
    if (count == 0 || x < 0 || x >= client.right)
        return -1;
    if (IsSmartphoneLook())
        return x < client.right / 2 ? 0 : count - 1;
    return x * count / std::max<int>(1, client.right);
}

// A button's popup opens above the bar, on the side of the screen where the button is.
PopupPlacement PlaceAbove(HWND bar, const MenuBarState& state, int index)
{
    RECT cell = ButtonCell(bar, state, index);
    RECT barRect {};
    GetWindowRect(bar, &barRect);
    RECT client {};
    GetClientRect(bar, &client);
    bool rightHalf = (cell.left + cell.right) / 2 >= client.right / 2;
    POINT anchor { barRect.left + (rightHalf ? cell.right : cell.left), barRect.top };
    return PopupPlacement { anchor, UINT(TPM_BOTTOMALIGN | (rightHalf ? TPM_RIGHTALIGN : TPM_LEFTALIGN)) };
}

void Press(HWND bar, MenuBarState& state, int index)
{
    if (index < 0 || size_t(index) >= state.buttons.size())
        return;
    const BarButton& button = state.buttons[size_t(index)];
    if (!(button.source.state & TBSTATE_ENABLED))
        return;
    UINT command = button.source.commandId;
    if (button.popup) {
        command = RunPopupMenu(button.popup, state.owner, button.source.subMenuIndex, PlaceAbove(bar, state, index));
        if (!command)
            return;
    }
    SendMessageW(state.owner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void PaintButtonBar(HDC hdc, RECT client, HWND bar, const MenuBarState& state)
{
    FillRect(hdc, &client, GetSysColorBrush(COLOR_BTNFACE));
    for (size_t i = 0; i < state.buttons.size(); ++i) {
        RECT cell = ButtonCell(bar, state, int(i));
        bool enabled = state.buttons[i].source.state & TBSTATE_ENABLED;
        SetTextColor(hdc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        DrawTextW(hdc, state.buttons[i].text.c_str(), -1, &cell,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        if (i > 0) {
            MoveToEx(hdc, cell.left, 4, nullptr);
            LineTo(hdc, cell.left, client.bottom - 4);
        }
    }
}

void DrawSoftKey(HDC hdc, HWND bar, const MenuBarState& state, int index, UINT side)
{
    RECT cell = ButtonCell(bar, state, index);
    InflateRect(&cell, -6, 0);
    bool enabled = state.buttons[size_t(index)].source.state & TBSTATE_ENABLED;
    SetTextColor(hdc, enabled ? RGB(255, 255, 255) : RGB(128, 136, 150));
    DrawTextW(hdc, state.buttons[size_t(index)].text.c_str(), -1, &cell,
              side | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

// The Smartphone's soft-key strip: the left key's label at the left edge, the right key's at the
// right edge, light on dark like the device's own bar.
void PaintSoftKeys(HDC hdc, RECT client, HWND bar, const MenuBarState& state)
{
    HBRUSH strip = CreateSolidBrush(SOFT_KEY_STRIP);
    FillRect(hdc, &client, strip);
    DeleteObject(strip);
    int count = int(state.buttons.size());
    if (count > 0)
        DrawSoftKey(hdc, bar, state, 0, DT_LEFT);
    if (count > 1)
        DrawSoftKey(hdc, bar, state, count - 1, DT_RIGHT);
}

void Paint(HWND bar, const MenuBarState& state)
{
    PaintControl(bar, WM_CTLCOLORSTATIC, [&](HDC hdc, RECT client) {
        SetBkMode(hdc, TRANSPARENT);
        if (IsSmartphoneLook())
            PaintSoftKeys(hdc, client, bar, state);
        else
            PaintButtonBar(hdc, client, bar, state);
    });
}

BarButton* ButtonOfCommand(MenuBarState& state, WPARAM command)
{
    for (BarButton& button : state.buttons)
        if (button.source.commandId == WORD(command))
            return &button;
    return nullptr;
}

LRESULT ButtonMessage(HWND bar, MenuBarState& state, UINT message, WPARAM wParam, LPARAM lParam)
{
    BarButton* button = ButtonOfCommand(state, wParam);
    switch (message) {
    case TB_ENABLEBUTTON:
    case TB_HIDEBUTTON:
    case TB_CHECKBUTTON: {
        if (!button)
            return FALSE;
        BYTE bit = message == TB_ENABLEBUTTON ? TBSTATE_ENABLED : message == TB_HIDEBUTTON ? TBSTATE_HIDDEN : TBSTATE_CHECKED;
        button->source.state = LOWORD(lParam) ? (button->source.state | bit) : (button->source.state & ~bit);
        InvalidateRect(bar, nullptr, TRUE);
        return TRUE;
    }
    case TB_ISBUTTONENABLED: return button && (button->source.state & TBSTATE_ENABLED);
    case TB_BUTTONCOUNT: return LRESULT(state.buttons.size());
    default: return 0;
    }
}

}  // namespace

LRESULT MenuBarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    MenuBarState* state = ControlOf<MenuBarState>(hwnd);
    if (!state)
        return 0;
    switch (message) {
    case SHCMBM_GETMENU: return LRESULT(state->menu);
    case SHCMBM_GETSUBMENU: {
        BarButton* button = ButtonOfCommand(*state, WPARAM(lParam));
        return LRESULT(button ? button->popup : nullptr);
    }
    case TB_ENABLEBUTTON:
    case TB_CHECKBUTTON:
    case TB_HIDEBUTTON:
    case TB_ISBUTTONENABLED:
    case TB_BUTTONCOUNT: return ButtonMessage(hwnd, *state, message, wParam, lParam);
    case WM_LBUTTONUP: Press(hwnd, *state, ButtonAt(hwnd, *state, short(LOWORD(lParam)))); return 0;
    // The soft keys press the left and the right button.
    case WM_KEYDOWN:
        if (wParam == VK_TSOFT1)
            Press(hwnd, *state, 0);
        else if (wParam == VK_TSOFT2)
            Press(hwnd, *state, int(state->buttons.size()) - 1);
        return 0;
    case WM_PAINT: Paint(hwnd, *state); return 0;
    case WM_ERASEBKGND: return 1;
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace wce::ui

using namespace wce::ui;

BOOL SHCreateMenuBar(SHMENUBARINFO* pmbi)
{
    if (!pmbi || (pmbi->cbSize != sizeof(SHMENUBARINFO) && pmbi->cbSize != 36) || !IsWindow(pmbi->hwndParent)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    MenuBarTemplate bar;
    if (!(pmbi->dwFlags & SHCMBF_EMPTYBAR) && !LoadBar(pmbi->hInstRes, pmbi->nToolBarId, bar)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return FALSE;
    }
    const wce::DeviceProfile& profile = wce::GetDeviceProfile();
    HWND hwnd = CreateWindowExW(0, u"menu_worker", u"", WS_POPUP, 0, profile.screenHeight - MENU_BAR_HEIGHT,
                                profile.screenWidth, MENU_BAR_HEIGHT, pmbi->hwndParent, nullptr, pmbi->hInstRes, nullptr);
    if (!hwnd)
        return FALSE;
    MenuBarState* state = ControlOf<MenuBarState>(hwnd);
    state->owner = pmbi->hwndParent;
    state->menu = bar.menuId ? LoadMenuW(pmbi->hInstRes, MAKEINTRESOURCEW(bar.menuId)) : nullptr;
    for (const MenuBarButton& source : bar.buttons) {
        BarButton button { source, ButtonText(pmbi->hInstRes, source.stringId), nullptr };
        if (source.subMenuIndex != 0xFFFF && state->menu)
            button.popup = GetSubMenu(state->menu, source.subMenuIndex);
        state->buttons.push_back(button);
    }
    if (!(pmbi->dwFlags & SHCMBF_HIDDEN))
        ShowWindow(hwnd, SW_SHOWNA);
    pmbi->hwndMB = hwnd;
    return TRUE;
}

BOOL CommandBar_Show(HWND hwndCB, BOOL fShow)
{
    if (!IsWindow(hwndCB))
        return FALSE;
    ShowWindow(hwndCB, fShow ? SW_SHOWNA : SW_HIDE);
    return TRUE;
}
