// Builds dialog templates in memory, laid out as a resource compiler writes them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wce/WinUser.h"

namespace uitest {

class TemplateBuilder {
public:
    TemplateBuilder(DWORD style, short cx, short cy, const char16_t* title, WORD pointSize = 8)
    {
        U32(style | (pointSize ? DS_SETFONT : 0));
        U32(0);
        countAt = bytes.size();
        U16(0);
        U16(0); U16(0); U16(WORD(cx)); U16(WORD(cy));
        U16(0);   // no menu
        U16(0);   // the dialog class
        Text(title);
        if (pointSize) {
            U16(pointSize);
            Text(u"Tahoma");
        }
    }

    // classOrdinal 0x80 button, 0x81 edit, 0x82 static, 0x85 combo box; or a class name.
    TemplateBuilder& Item(WORD classOrdinal, const char16_t* className, DWORD style, short x, short y, short cx, short cy,
                          WORD id, const char16_t* text)
    {
        while (bytes.size() % 4)
            bytes.push_back(0);
        U32(style | WS_CHILD | WS_VISIBLE);
        U32(0);
        U16(WORD(x)); U16(WORD(y)); U16(WORD(cx)); U16(WORD(cy));
        U16(id);
        if (classOrdinal) {
            U16(0xFFFF);
            U16(classOrdinal);
        } else {
            Text(className);
        }
        Text(text);
        U16(0);   // no creation data
        ++count;
        bytes[countAt] = uint8_t(count);
        bytes[countAt + 1] = uint8_t(count >> 8);
        return *this;
    }

    const DLGTEMPLATE* Get()
    {
        aligned.assign((bytes.size() + 3) / 4, 0);
        std::copy(bytes.begin(), bytes.end(), reinterpret_cast<uint8_t*>(aligned.data()));
        return reinterpret_cast<const DLGTEMPLATE*>(aligned.data());
    }
    const std::vector<uint8_t>& Bytes() const { return bytes; }

private:
    void U16(WORD value)
    {
        bytes.push_back(uint8_t(value));
        bytes.push_back(uint8_t(value >> 8));
    }
    void U32(DWORD value)
    {
        U16(WORD(value));
        U16(WORD(value >> 16));
    }
    void Text(const char16_t* text)
    {
        for (; text && *text; ++text)
            U16(*text);
        U16(0);
    }

    std::vector<uint8_t> bytes;
    std::vector<uint32_t> aligned;
    size_t countAt = 0;
    WORD count = 0;
};

}  // namespace uitest
