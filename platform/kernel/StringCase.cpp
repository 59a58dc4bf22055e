// Simple case mapping for WCHAR: the scripts a handheld's file names and texts use in practice.
// Locale-independent and one-to-one, as the platform's CharUpper/CharLower are for these ranges.
#include "wce/WinString.h"

namespace {

struct CaseRange {
    WCHAR firstUpper;
    WCHAR lastUpper;
    int delta;       // lower = upper + delta
    bool alternating;  // pairs of upper then lower, as in Latin Extended-A; each run starts upper
};

// Fixed order: the first range that holds a character decides.
constexpr CaseRange CASE_RANGES[] = {
    { 0x0041, 0x005A, 32, false },
    { 0x00C0, 0x00D6, 32, false },
    { 0x00D8, 0x00DE, 32, false },
    { 0x0100, 0x012E, 1, true },
    { 0x0132, 0x0136, 1, true },
    { 0x0139, 0x0147, 1, true },
    { 0x014A, 0x0176, 1, true },
    { 0x0179, 0x017D, 1, true },
    { 0x0391, 0x03A1, 32, false },
    { 0x03A3, 0x03AB, 32, false },
    { 0x0410, 0x042F, 32, false },
    { 0x0400, 0x040F, 80, false },
    { 0xFF21, 0xFF3A, 32, false },
};

bool IsUpperOf(const CaseRange& range, WCHAR c)
{
    if (c < range.firstUpper || c > range.lastUpper)
        return false;
    return !range.alternating || (c - range.firstUpper) % 2 == 0;
}

bool IsLowerOf(const CaseRange& range, WCHAR c)
{
    if (c < range.firstUpper + range.delta || c > range.lastUpper + range.delta)
        return false;
    return !range.alternating || (c - range.firstUpper - range.delta) % 2 == 0;
}

}  // namespace

WCHAR towupper(WCHAR c)
{
    if (c < 0x80)
        return c >= u'a' && c <= u'z' ? WCHAR(c - 32) : c;
    if (c == 0x00FF)
        return 0x0178;
    for (const CaseRange& range : CASE_RANGES) {
        if (IsLowerOf(range, c))
            return WCHAR(c - range.delta);
    }
    return c;
}

WCHAR towlower(WCHAR c)
{
    if (c < 0x80)
        return c >= u'A' && c <= u'Z' ? WCHAR(c + 32) : c;
    if (c == 0x0178)
        return 0x00FF;
    for (const CaseRange& range : CASE_RANGES) {
        if (IsUpperOf(range, c))
            return WCHAR(c + range.delta);
    }
    return c;
}

int iswspace(WCHAR c)
{
    return c == u' ' || (c >= 0x09 && c <= 0x0D) || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

WCHAR* _wcslwr(WCHAR* s)
{
    for (WCHAR* p = s; p && *p; ++p)
        *p = towlower(*p);
    return s;
}

WCHAR* _wcsupr(WCHAR* s)
{
    for (WCHAR* p = s; p && *p; ++p)
        *p = towupper(*p);
    return s;
}

LPWSTR CharUpperW(LPWSTR s)
{
    if (IS_INTRESOURCE(s))
        return reinterpret_cast<LPWSTR>(ULONG_PTR(towupper(WCHAR(ULONG_PTR(s)))));
    return _wcsupr(s);
}

LPWSTR CharLowerW(LPWSTR s)
{
    if (IS_INTRESOURCE(s))
        return reinterpret_cast<LPWSTR>(ULONG_PTR(towlower(WCHAR(ULONG_PTR(s)))));
    return _wcslwr(s);
}
