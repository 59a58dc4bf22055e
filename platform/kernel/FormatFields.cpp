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
IntegerValue ReadInteger(const Spec& spec, bool isSigned, va_list* args)
{
    int64_t value = 0;
    switch (spec.size) {
    case Spec::Size::LongLong:
        value = isSigned ? int64_t(va_arg(*args, long long)) : int64_t(va_arg(*args, unsigned long long));
        break;
    case Spec::Size::Pointer:
        value = isSigned ? int64_t(va_arg(*args, intptr_t)) : int64_t(va_arg(*args, uintptr_t));
        break;
    case Spec::Size::Short: {
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
size_t IntegerDigits(const Spec& spec, uint64_t magnitude, int precision, WCHAR* reversed)
{
    unsigned base = spec.type == u'o' ? 8 : (spec.type == u'x' || spec.type == u'X' || spec.type == u'p' ? 16 : 10);
    size_t count = Digits(magnitude, base, spec.type != u'x', reversed);
    if (count == 0 && precision != 0)
        reversed[count++] = u'0';
    if (spec.type == u'o' && spec.alternate && (count == 0 || reversed[count - 1] != u'0'))
        reversed[count++] = u'0';
    return count;
}

// Sign or base prefix of an integer field.
size_t Prefix(const Spec& spec, const IntegerValue& value, bool isSigned, WCHAR* prefix)
{
    size_t length = 0;
    if (value.negative)
        prefix[length++] = u'-';
    else if (isSigned && spec.plus)
        prefix[length++] = u'+';
    else if (isSigned && spec.space)
        prefix[length++] = u' ';
    if (spec.alternate && value.magnitude != 0 && (spec.type == u'x' || spec.type == u'X')) {
        prefix[length++] = u'0';
        prefix[length++] = spec.type;
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

bool IsWide(const Spec& spec, WCHAR narrowType)
{
    if (spec.type == narrowType)
        return spec.size == Spec::Size::Long || spec.size == Spec::Size::Wide;
    return spec.size != Spec::Size::Short;
}

}  // namespace

void PutField(Output& out, const Spec& spec, const WCHAR* text, size_t length)
{
    size_t padding = size_t(spec.width) > length ? size_t(spec.width) - length : 0;
    if (!spec.left)
        out.Repeat(spec.zero ? u'0' : u' ', padding);
    for (size_t i = 0; i < length; ++i)
        out.Put(text[i]);
    if (spec.left)
        out.Repeat(u' ', padding);
}

void FormatInteger(Output& out, const Spec& spec, va_list* args)
{
    bool isSigned = spec.type == u'd' || spec.type == u'i';
    IntegerValue value;
    int precision = spec.precision;
    if (spec.type == u'p') {
        value.magnitude = uintptr_t(va_arg(*args, void*));
        precision = int(sizeof(void*) * 2);
    } else {
        value = ReadInteger(spec, isSigned, args);
    }
    WCHAR digits[24];
    size_t digitCount = IntegerDigits(spec, value.magnitude, precision, digits);
    WCHAR prefix[4];
    size_t prefixLength = Prefix(spec, value, isSigned, prefix);

    size_t zeros = precision > 0 && size_t(precision) > digitCount ? size_t(precision) - digitCount : 0;
    size_t body = prefixLength + zeros + digitCount;
    size_t width = size_t(spec.width);
    // '0' pads with zeros after the sign, unless a precision or left alignment says otherwise.
    if (spec.zero && !spec.left && spec.precision < 0 && width > body) {
        zeros += width - body;
        body = width;
    }
    size_t padding = width > body ? width - body : 0;
    if (!spec.left)
        out.Repeat(u' ', padding);
    for (size_t i = 0; i < prefixLength; ++i)
        out.Put(prefix[i]);
    out.Repeat(u'0', zeros);
    while (digitCount > 0)
        out.Put(digits[--digitCount]);
    if (spec.left)
        out.Repeat(u' ', padding);
}

void FormatText(Output& out, const Spec& spec, va_list* args)
{
    size_t limit = spec.precision >= 0 ? size_t(spec.precision) : SIZE_MAX;
    if (IsWide(spec, u'S')) {
        const WCHAR* text = va_arg(*args, const WCHAR*);
        if (!text)
            text = NULL_TEXT;
        size_t length = 0;
        while (length < limit && text[length])
            ++length;
        PutField(out, spec, text, length);
        return;
    }
    const char* text = va_arg(*args, const char*);
    if (!text)
        text = "(null)";
    size_t length = 0;
    while (length < limit && text[length])
        ++length;
    std::u16string wide = FromAnsi(text, length);
    PutField(out, spec, wide.data(), wide.size());
}

void FormatCharacter(Output& out, const Spec& spec, va_list* args)
{
    int raw = va_arg(*args, int);
    WCHAR c = WCHAR(raw);
    if (!IsWide(spec, u'C')) {
        char narrow = char(raw);
        std::u16string wide = FromAnsi(&narrow, 1);
        c = wide.size() == 1 ? wide[0] : u'?';
    }
    PutField(out, spec, &c, 1);
}

void FormatFloat(Output& out, const Spec& spec, va_list* args)
{
    double value = va_arg(*args, double);
    char format[32];
    std::snprintf(format, sizeof format, "%%%s%s%s%s%s*.*%c", spec.left ? "-" : "", spec.zero ? "0" : "",
                  spec.plus ? "+" : "", spec.space ? " " : "", spec.alternate ? "#" : "", char(spec.type));
    int length = std::snprintf(nullptr, 0, format, spec.width, spec.precision, value);
    if (length <= 0)
        return;
    std::string text(size_t(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, spec.width, spec.precision, value);
    for (int i = 0; i < length; ++i)
        out.Put(WCHAR(static_cast<unsigned char>(text[size_t(i)])));
}

}  // namespace wce::format
