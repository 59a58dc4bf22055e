// The conversions of the wsprintfW family: integers, text, characters and floating point.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "FormatInternal.h"
#include "wce/WinNls.h"
#include "wce/WinString.h"

namespace wce::format {
namespace {

constexpr WCHAR NULL_TEXT[] = u"(null)";

struct IntegerValue {
    uint64_t magnitude = 0;
    bool negative = false;
};

// 'l' is 32 bits on the device, so plain and 'l' arguments are both read as int.
IntegerValue ReadInteger(const Conversion& conversion, bool isSigned, va_list* args)
{
    int64_t value = 0;
    switch (conversion.size) {
    case Conversion::Size::LongLong:
        value = isSigned ? int64_t(va_arg(*args, long long)) : int64_t(va_arg(*args, unsigned long long));
        break;
    case Conversion::Size::Pointer:
        value = isSigned ? int64_t(va_arg(*args, intptr_t)) : int64_t(va_arg(*args, uintptr_t));
        break;
    case Conversion::Size::Short: {
        int raw = va_arg(*args, int);
        value = isSigned ? int64_t(int16_t(raw)) : int64_t(uint16_t(raw));
        break;
    }
    default:
        value = isSigned ? int64_t(va_arg(*args, int)) : int64_t(va_arg(*args, unsigned int));
        break;
    }
    IntegerValue result;
    result.negative = isSigned && value < 0;
    // Negating through unsigned keeps the most negative value exact.
    result.magnitude = result.negative ? 0 - uint64_t(value) : uint64_t(value);
    return result;
}

size_t Digits(uint64_t magnitude, unsigned base, bool upper, WCHAR* reversed)
{
    const char* digitSet = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    size_t count = 0;
    while (magnitude != 0) {
        reversed[count++] = WCHAR(digitSet[magnitude % base]);
        magnitude /= base;
    }
    return count;
}

// The digits of an integer field, lowest first: none for a zero of precision 0, and octal's '#'
// leading zero.
size_t IntegerDigits(const Conversion& conversion, uint64_t magnitude, int precision, WCHAR* reversed)
{
    unsigned base = conversion.type == u'o' ? 8 : (conversion.type == u'x' || conversion.type == u'X' || conversion.type == u'p' ? 16 : 10);
    size_t count = Digits(magnitude, base, conversion.type != u'x', reversed);
    if (count == 0 && precision != 0)
        reversed[count++] = u'0';
    if (conversion.type == u'o' && conversion.alternate && (count == 0 || reversed[count - 1] != u'0'))
        reversed[count++] = u'0';
    return count;
}

// Sign or base prefix of an integer field.
size_t Prefix(const Conversion& conversion, const IntegerValue& value, bool isSigned, WCHAR* prefix)
{
    size_t length = 0;
    if (value.negative)
        prefix[length++] = u'-';
    else if (isSigned && conversion.plus)
        prefix[length++] = u'+';
    else if (isSigned && conversion.space)
        prefix[length++] = u' ';
    if (conversion.alternate && value.magnitude != 0 && (conversion.type == u'x' || conversion.type == u'X')) {
        prefix[length++] = u'0';
        prefix[length++] = conversion.type;
    }
    return length;
}

// Converts 8-bit text in the ANSI code page; text the code page cannot decode still prints.
std::u16string FromAnsi(const char* text, size_t length)
{
    if (length == 0)
        return std::u16string();
    int needed = MultiByteToWideChar(CP_ACP, 0, text, int(length), nullptr, 0);
    if (needed <= 0)
        return std::u16string(length, u'?');
    std::u16string wide(size_t(needed), u'\0');
    MultiByteToWideChar(CP_ACP, 0, text, int(length), wide.data(), needed);
    return wide;
}

bool IsWide(const Conversion& conversion, WCHAR narrowType)
{
    if (conversion.type == narrowType)
        return conversion.size == Conversion::Size::Long || conversion.size == Conversion::Size::Wide;
    return conversion.size != Conversion::Size::Short;
}

}  // namespace

void PutField(Output& out, const Conversion& conversion, const WCHAR* text, size_t length)
{
    size_t padding = size_t(conversion.width) > length ? size_t(conversion.width) - length : 0;
    if (!conversion.left)
        out.Repeat(conversion.zero ? u'0' : u' ', padding);
    for (size_t i = 0; i < length; ++i)
        out.Put(text[i]);
    if (conversion.left)
        out.Repeat(u' ', padding);
}

void FormatInteger(Output& out, const Conversion& conversion, va_list* args)
{
    bool isSigned = conversion.type == u'd' || conversion.type == u'i';
    IntegerValue value;
    int precision = conversion.precision;
    if (conversion.type == u'p') {
        value.magnitude = uintptr_t(va_arg(*args, void*));
        precision = int(sizeof(void*) * 2);
    } else {
        value = ReadInteger(conversion, isSigned, args);
    }
    WCHAR digits[24];
    size_t digitCount = IntegerDigits(conversion, value.magnitude, precision, digits);
    WCHAR prefix[4];
    size_t prefixLength = Prefix(conversion, value, isSigned, prefix);

    size_t zeros = precision > 0 && size_t(precision) > digitCount ? size_t(precision) - digitCount : 0;
    size_t body = prefixLength + zeros + digitCount;
    size_t width = size_t(conversion.width);
    // '0' pads with zeros after the sign, unless a precision or left alignment says otherwise.
    if (conversion.zero && !conversion.left && conversion.precision < 0 && width > body) {
        zeros += width - body;
        body = width;
    }
    size_t padding = width > body ? width - body : 0;
    if (!conversion.left)
        out.Repeat(u' ', padding);
    for (size_t i = 0; i < prefixLength; ++i)
        out.Put(prefix[i]);
    out.Repeat(u'0', zeros);
    while (digitCount > 0)
        out.Put(digits[--digitCount]);
    if (conversion.left)
        out.Repeat(u' ', padding);
}

void FormatText(Output& out, const Conversion& conversion, va_list* args)
{
    size_t limit = conversion.precision >= 0 ? size_t(conversion.precision) : SIZE_MAX;
    if (IsWide(conversion, u'S')) {
        const WCHAR* text = va_arg(*args, const WCHAR*);
        if (!text)
            text = NULL_TEXT;
        size_t length = 0;
        while (length < limit && text[length])
            ++length;
        PutField(out, conversion, text, length);
        return;
    }
    const char* text = va_arg(*args, const char*);
    if (!text)
        text = "(null)";
    size_t length = 0;
    while (length < limit && text[length])
        ++length;
    std::u16string wide = FromAnsi(text, length);
    PutField(out, conversion, wide.data(), wide.size());
}

void FormatCharacter(Output& out, const Conversion& conversion, va_list* args)
{
    int raw = va_arg(*args, int);
    WCHAR c = WCHAR(raw);
    if (!IsWide(conversion, u'C')) {
        char narrow = char(raw);
        std::u16string wide = FromAnsi(&narrow, 1);
        c = wide.size() == 1 ? wide[0] : u'?';
    }
    PutField(out, conversion, &c, 1);
}

void FormatFloat(Output& out, const Conversion& conversion, va_list* args)
{
    double value = va_arg(*args, double);
    char format[32];
    std::snprintf(format, sizeof format, "%%%s%s%s%s%s*.*%c", conversion.left ? "-" : "", conversion.zero ? "0" : "",
                  conversion.plus ? "+" : "", conversion.space ? " " : "", conversion.alternate ? "#" : "", char(conversion.type));
    int length = std::snprintf(nullptr, 0, format, conversion.width, conversion.precision, value);
    if (length <= 0)
        return;
    std::string text(size_t(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, conversion.width, conversion.precision, value);
    for (int i = 0; i < length; ++i)
        out.Put(WCHAR(static_cast<unsigned char>(text[size_t(i)])));
}

}  // namespace wce::format
