// The list that drops down under a combo box: a popup window of rows; a tap on a row chooses it,
// Enter chooses the highlighted row and Esc closes the list without a choice.
#include <algorithm>

#include "ControlPaint.h"
#include "WindowImpl.h"
#include "wce/DeviceProfile.h"

namespace wce::ui {

void ComboDropDownChosen(HWND combo, int index);

namespace {

constexpr int MAX_VISIBLE_ROWS = 8;

struct DropDownState : ControlState {
    HWND combo = nullptr;
    std::vector<std::u16string> items;
    int highlight = -1;
    int firstRow = 0;
};

int RowHeight(HWND hwnd)
{
    return LineHeight(reinterpret_cast<HGDIOBJ>(SendMessageW(hwnd, WM_GETFONT, 0, 0))) + 2;
}

void Paint(HWND hwnd, DropDownState& state)
{
    int rowHeight = RowHeight(hwnd);
    PaintControl(hwnd, WM_CTLCOLORLISTBOX, [&](HDC hdc, RECT client) {
        FrameRect(hdc, &client, GetSysColorBrush(COLOR_WINDOWFRAME));
        SetBkMode(hdc, TRANSPARENT);
        for (int row = state.firstRow; row < int(state.items.size()); ++row) {
            RECT line { client.left + 1, 1 + (row - state.firstRow) * rowHeight, client.right - 1, 0 };
            line.bottom = line.top + rowHeight;
            if (line.top >= client.bottom)
                break;
            bool lit = row == state.highlight;
            if (lit)
                FillRect(hdc, &line, GetSysColorBrush(COLOR_HIGHLIGHT));
            SetTextColor(hdc, GetSysColor(lit ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
            line.left += 2;
            DrawTextW(hdc, state.items[size_t(row)].c_str(), -1, &line,
                      DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        }
    });
}

void Choose(HWND hwnd, DropDownState& state, int index)
{
    ComboDropDownChosen(state.combo, index);   // destroys this window
}

// The list holds the capture: a tap outside it (or below its last row) closes it without a choice.
int RowAt(HWND hwnd, const DropDownState& state, LPARAM lParam)
{
    POINT point { short(LOWORD(lParam)), short(HIWORD(lParam)) };
    RECT client {};
    GetClientRect(hwnd, &client);
    if (point.x < 0 || point.x >= client.right || point.y < 1 || point.y >= client.bottom - 1)
        return -1;
    int row = state.firstRow + (point.y - 1) / RowHeight(hwnd);
    return row < int(state.items.size()) ? row : -1;
}

// The arrows move the highlight, Enter or the left soft key chooses it, Esc or the right soft
// key closes the list.
void Key(HWND hwnd, DropDownState& state, WPARAM key)
{
    if ((key == VK_UP || key == VK_DOWN) && !state.items.empty()) {
        int step = key == VK_UP ? -1 : 1;
        state.highlight = std::clamp(state.highlight + step, 0, int(state.items.size()) - 1);
        state.firstRow = std::clamp(state.firstRow, state.highlight - MAX_VISIBLE_ROWS + 1, state.highlight);
        InvalidateRect(hwnd, nullptr, TRUE);
    } else if (key == VK_RETURN || key == VK_TSOFT1) {
        Choose(hwnd, state, state.highlight);
    } else if (key == VK_ESCAPE || key == VK_TSOFT2) {
        Choose(hwnd, state, -1);
    }
}

}  // namespace

LRESULT DropDownProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    DropDownState* state = ControlOf<DropDownState>(hwnd);
    if (!state)
        return 0;
    switch (message) {
    case WM_LBUTTONDOWN: Choose(hwnd, *state, RowAt(hwnd, *state, lParam)); return 0;
    case WM_KEYDOWN: Key(hwnd, *state, wParam); return 0;
    case WM_PAINT: Paint(hwnd, *state); return 0;
    case WM_ERASEBKGND: return 1;
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

HWND ShowComboDropDown(HWND combo, const std::vector<std::u16string>& items, int selection)
{
    RECT below {};
    GetWindowRect(combo, &below);
    int rows = std::clamp(int(items.size()), 1, MAX_VISIBLE_ROWS);
    int height = rows * RowHeight(combo) + 2;
    int top = below.bottom;
    if (top + height > GetDeviceProfile().screenHeight)
        top = std::max(0, int(below.top) - height);   // no room below: the list opens upward
    HWND owner = combo;
    while (GetWindowLongW(owner, GWL_STYLE) & WS_CHILD)
        owner = GetParent(owner);
    HWND list = CreateWindowExW(WS_EX_TOPMOST, u"ComboLBox", u"", WS_POPUP | WS_BORDER, below.left, top,
                                below.right - below.left, height, owner, nullptr, nullptr, nullptr);
    if (!list)
        return nullptr;
    DropDownState* state = ControlOf<DropDownState>(list);
    state->combo = combo;
    state->items = items;
    state->highlight = selection;
    state->firstRow = std::max(0, selection - MAX_VISIBLE_ROWS + 1);
    SendMessageW(list, WM_SETFONT, SendMessageW(combo, WM_GETFONT, 0, 0), 0);
    ShowWindow(list, SW_SHOWNA);
    SetCapture(list);
    return list;
}

void CloseComboDropDown(HWND list)
{
    if (GetCapture() == list)
        ReleaseCapture();
    if (IsWindow(list))
        DestroyWindow(list);
}

}  // namespace wce::ui
