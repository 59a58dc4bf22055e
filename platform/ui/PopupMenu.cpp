// The window of an open popup menu: its items in a column with the highlighted one lit, checked
// items ticked, grayed ones dimmed and separators as lines. A tap or Enter chooses, a tap outside
// or Esc closes it; a submenu opens in place of its parent, the way small screens show them. A
// menu taller than the screen shows a window of its rows with arrows at both ends: a tap on an
// arrow, or the highlight moving past the rows shown, scrolls it.
#include <algorithm>

#include "ControlPaint.h"
#include "MenuImpl.h"
#include "PopupMenuImpl.h"
#include "WindowImpl.h"
#include "wce/DeviceProfile.h"

namespace wce::ui {

namespace {

std::vector<PopupRow> ReadRows(HMENU menu)
{
    std::vector<PopupRow> rows;
    std::lock_guard<std::recursive_mutex> guard(MenuLock());
    if (Menu* record = FindMenuRecord(menu))
        for (const MenuItem& item : record->items)
            rows.push_back({ item.id, MenuItemLabel(item.text), item.state, item.type == MFT_SEPARATOR, item.subMenu });
    return rows;
}

int FirstChoosable(const std::vector<PopupRow>& rows)
{
    for (size_t i = 0; i < rows.size(); ++i)
        if (IsChoosableRow(rows[i]))
            return int(i);
    return -1;
}

SIZE MeasureRows(const std::vector<PopupRow>& rows)
{
    SIZE size { 60, 2 };
    for (const PopupRow& row : rows) {
        size.cy += RowExtent(row);
        if (!row.separator)
            size.cx = std::max<LONG>(size.cx, MeasureText(nullptr, row.label.c_str(), int(row.label.size())) + 2 * MARGIN + 4);
    }
    return size;
}

// The menu opens at the anchor as the alignment flags say, moved back onto the screen where it
// would spill over an edge.
RECT Place(SIZE size, POINT anchor, UINT flags)
{
    const DeviceProfile& profile = GetDeviceProfile();
    int width = std::min<int>(size.cx, profile.screenWidth);
    int height = std::min<int>(size.cy, profile.screenHeight);
    int left = (flags & TPM_RIGHTALIGN) ? anchor.x - width : (flags & TPM_CENTERALIGN) ? anchor.x - width / 2 : anchor.x;
    int top = (flags & TPM_BOTTOMALIGN) ? anchor.y - height : (flags & TPM_VCENTERALIGN) ? anchor.y - height / 2 : anchor.y;
    left = std::clamp(left, 0, profile.screenWidth - width);
    top = std::clamp(top, 0, profile.screenHeight - height);
    return RECT { left, top, left + width, top + height };
}

int RowAt(HWND hwnd, const PopupState& state, POINT point)
{
    RECT client {};
    GetClientRect(hwnd, &client);
    if (point.x < 0 || point.x >= client.right || point.y < 0 || point.y >= client.bottom)
        return HIT_OUTSIDE;
    RECT area = RowsArea(hwnd, state);
    if (state.scrolls && point.y < area.top)
        return HIT_SCROLL_UP;
    if (state.scrolls && point.y >= area.bottom)
        return HIT_SCROLL_DOWN;
    for (size_t i = size_t(state.firstRow); i < state.rows.size() && IsRowShown(hwnd, state, int(i)); ++i) {
        RECT rect = RowRect(hwnd, state, int(i));
        if (point.y >= rect.top && point.y < rect.bottom)
            return int(i);
    }
    return HIT_OUTSIDE;
}


// Shows a menu's items in the window, sized and placed for them; the owner prepares a submenu
// in WM_INITMENUPOPUP before it is read, as it does for the top level.
void ShowLevel(HWND hwnd, PopupState& state, POINT anchor, UINT flags)
{
    state.rows = ReadRows(state.levels.back());
    state.highlight = FirstChoosable(state.rows);
    state.firstRow = 0;
    SIZE size = MeasureRows(state.rows);
    state.scrolls = size.cy > GetDeviceProfile().screenHeight;
    RECT place = Place(size, anchor, flags);
    MoveWindow(hwnd, place.left, place.top, place.right - place.left, place.bottom - place.top, FALSE);
    ScrollTo(hwnd, state, state.highlight);
    InvalidateRect(hwnd, nullptr, TRUE);
}

void OpenSubMenu(HWND hwnd, PopupState& state, const PopupRow& row)
{
    SendMessageW(state.owner, WM_INITMENUPOPUP, WPARAM(row.subMenu), MAKELPARAM(0, FALSE));
    if (!IsWindow(hwnd))
        return;   // the owner went, and the menu with it: its state is gone too
    RECT now {};
    GetWindowRect(hwnd, &now);
    state.openedFrom.push_back(state.highlight);
    state.levels.push_back(row.subMenu);
    ShowLevel(hwnd, state, POINT { now.left, now.bottom }, TPM_BOTTOMALIGN);
}

void End(PopupState& state, UINT chosen)
{
    state.ended = true;
    state.chosen = chosen;
}

// Enter and a tap act on a row: a command is chosen, a submenu opens, anything else waits.
void Activate(HWND hwnd, PopupState& state, int index)
{
    if (index < 0 || size_t(index) >= state.rows.size() || !IsChoosableRow(state.rows[size_t(index)]))
        return;
    PopupRow row = state.rows[size_t(index)];
    if (row.subMenu)
        OpenSubMenu(hwnd, state, row);
    else
        End(state, row.id);
}

void Back(HWND hwnd, PopupState& state)
{
    if (state.levels.size() < 2) {
        End(state, 0);
        return;
    }
    RECT now {};
    GetWindowRect(hwnd, &now);
    state.levels.pop_back();
    ShowLevel(hwnd, state, POINT { now.left, now.bottom }, TPM_BOTTOMALIGN);
    if (state.openedFrom.back() < int(state.rows.size()))
        state.highlight = state.openedFrom.back();
    state.openedFrom.pop_back();
    ScrollTo(hwnd, state, state.highlight);
}

void Step(HWND hwnd, PopupState& state, int step)
{
    int count = int(state.rows.size());
    for (int n = 1; n <= count; ++n) {
        int index = ((state.highlight < 0 ? (step > 0 ? -1 : 0) : state.highlight) + step * n + count * n) % count;
        if (IsChoosableRow(state.rows[size_t(index)])) {
            state.highlight = index;
            ScrollTo(hwnd, state, index);
            InvalidateRect(hwnd, nullptr, TRUE);
            return;
        }
    }
}

// The keys of both families: the arrows move, Enter (or the left soft key) chooses, Esc (or the
// right soft key, the one that opened the menu) closes a level.
void Key(HWND hwnd, PopupState& state, WPARAM key)
{
    switch (key) {
    case VK_UP: Step(hwnd, state, -1); break;
    case VK_DOWN: Step(hwnd, state, 1); break;
    case VK_RIGHT:
        if (state.highlight >= 0 && state.rows[size_t(state.highlight)].subMenu)
            Activate(hwnd, state, state.highlight);
        break;
    case VK_LEFT:
        if (state.levels.size() > 1)
            Back(hwnd, state);
        break;
    case VK_RETURN:
    case VK_TSOFT1: Activate(hwnd, state, state.highlight); break;
    case VK_ESCAPE: Back(hwnd, state); break;
    case VK_TSOFT2: End(state, 0); break;
    default:
        for (size_t i = 0; key >= '1' && key <= '9' && i < state.rows.size(); ++i)
            if (ItemNumber(state, int(i)) == int(key - '0') && !state.rows[i].separator) {
                Activate(hwnd, state, int(i));
                break;
            }
        break;
    }
}

void Track(HWND hwnd, PopupState& state, UINT message, LPARAM lParam)
{
    POINT point { short(LOWORD(lParam)), short(HIWORD(lParam)) };
    int row = RowAt(hwnd, state, point);
    if (row == HIT_SCROLL_UP || row == HIT_SCROLL_DOWN) {
        if (message == WM_LBUTTONDOWN)
            Scroll(hwnd, state, row == HIT_SCROLL_UP ? -1 : 1);
        return;
    }
    if (message == WM_LBUTTONDOWN && row < 0) {
        End(state, 0);   // a tap outside the menu only closes it
        return;
    }
    if (message == WM_LBUTTONUP) {
        Activate(hwnd, state, row);
        return;
    }
    if (row != state.highlight && (row < 0 || IsChoosableRow(state.rows[size_t(row)]))) {
        state.highlight = row;
        InvalidateRect(hwnd, nullptr, TRUE);
    }
}

}  // namespace

LRESULT PopupMenuProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    PopupState* state = ControlOf<PopupState>(hwnd);
    if (!state)
        return 0;
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE: Track(hwnd, *state, message, lParam); return 0;
    case WM_KEYDOWN: Key(hwnd, *state, wParam); return 0;
    case WM_PAINT: PaintPopup(hwnd, *state); return 0;
    case WM_ERASEBKGND: return 1;
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

HWND OpenPopupWindow(HMENU menu, HWND owner, POINT anchor, UINT flags)
{
    HWND top = owner;
    while (top && (GetWindowLongW(top, GWL_STYLE) & WS_CHILD))
        top = GetParent(top);
    HWND hwnd = CreateWindowExW(WS_EX_TOPMOST, POPUP_MENU_CLASS, u"", WS_POPUP | WS_BORDER, 0, 0, 1, 1, top, nullptr,
                                nullptr, nullptr);
    if (!hwnd)
        return nullptr;
    PopupState* state = ControlOf<PopupState>(hwnd);
    state->owner = owner;
    state->levels.push_back(menu);
    ShowLevel(hwnd, *state, anchor, flags);
    ShowWindow(hwnd, SW_SHOWNA);
    SetCapture(hwnd);
    return hwnd;
}

// True once the menu was chosen from or closed (or its window went with its owner).
bool PopupWindowEnded(HWND popup, UINT& chosen)
{
    if (!IsWindow(popup))
        return true;
    PopupState* state = ControlOf<PopupState>(popup);
    if (!state || !state->ended)
        return false;
    chosen = state->chosen;
    return true;
}

void ClosePopupWindow(HWND popup)
{
    if (GetCapture() == popup)
        ReleaseCapture();
    if (IsWindow(popup))
        DestroyWindow(popup);
}

}  // namespace wce::ui
