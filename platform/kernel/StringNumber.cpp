// Number parsing for WCHAR text: wcstol, wcstoul, _wtoi, _wtol. A long is 32 bits on the device,
// so these clamp to the 32-bit range whatever the host's long is.
#include <climits>
#include <cstdint>

#include "wce/WinString.h"

namespace {

int DigitValue(WCHAR c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'z')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'Z')
        return c - u'A' + 10;
    return 99;
}

struct Parsed {
    bool negative = false;
    bool overflow = false;
    uint64_t magnitude = 0;     // capped just above UINT32_MAX
    const WCHAR* end = nullptr; // first character not used; the start when there were no digits
};

// Leading white space, a sign, the base prefix (0x for 16, 0 for 8 when base is 0), then digits.
Parsed ParseInteger(const WCHAR* s, int base)
{
    Parsed result;
    result.end = s;
    const WCHAR* p = s;
    while (iswspace(*p))
        ++p;
    if (*p == u'-' || *p == u'+')
        result.negative = *p++ == u'-';
    if ((base == 0 || base == 16) && p[0] == u'0' && (p[1] == u'x' || p[1] == u'X') && DigitValue(p[2]) < 16) {
        p += 2;
        base = 16;
    } else if (base == 0) {
        base = p[0] == u'0' ? 8 : 10;
    }
    if (base < 2 || base > 36)
        return result;
    const WCHAR* digits = p;
    for (; DigitValue(*p) < base; ++p) {
        result.magnitude = result.magnitude * base + DigitValue(*p);
        if (result.magnitude > UINT32_MAX) {
            result.overflow = true;
            result.magnitude = uint64_t(UINT32_MAX) + 1;
        }
    }
    if (p != digits)
        result.end = p;
    return result;
}

int32_t ClampSigned(const Parsed& parsed)
{
    if (parsed.negative)
        return parsed.magnitude > uint64_t(INT32_MAX) + 1 ? INT32_MIN : int32_t(-int64_t(parsed.magnitude));
    return parsed.magnitude > uint64_t(INT32_MAX) ? INT32_MAX : int32_t(parsed.magnitude);
}

}  // namespace

long wcstol(const WCHAR* s, WCHAR** end, int base)
{
    Parsed parsed = ParseInteger(s, base);
    if (end)
        *end = const_cast<WCHAR*>(parsed.end);
    return ClampSigned(parsed);
}

// As in C, a minus sign negates the unsigned value; an overflow gives the largest value.
unsigned long wcstoul(const WCHAR* s, WCHAR** end, int base)
{
    Parsed parsed = ParseInteger(s, base);
    if (end)
        *end = const_cast<WCHAR*>(parsed.end);
    if (parsed.overflow)
        return UINT32_MAX;
    uint32_t value = uint32_t(parsed.magnitude);
    return parsed.negative ? uint32_t(0u - value) : value;
}

int _wtoi(const WCHAR* s)
{
    return s ? ClampSigned(ParseInteger(s, 10)) : 0;
}

long _wtol(const WCHAR* s)
{
    return _wtoi(s);
}
