// Dialog templates: the fixed header, the menu / class / title fields, the font, then one
// DWORD-aligned record per control. Both the classic and the extended layout are read.
#include "DialogTemplate.h"

namespace wce::ui {

namespace {

// No name in a template is longer than this; a longer one is treated as damage.
constexpr size_t MAX_NAME_UNITS = 1024;
constexpr size_t MAX_CREATION_DATA = 0x4000;

TemplateName ReadName(ByteCursor& cursor)
{
    TemplateName name;
    uint16_t first = cursor.U16();
    if (!cursor.Ok())
        return name;
    if (first == 0)
        return name;
    if (first == 0xFFFF) {
        name.isOrdinal = true;
        name.ordinal = cursor.U16();
        return name;
    }
    // A string: the unit just read was its first character.
    std::u16string rest = cursor.Utf16Z(MAX_NAME_UNITS);
    name.text = std::u16string(1, char16_t(first)) + rest;
    return name;
}

void ReadHeader(ByteCursor& cursor, DialogTemplate& out)
{
    uint16_t version = cursor.U16();
    uint16_t signature = cursor.U16();
    out.extended = cursor.Ok() && version == 1 && signature == 0xFFFF;
    if (out.extended) {
        cursor.U32();   // help id
        out.exStyle = cursor.U32();
        out.style = cursor.U32();
    } else {
        out.style = uint32_t(version) | uint32_t(signature) << 16;
        out.exStyle = cursor.U32();
    }
}

size_t ReadGeometryAndCount(ByteCursor& cursor, DialogTemplate& out)
{
    size_t count = cursor.U16();
    out.x = short(cursor.U16());
    out.y = short(cursor.U16());
    out.cx = short(cursor.U16());
    out.cy = short(cursor.U16());
    return count;
}

void ReadFont(ByteCursor& cursor, DialogTemplate& out)
{
    // DS_SHELLFONT (DS_SETFONT | DS_FIXEDSYS) carries the same record.
    out.hasFont = (out.style & 0x40) != 0;
    if (!out.hasFont)
        return;
    out.pointSize = cursor.U16();
    if (out.extended) {
        out.weight = cursor.U16();
        out.italic = cursor.U8();
        out.charSet = cursor.U8();
    }
    out.faceName = cursor.Utf16Z(MAX_NAME_UNITS);
}

bool ReadItem(ByteCursor& cursor, bool extended, DialogItemTemplate& item)
{
    cursor.Align(4);
    if (extended) {
        cursor.U32();   // help id
        item.exStyle = cursor.U32();
        item.style = cursor.U32();
    } else {
        item.style = cursor.U32();
        item.exStyle = cursor.U32();
    }
    item.x = short(cursor.U16());
    item.y = short(cursor.U16());
    item.cx = short(cursor.U16());
    item.cy = short(cursor.U16());
    item.id = extended ? cursor.U32() : cursor.U16();
    item.windowClass = ReadName(cursor);
    item.title = ReadName(cursor);
    size_t extra = cursor.U16();
    if (!cursor.Ok() || extra > MAX_CREATION_DATA || extra > cursor.Remaining())
        return false;
    item.creationData.resize(extra);
    for (size_t i = 0; i < extra; ++i)
        item.creationData[i] = cursor.U8();
    return cursor.Ok() && (item.windowClass.isOrdinal || !item.windowClass.text.empty());
}

}  // namespace

std::u16string PredefinedClassName(WORD ordinal)
{
    switch (ordinal) {
    case 0x80: return u"BUTTON";
    case 0x81: return u"EDIT";
    case 0x82: return u"STATIC";
    case 0x83: return u"LISTBOX";
    case 0x84: return u"SCROLLBAR";
    case 0x85: return u"COMBOBOX";
    default: return std::u16string();
    }
}

bool ReadDialogTemplate(const ByteReader& bytes, DialogTemplate& out)
{
    out = DialogTemplate();
    ByteCursor cursor(bytes);
    ReadHeader(cursor, out);
    size_t count = ReadGeometryAndCount(cursor, out);
    if (!cursor.Ok() || count > MAX_DIALOG_ITEMS)
        return false;
    out.menu = ReadName(cursor);
    out.windowClass = ReadName(cursor);
    TemplateName title = ReadName(cursor);
    out.title = title.text;   // a title given as an ordinal has no text to show
    ReadFont(cursor, out);
    if (!cursor.Ok())
        return false;
    out.items.resize(count);
    for (DialogItemTemplate& item : out.items)
        if (!ReadItem(cursor, out.extended, item))
            return false;
    return true;
}

}  // namespace wce::ui
