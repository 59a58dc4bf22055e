// Readers for dialog templates, menus and menu-bar records, as the tests need them.
#include "ResourceLibrary.h"

namespace {

constexpr DWORD DS_SETFONT_FLAG = 0x40;
constexpr WORD MF_POPUP_FLAG = 0x10;
constexpr WORD MF_END_FLAG = 0x80;
constexpr int MAX_MENU_DEPTH = 4;

// A name or ordinal field: 0 (none), 0xFFFF followed by an ordinal, or a terminated string.
void SkipNameOrOrdinal(ByteCursor& cursor, std::u16string* text = nullptr)
{
    ByteCursor peek = cursor;
    WORD first = peek.U16();
    if (first == 0xFFFF) {
        cursor.U16();
        cursor.U16();
    } else {
        std::u16string value = cursor.Utf16Z(256);
        if (text)
            *text = value;
    }
}

bool ParseMenuItems(ByteCursor& cursor, MenuResource& out, int depth)
{
    if (depth > MAX_MENU_DEPTH)
        return false;
    for (;;) {
        WORD flags = cursor.U16();
        if (!(flags & MF_POPUP_FLAG))
            out.commands.insert(cursor.U16());
        cursor.Utf16Z(256);
        if (!cursor.Ok())
            return false;
        if (flags & MF_POPUP_FLAG) {
            if (depth == 0)
                ++out.popupCount;
            if (!ParseMenuItems(cursor, out, depth + 1))
                return false;
        }
        if (flags & MF_END_FLAG)
            return true;
    }
}

}  // namespace

bool ParseDialog(const ByteReader& bytes, DialogTemplate& out)
{
    ByteCursor cursor(bytes);
    out.style = cursor.U32();
    cursor.U32();                                       // extended style
    WORD count = cursor.U16();
    cursor.Skip(4);                                     // x, y
    out.cx = int16_t(cursor.U16());
    out.cy = int16_t(cursor.U16());
    SkipNameOrOrdinal(cursor);                          // menu
    SkipNameOrOrdinal(cursor);                          // class
    out.caption = cursor.Utf16Z(256);
    if (out.style & DS_SETFONT_FLAG) {
        cursor.U16();
        cursor.Utf16Z(64);
    }
    for (WORD i = 0; i < count && cursor.Ok(); ++i) {
        cursor.Align(4);
        DialogItem item;
        item.style = cursor.U32();
        cursor.U32();
        item.x = int16_t(cursor.U16());
        item.y = int16_t(cursor.U16());
        item.cx = int16_t(cursor.U16());
        item.cy = int16_t(cursor.U16());
        item.id = cursor.U16();
        SkipNameOrOrdinal(cursor);                      // class
        SkipNameOrOrdinal(cursor);                      // text
        cursor.Skip(cursor.U16());                      // creation data
        out.items.push_back(item);
    }
    return cursor.Ok() && out.items.size() == count;
}

bool ParseMenu(const ByteReader& bytes, MenuResource& out)
{
    ByteCursor cursor(bytes);
    WORD version = cursor.U16();
    WORD headerSize = cursor.U16();
    cursor.Skip(headerSize);
    return cursor.Ok() && version == 0 && ParseMenuItems(cursor, out, 0);
}

bool ParseMenuBar(const ByteReader& bytes, MenuBarRecord& out)
{
    ByteCursor cursor(bytes);
    out.menuId = cursor.U16();
    WORD count = cursor.U16();
    for (WORD i = 0; i < count && cursor.Ok(); ++i) {
        MenuBarButton button;
        button.bitmap = cursor.U16();
        button.command = cursor.U16();
        button.stateStyle = cursor.U16();
        button.stringId = cursor.U16();
        button.popup = cursor.U16();
        out.buttons.push_back(button);
    }
    return cursor.Ok() && out.buttons.size() == count;
}
