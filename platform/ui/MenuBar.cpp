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

UINT RunPopupMenu(HMENU menu, HWND owner, UINT position);

namespace {

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

int ButtonAt(HWND bar, const MenuBarState& state, int x)
{
    RECT client {};
    GetClientRect(bar, &client);
    int count = int(state.buttons.size());
    if (count == 0 || x < 0)
        return -1;
    int index = x * count / std::max<int>(1, client.right);
    return index < count ? index : -1;
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
        command = RunPopupMenu(button.popup, state.owner, button.source.subMenuIndex);
        if (!command)
            return;
    }
    SendMessageW(state.owner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void Paint(HWND bar, const MenuBarState& state)
{
    PaintControl(bar, WM_CTLCOLORSTATIC, [&](HDC hdc, RECT client) {
        FillRect(hdc, &client, GetSysColorBrush(COLOR_BTNFACE));
        SetBkMode(hdc, TRANSPARENT);
        int count = std::max<int>(1, int(state.buttons.size()));
        for (size_t i = 0; i < state.buttons.size(); ++i) {
            RECT cell { int(client.right * int(i) / count), 0, int(client.right * int(i + 1) / count), client.bottom };
            bool enabled = state.buttons[i].source.state & TBSTATE_ENABLED;
            SetTextColor(hdc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
            DrawTextW(hdc, state.buttons[i].text.c_str(), -1, &cell, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            if (i > 0) {
                MoveToEx(hdc, cell.left, 4, nullptr);
                LineTo(hdc, cell.left, client.bottom - 4);
            }
        }
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
