// The open popup menu's state, shared by its behaviour (PopupMenu.cpp), its rows' geometry and
// scrolling (PopupMenuLayout.cpp) and its painting (PopupMenuPaint.cpp).
#pragma once

#include <string>
#include <vector>

#include "wce/WinUser.h"
#include "WindowImpl.h"

namespace wce::ui {

constexpr int SEPARATOR_HEIGHT = 7;
constexpr int MARGIN = 16;   // room for the tick at the left and the submenu arrow at the right
constexpr int SCROLL_ARROW = 12;   // the strip of each scroll arrow
// RowAt's answers besides a row index.
constexpr int HIT_OUTSIDE = -1;
constexpr int HIT_SCROLL_UP = -2;
constexpr int HIT_SCROLL_DOWN = -3;

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
    int firstRow = 0;            // the first row shown
    bool scrolls = false;        // the rows do not all fit: the arrows are shown
    bool ended = false;
    UINT chosen = 0;
};

int RowExtent(const PopupRow& row);
bool IsChoosableRow(const PopupRow& row);
// A Smartphone numbers the first nine items of a menu (the digit keys choose them); 0 elsewhere.
int ItemNumber(const PopupState& state, int index);

// The rows' area of the client: between the arrows when the menu scrolls.
RECT RowsArea(HWND hwnd, const PopupState& state);
// A row's rectangle in the client; a row above the first one shown gets an empty one.
RECT RowRect(HWND hwnd, const PopupState& state, int index);
bool IsRowShown(HWND hwnd, const PopupState& state, int index);
// Whether the menu can scroll a row up (step -1) or down (+1), and doing so.
bool CanScroll(HWND hwnd, const PopupState& state, int step);
void Scroll(HWND hwnd, PopupState& state, int step);
// Scrolls until the row is shown whole.
void ScrollTo(HWND hwnd, PopupState& state, int index);

void PaintPopup(HWND hwnd, const PopupState& state);

}  // namespace wce::ui
