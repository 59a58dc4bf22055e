// The formatting engine behind the wsprintfW and _snwprintf families.
#pragma once

#include <cstdarg>
#include <cstddef>

#include "wce/WinTypes.h"

namespace wce::format {

// Counts every character produced and stores those within capacity (no terminator).
struct Output {
    WCHAR* buffer = nullptr;
    size_t capacity = 0;
    size_t length = 0;

    void Put(WCHAR c)
    {
        if (length < capacity)
            buffer[length] = c;
        ++length;
    }
    void Repeat(WCHAR c, size_t count)
    {
        for (size_t i = 0; i < count; ++i)
            Put(c);
    }
};

// A parsed conversion: %[flags][width][.precision][size]type.
struct Conversion {
    bool left = false;
    bool zero = false;
    bool plus = false;
    bool space = false;
    bool alternate = false;
    int width = 0;
    int precision = -1;           // -1: none given
    enum class Size { Default, Short, Long, LongLong, Pointer, Wide } size = Size::Default;
    WCHAR type = 0;
};

// Formats into out; args is consumed.
void FormatTo(Output& out, const WCHAR* format, va_list* args);

// The conversions of one field, given its conversion; they take their arguments from args.
void FormatInteger(Output& out, const Conversion& conversion, va_list* args);
void FormatText(Output& out, const Conversion& conversion, va_list* args);
void FormatCharacter(Output& out, const Conversion& conversion, va_list* args);
void FormatFloat(Output& out, const Conversion& conversion, va_list* args);

// Writes text of the given length as a field: width, padding and alignment of conversion.
void PutField(Output& out, const Conversion& conversion, const WCHAR* text, size_t length);

}  // namespace wce::format
