// MENU resources: a four-byte header, then items; a popup's items follow it and the last item of
// every level carries MF_END.
#include "MenuResource.h"

namespace wce::ui {

namespace {

constexpr WORD FLAG_POPUP = 0x0010;
constexpr WORD FLAG_END = 0x0080;
constexpr size_t MAX_TEXT_UNITS = 512;

struct MenuReader {
    ByteCursor cursor;
    size_t total = 0;

    bool ReadLevel(std::vector<MenuItemTemplate>& items, int depth)
    {
        if (depth > MAX_MENU_DEPTH)
            return false;
        for (;;) {
            if (++total > MAX_MENU_ITEMS)
                return false;
            MenuItemTemplate item;
            WORD flags = cursor.U16();
            if (!(flags & FLAG_POPUP))
                item.id = cursor.U16();
            item.text = cursor.Utf16Z(MAX_TEXT_UNITS);
            if (!cursor.Ok())
                return false;
            item.flags = WORD(flags & ~FLAG_END);
            if ((flags & FLAG_POPUP) && !ReadLevel(item.children, depth + 1))
                return false;
            items.push_back(std::move(item));
            if (flags & FLAG_END)
                return true;
        }
    }
};

}  // namespace

bool ReadMenuTemplate(const ByteReader& bytes, std::vector<MenuItemTemplate>& items)
{
    items.clear();
    MenuReader reader { ByteCursor(bytes) };
    WORD version = reader.cursor.U16();
    WORD headerSize = reader.cursor.U16();
    if (!reader.cursor.Ok() || version != 0)
        return false;   // MENUEX (version 1) is not used by our resources
    reader.cursor.Skip(headerSize);
    if (!reader.cursor.Ok())
        return false;
    if (reader.cursor.Remaining() == 0)
        return true;   // an empty menu
    return reader.ReadLevel(items, 0);
}

}  // namespace wce::ui

namespace wce::ui {

bool ReadMenuBarTemplate(const ByteReader& bytes, MenuBarTemplate& bar)
{
    bar = MenuBarTemplate();
    ByteCursor cursor(bytes);
    bar.menuId = cursor.U16();
    size_t count = cursor.U16();
    if (!cursor.Ok() || count > MAX_MENU_BAR_BUTTONS)
        return false;
    for (size_t i = 0; i < count; ++i) {
        MenuBarButton button;
        button.bitmapIndex = cursor.U16();
        button.commandId = cursor.U16();
        button.state = cursor.U8();
        button.style = cursor.U8();
        button.stringId = cursor.U16();
        button.subMenuIndex = cursor.U16();
        bar.buttons.push_back(button);
    }
    return cursor.Ok();
}

}  // namespace wce::ui
