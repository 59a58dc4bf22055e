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

}  // namespace wce::ui
