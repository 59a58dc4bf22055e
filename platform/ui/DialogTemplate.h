// Reader of dialog templates (DLGTEMPLATE and DLGTEMPLATEEX) as a resource holds them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/ByteReader.h"
#include "wce/WinTypes.h"

namespace wce::ui {

// A name field of a template: a string, or an ordinal (0xFFFF then a WORD), or nothing.
struct TemplateName {
    std::u16string text;
    WORD ordinal = 0;
    bool isOrdinal = false;
    bool IsEmpty() const { return !isOrdinal && text.empty(); }
};

struct DialogItemTemplate {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    TemplateName windowClass;   // ordinals 0x80..0x85 are the predefined classes
    TemplateName title;         // an ordinal names a resource (the bitmap of SS_BITMAP)
    std::vector<uint8_t> creationData;
};

struct DialogTemplate {
    bool extended = false;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    TemplateName menu;
    TemplateName windowClass;
    std::u16string title;
    bool hasFont = false;
    WORD pointSize = 0;
    WORD weight = 0;
    uint8_t italic = 0;
    uint8_t charSet = 0;
    std::u16string faceName;
    std::vector<DialogItemTemplate> items;
};

// The most controls one dialog may declare; a template claiming more is rejected.
constexpr size_t MAX_DIALOG_ITEMS = 512;

// Reads a whole template; false when any part of it lies outside the bytes or is malformed.
bool ReadDialogTemplate(const ByteReader& bytes, DialogTemplate& out);

// The class name of a predefined class ordinal (0x80 "BUTTON" ... 0x85 "COMBOBOX"); empty if none.
std::u16string PredefinedClassName(WORD ordinal);

}  // namespace wce::ui
