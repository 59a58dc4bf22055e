// The wsprintfW and _snwprintf families over WCHAR: format parsing and the buffer rules of each.
#include <cstdint>

#include "FormatInternal.h"
#include "wce/WinString.h"

namespace wce::format {
namespace {

void ParseFlags(const WCHAR*& p, Conversion& conversion)
{
    for (;; ++p) {
        switch (*p) {
        case u'-': conversion.left = true; break;
        case u'0': conversion.zero = true; break;
        case u'+': conversion.plus = true; break;
        case u' ': conversion.space = true; break;
        case u'#': conversion.alternate = true; break;
        default: return;
        }
    }
}

// Digits or '*'; a '*' takes an int argument. Values are capped so a hostile width cannot make a
// field of billions of characters out of a short format.
int ParseCount(const WCHAR*& p, va_list* args)
{
    constexpr int COUNT_LIMIT = 1 << 20;
    if (*p == u'*') {
        ++p;
        return va_arg(*args, int);
    }
    int value = 0;
    for (; *p >= u'0' && *p <= u'9'; ++p)
        value = value < COUNT_LIMIT ? value * 10 + (*p - u'0') : COUNT_LIMIT;
    return value;
}

void ParseWidthAndPrecision(const WCHAR*& p, Conversion& conversion, va_list* args)
{
    int width = ParseCount(p, args);
    // A negative '*' width means left alignment, as in C.
    conversion.left = conversion.left || width < 0;
    conversion.width = width < 0 ? (width < -(1 << 20) ? 1 << 20 : -width) : (width > (1 << 20) ? 1 << 20 : width);
    if (*p != u'.')
        return;
    ++p;
    int precision = ParseCount(p, args);
    conversion.precision = precision < 0 ? -1 : (precision > (1 << 20) ? 1 << 20 : precision);
}

bool Follows(const WCHAR* p, const char* text)
{
    for (; *text; ++p, ++text) {
        if (*p != WCHAR(*text))
            return false;
    }
    return true;
}

// h, l (32 bits on the device), ll and I64 (64 bits), I32, I (pointer-sized), w (wide text).
void ParseSize(const WCHAR*& p, Conversion& conversion)
{
    if (Follows(p, "I64") || Follows(p, "ll")) {
        conversion.size = Conversion::Size::LongLong;
        p += *p == u'I' ? 3 : 2;
    } else if (Follows(p, "I32")) {
        conversion.size = Conversion::Size::Long;
        p += 3;
    } else if (*p == u'I' || *p == u'z' || *p == u't' || *p == u'j') {
        conversion.size = *p == u'j' ? Conversion::Size::LongLong : Conversion::Size::Pointer;
        ++p;
    } else if (*p == u'l' || *p == u'L') {
        conversion.size = Conversion::Size::Long;
        ++p;
    } else if (*p == u'h') {
        conversion.size = Conversion::Size::Short;
        ++p;
    } else if (*p == u'w') {
        conversion.size = Conversion::Size::Wide;
        ++p;
    }
}

void FormatField(Output& out, const Conversion& conversion, va_list* args)
{
    switch (conversion.type) {
    case u'd': case u'i': case u'u': case u'x': case u'X': case u'o': case u'p':
        FormatInteger(out, conversion, args);
        break;
    case u's': case u'S':
        FormatText(out, conversion, args);
        break;
    case u'c': case u'C':
        FormatCharacter(out, conversion, args);
        break;
    case u'f': case u'F': case u'e': case u'E': case u'g': case u'G': case u'a': case u'A':
        FormatFloat(out, conversion, args);
        break;
    case u'n':
        // Writing through a pointer taken from the argument list is refused; the argument is
        // consumed so the ones after it stay in place.
        (void)va_arg(*args, void*);
        break;
    default:
        // An unknown conversion prints its own character, as the platform's formatter does.
        PutField(out, conversion, &conversion.type, 1);
        break;
    }
}

}  // namespace

void FormatTo(Output& out, const WCHAR* format, va_list* args)
{
    const WCHAR* p = format;
    while (*p) {
        if (*p != u'%') {
            out.Put(*p++);
            continue;
        }
        ++p;
        if (*p == u'%') {
            out.Put(*p++);
            continue;
        }
        Conversion conversion;
        ParseFlags(p, conversion);
        ParseWidthAndPrecision(p, conversion, args);
        ParseSize(p, conversion);
        if (*p == 0)
            break;
        conversion.type = *p++;
        FormatField(out, conversion, args);
    }
}

}  // namespace wce::format

using wce::format::Output;

namespace {

size_t FormatCounted(WCHAR* buffer, size_t capacity, const WCHAR* format, va_list args)
{
    Output out { buffer, capacity };
    va_list copy;
    va_copy(copy, args);
    wce::format::FormatTo(out, format, &copy);
    va_end(copy);
    return out.length;
}

}  // namespace

int wvsprintfW(LPWSTR buffer, LPCWSTR format, va_list args)
{
    if (!buffer || !format)
        return 0;
    size_t length = FormatCounted(buffer, WSPRINTF_MAX, format, args);
    size_t stored = length < WSPRINTF_MAX ? length : WSPRINTF_MAX;
    buffer[stored] = 0;
    return int(stored);
}

int wsprintfW(LPWSTR buffer, LPCWSTR format, ...)
{
    va_list args;
    va_start(args, format);
    int result = wvsprintfW(buffer, format, args);
    va_end(args);
    return result;
}

int _vsnwprintf(WCHAR* buffer, size_t count, const WCHAR* format, va_list args)
{
    if (!format || (!buffer && count != 0))
        return -1;
    size_t length = FormatCounted(buffer, count, format, args);
    // With no buffer the caller asks how long the text would be.
    if (!buffer)
        return length <= size_t(INT32_MAX) ? int(length) : -1;
    if (length < count)
        buffer[length] = 0;
    return length <= count && length <= size_t(INT32_MAX) ? int(length) : -1;
}

int _snwprintf(WCHAR* buffer, size_t count, const WCHAR* format, ...)
{
    va_list args;
    va_start(args, format);
    int result = _vsnwprintf(buffer, count, format, args);
    va_end(args);
    return result;
}

int vswprintf(WCHAR* buffer, size_t count, const WCHAR* format, va_list args)
{
    if (!buffer || !format || count == 0)
        return -1;
    size_t length = FormatCounted(buffer, count - 1, format, args);
    if (length >= count) {
        buffer[count - 1] = 0;
        return -1;
    }
    buffer[length] = 0;
    return length <= size_t(INT32_MAX) ? int(length) : -1;
}

int swprintf(WCHAR* buffer, size_t count, const WCHAR* format, ...)
{
    va_list args;
    va_start(args, format);
    int result = vswprintf(buffer, count, format, args);
    va_end(args);
    return result;
}
