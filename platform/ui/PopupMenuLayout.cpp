// The popup menu's rows: their sizes, where each is in the window, and scrolling through a menu
// taller than the screen.
#include "ControlPaint.h"
#include "GdiLink.h"
#include "PopupMenuImpl.h"

namespace wce::ui {

namespace {

int RowHeight()
{
    return LineHeight(nullptr) + 6;
}

}  // namespace

int RowExtent(const PopupRow& row)
{
    return row.separator ? SEPARATOR_HEIGHT : RowHeight();
}

bool IsChoosableRow(const PopupRow& row)
{
    return !row.separator && !(row.state & (MF_GRAYED | MF_DISABLED));
}

int ItemNumber(const PopupState& state, int index)
{
    if (!IsSmartphoneLook())
        return 0;
    int number = 0;
    for (int i = 0; i <= index; ++i)
        number += state.rows[size_t(i)].separator ? 0 : 1;
    return number <= 9 ? number : 0;
}

RECT RowsArea(HWND hwnd, const PopupState& state)
{
    RECT client {};
    GetClientRect(hwnd, &client);
    int arrow = state.scrolls ? SCROLL_ARROW : 0;
    return RECT { 1, 1 + arrow, client.right - 1, client.bottom - 1 - arrow };
}

RECT RowRect(HWND hwnd, const PopupState& state, int index)
{
    RECT area = RowsArea(hwnd, state);
    int top = area.top;
    for (int i = state.firstRow; i < index; ++i)
        top += RowExtent(state.rows[size_t(i)]);
    if (index < state.firstRow)
        return RECT { area.left, area.top, area.right, area.top };
    return RECT { area.left, top, area.right, top + RowExtent(state.rows[size_t(index)]) };
}

bool IsRowShown(HWND hwnd, const PopupState& state, int index)
{
    RECT rect = RowRect(hwnd, state, index);
    return index >= state.firstRow && rect.bottom <= RowsArea(hwnd, state).bottom;
}

bool CanScroll(HWND hwnd, const PopupState& state, int step)
{
    if (!state.scrolls)
        return false;
    return step < 0 ? state.firstRow > 0 : !IsRowShown(hwnd, state, int(state.rows.size()) - 1);
}

void Scroll(HWND hwnd, PopupState& state, int step)
{
    if (!CanScroll(hwnd, state, step))
        return;
    state.firstRow += step;
    InvalidateRect(hwnd, nullptr, TRUE);
}

void ScrollTo(HWND hwnd, PopupState& state, int index)
{
    if (!state.scrolls || index < 0)
        return;
    while (index < state.firstRow && CanScroll(hwnd, state, -1))
        --state.firstRow;
    while (!IsRowShown(hwnd, state, index) && CanScroll(hwnd, state, 1))
        ++state.firstRow;
    InvalidateRect(hwnd, nullptr, TRUE);
}

}  // namespace wce::ui
