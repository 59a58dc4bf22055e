// Reader of MENU resources (the classic layout a resource compiler writes for MENU).
#pragma once

#include <string>
#include <vector>

#include "common/ByteReader.h"
#include "wce/WinTypes.h"

namespace wce::ui {

struct MenuItemTemplate {
    WORD flags = 0;                  // MF_POPUP, MF_GRAYED, MF_CHECKED, MF_SEPARATOR... (MF_END dropped)
    WORD id = 0;                     // commands only
    std::u16string text;
    std::vector<MenuItemTemplate> children;   // popups only
};

// Popups nest at most this deep and a menu holds at most this many items in all; deeper or larger
// resources are refused rather than walked.
constexpr int MAX_MENU_DEPTH = 8;
constexpr size_t MAX_MENU_ITEMS = 1024;

// The top-level items of the menu; false when the resource is damaged or of another layout.
bool ReadMenuTemplate(const ByteReader& bytes, std::vector<MenuItemTemplate>& items);

}  // namespace wce::ui

namespace wce::ui {

// One button of a menu bar resource (the layout is described in Shell.h).
struct MenuBarButton {
    WORD bitmapIndex = 0;
    WORD commandId = 0;
    BYTE state = 0;
    BYTE style = 0;
    WORD stringId = 0;
    WORD subMenuIndex = 0xFFFF;
};

struct MenuBarTemplate {
    WORD menuId = 0;
    std::vector<MenuBarButton> buttons;
};

// A bar holds at most this many buttons; a resource claiming more is refused.
constexpr size_t MAX_MENU_BAR_BUTTONS = 16;

bool ReadMenuBarTemplate(const ByteReader& bytes, MenuBarTemplate& bar);

}  // namespace wce::ui
