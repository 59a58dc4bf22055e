// Menu objects behind HMENU handles.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "wce/WinUser.h"

namespace wce::ui {

struct MenuItem {
    UINT type = MFT_STRING;   // MFT_STRING or MFT_SEPARATOR
    UINT state = 0;           // MF_GRAYED, MF_CHECKED
    UINT id = 0;
    std::u16string text;
    HMENU subMenu = nullptr;
};

struct Menu {
    bool popup = false;
    std::vector<MenuItem> items;
};

// Every menu record is reached through this lock.
std::recursive_mutex& MenuLock();
// The record of a live menu, or null. Call with MenuLock held.
Menu* FindMenuRecord(HMENU menu);

// The text of an item as a menu shows it: "&" marks are dropped, "&&" stays one "&", and a tab
// ends the label.
std::u16string MenuItemLabel(const std::u16string& text);

// Where a popup opens: an anchor point on the screen and TPM_ alignment flags.
struct PopupPlacement {
    POINT anchor {};
    UINT flags = 0;
};

// Sends WM_INITMENUPOPUP for the popup, lets the user (or automation) choose and returns the
// command chosen (0 when dismissed).
UINT RunPopupMenu(HMENU menu, HWND owner, UINT position, const PopupPlacement& place);

// The window class of an open popup menu, and its window: opened at a place with the capture
// taken, asked whether it ended (and with which command), closed.
inline constexpr const char16_t* POPUP_MENU_CLASS = u"menu_popup";
HWND OpenPopupWindow(HMENU menu, HWND owner, POINT anchor, UINT flags);
bool PopupWindowEnded(HWND popup, UINT& chosen);
void ClosePopupWindow(HWND popup);

}  // namespace wce::ui
