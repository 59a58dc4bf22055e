// The window of an open popup menu: its items in a column with the highlighted one lit, checked
// items ticked, grayed ones dimmed and separators as lines. A tap or Enter chooses, a tap outside
// or Esc closes it; a submenu opens in place of its parent, the way small screens show them.
#include <algorithm>

#include "ControlPaint.h"
#include "MenuImpl.h"
#include "WindowImpl.h"
#include "wce/DeviceProfile.h"

namespace wce::ui {

namespace {

constexpr int SEPARATOR_HEIGHT = 7;
constexpr int MARGIN = 16;   // room for the tick at the left and the submenu arrow at the right

struct PopupRow {
    UINT id = 0;
    std::u16string label;
    UINT state = 0;
    bool separator = false;
    HMENU subMenu = nullptr;
};

struct PopupState : ControlState {
    HWND owner = nullptr;
    std::vector<HMENU> levels;   // the menu shown is the last; the ones before it were its parents
    std::vector<int> openedFrom; // the row of each parent that opened the level below it
    std::vector<PopupRow> rows;
    int highlight = -1;
    bool ended = false;
    UINT chosen = 0;
};

int RowHeight()
{
    return LineHeight(nullptr) + 6;
}

int RowExtent(const PopupRow& row)
{
    return row.separator ? SEPARATOR_HEIGHT : RowHeight();
}

bool IsChoosableRow(const PopupRow& row)
{
    return !row.separator && !(row.state & (MF_GRAYED | MF_DISABLED));
}

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

RECT RowRect(const PopupState& state, int index, int width)
{
    int top = 1;
    for (int i = 0; i < index; ++i)
        top += RowExtent(state.rows[size_t(i)]);
    return RECT { 1, top, width - 1, top + RowExtent(state.rows[size_t(index)]) };
}

int RowAt(HWND hwnd, const PopupState& state, POINT point)
{
    RECT client {};
    GetClientRect(hwnd, &client);
    if (point.x < 0 || point.x >= client.right || point.y < 0 || point.y >= client.bottom)
        return -1;
    for (size_t i = 0; i < state.rows.size(); ++i) {
        RECT rect = RowRect(state, int(i), client.right);
        if (point.y >= rect.top && point.y < rect.bottom)
            return int(i);
    }
    return -1;
}

void DrawTick(HDC hdc, const RECT& row)
{
    int x = row.left + 4;
    int y = (row.top + row.bottom) / 2;
    for (int thick = 0; thick < 2; ++thick) {
        MoveToEx(hdc, x, y - 1 + thick, nullptr);
        LineTo(hdc, x + 3, y + 2 + thick);
        LineTo(hdc, x + 9, y - 4 + thick);
    }
}

void DrawArrow(HDC hdc, const RECT& row)
{
    int y = (row.top + row.bottom) / 2;
    POINT tip[3] = { { row.right - 10, y - 4 }, { row.right - 10, y + 4 }, { row.right - 6, y } };
    Polygon(hdc, tip, 3);
}

// A Smartphone numbers the first nine items of a menu; the digit keys choose them.
int ItemNumber(const PopupState& state, int index)
{
    if (!IsSmartphoneLook())
        return 0;
    int number = 0;
    for (int i = 0; i <= index; ++i)
        number += state.rows[size_t(i)].separator ? 0 : 1;
    return number <= 9 ? number : 0;
}

void DrawRow(HDC hdc, const PopupRow& row, RECT rect, bool lit, int number)
{
    if (row.separator) {
        int y = (rect.top + rect.bottom) / 2;
        MoveToEx(hdc, rect.left + 2, y, nullptr);
        LineTo(hdc, rect.right - 2, y);
        return;
    }
    bool enabled = !(row.state & (MF_GRAYED | MF_DISABLED));
    if (lit)
        FillRect(hdc, &rect, GetSysColorBrush(COLOR_HIGHLIGHT));
    COLORREF ink = GetSysColor(!enabled ? COLOR_GRAYTEXT : lit ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT);
    SetTextColor(hdc, ink);
    HGDIOBJ pen = SelectObject(hdc, CreatePen(PS_SOLID, 1, ink));
    HGDIOBJ brush = SelectObject(hdc, CreateSolidBrush(ink));
    if (row.state & MF_CHECKED) {
        DrawTick(hdc, rect);
    } else if (number > 0) {
        char16_t digit[2] = { char16_t(u'0' + number), 0 };
        RECT box { rect.left, rect.top, rect.left + MARGIN, rect.bottom };
        DrawTextW(hdc, digit, 1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    if (row.subMenu)
        DrawArrow(hdc, rect);
    DeleteObject(SelectObject(hdc, brush));
    DeleteObject(SelectObject(hdc, pen));
    RECT text { rect.left + MARGIN, rect.top, rect.right - MARGIN, rect.bottom };
    DrawTextW(hdc, row.label.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

// The menu keeps the system's menu colours; its owner is not asked for any.
void Paint(HWND hwnd, const PopupState& state)
{
    PAINTSTRUCT paint;
    if (HDC hdc = BeginPaint(hwnd, &paint)) {
        RECT client {};
        GetClientRect(hwnd, &client);
        FillRect(hdc, &client, GetSysColorBrush(COLOR_MENU));
        FrameRect(hdc, &client, GetSysColorBrush(COLOR_WINDOWFRAME));
        SetBkMode(hdc, TRANSPARENT);
        for (size_t i = 0; i < state.rows.size(); ++i)
            DrawRow(hdc, state.rows[i], RowRect(state, int(i), client.right), int(i) == state.highlight,
                    ItemNumber(state, int(i)));
    }
    EndPaint(hwnd, &paint);
}

// Shows a menu's items in the window, sized and placed for them; the owner prepares a submenu
// in WM_INITMENUPOPUP before it is read, as it does for the top level.
void ShowLevel(HWND hwnd, PopupState& state, POINT anchor, UINT flags)
{
    state.rows = ReadRows(state.levels.back());
    state.highlight = FirstChoosable(state.rows);
    RECT place = Place(MeasureRows(state.rows), anchor, flags);
    MoveWindow(hwnd, place.left, place.top, place.right - place.left, place.bottom - place.top, FALSE);
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
}

void Step(HWND hwnd, PopupState& state, int step)
{
    int count = int(state.rows.size());
    for (int n = 1; n <= count; ++n) {
        int index = ((state.highlight < 0 ? (step > 0 ? -1 : 0) : state.highlight) + step * n + count * n) % count;
        if (IsChoosableRow(state.rows[size_t(index)])) {
            state.highlight = index;
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
    case WM_PAINT: Paint(hwnd, *state); return 0;
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
