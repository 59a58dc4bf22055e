// The UTF-16 string functions of the CE C runtime and of the API (the lstr* family), for WCHAR.
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "wce/WinString.h"

size_t wcslen(const WCHAR* s)
{
    const WCHAR* p = s;
    while (*p)
        ++p;
    return size_t(p - s);
}

WCHAR* wcscpy(WCHAR* dest, const WCHAR* src)
{
    WCHAR* p = dest;
    while ((*p++ = *src++) != 0) {
    }
    return dest;
}

// As in C: pads with terminators up to count, and leaves the text unterminated when src is longer.
WCHAR* wcsncpy(WCHAR* dest, const WCHAR* src, size_t count)
{
    size_t i = 0;
    for (; i < count && src[i]; ++i)
        dest[i] = src[i];
    for (; i < count; ++i)
        dest[i] = 0;
    return dest;
}

WCHAR* wcscat(WCHAR* dest, const WCHAR* src)
{
    wcscpy(dest + wcslen(dest), src);
    return dest;
}

WCHAR* wcsncat(WCHAR* dest, const WCHAR* src, size_t count)
{
    WCHAR* p = dest + wcslen(dest);
    for (size_t i = 0; i < count && src[i]; ++i)
        *p++ = src[i];
    *p = 0;
    return dest;
}

int wcscmp(const WCHAR* a, const WCHAR* b)
{
    return wcsncmp(a, b, SIZE_MAX);
}

int wcsncmp(const WCHAR* a, const WCHAR* b, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
        if (a[i] == 0)
            break;
    }
    return 0;
}

// The C runtime compares the lower-case forms, so '_' sorts before every letter here.
int _wcsnicmp(const WCHAR* a, const WCHAR* b, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        WCHAR x = towlower(a[i]);
        WCHAR y = towlower(b[i]);
        if (x != y)
            return int(x) - int(y);
        if (x == 0)
            break;
    }
    return 0;
}

int _wcsicmp(const WCHAR* a, const WCHAR* b)
{
    return _wcsnicmp(a, b, SIZE_MAX);
}

const WCHAR* wcschr(const WCHAR* s, WCHAR c)
{
    for (;; ++s) {
        if (*s == c)
            return s;
        if (*s == 0)
            return nullptr;
    }
}

WCHAR* wcschr(WCHAR* s, WCHAR c)
{
    return const_cast<WCHAR*>(wcschr(static_cast<const WCHAR*>(s), c));
}

const WCHAR* wcsrchr(const WCHAR* s, WCHAR c)
{
    const WCHAR* found = nullptr;
    for (;; ++s) {
        if (*s == c)
            found = s;
        if (*s == 0)
            return found;
    }
}

WCHAR* wcsrchr(WCHAR* s, WCHAR c)
{
    return const_cast<WCHAR*>(wcsrchr(static_cast<const WCHAR*>(s), c));
}

const WCHAR* wcsstr(const WCHAR* s, const WCHAR* part)
{
    size_t partLength = wcslen(part);
    for (; *s; ++s) {
        if (wcsncmp(s, part, partLength) == 0)
            return s;
    }
    return partLength == 0 ? s : nullptr;
}

WCHAR* wcsstr(WCHAR* s, const WCHAR* part)
{
    return const_cast<WCHAR*>(wcsstr(static_cast<const WCHAR*>(s), part));
}

WCHAR* _wcsdup(const WCHAR* s)
{
    if (!s)
        return nullptr;
    size_t bytes = (wcslen(s) + 1) * sizeof(WCHAR);
    WCHAR* copy = static_cast<WCHAR*>(std::malloc(bytes));
    if (copy)
        std::memcpy(copy, s, bytes);
    return copy;
}

int _stricmp(const char* a, const char* b)
{
    return _strnicmp(a, b, SIZE_MAX);
}

int _strnicmp(const char* a, const char* b, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        int x = static_cast<unsigned char>(a[i]);
        int y = static_cast<unsigned char>(b[i]);
        x += x >= 'A' && x <= 'Z' ? 32 : 0;
        y += y >= 'A' && y <= 'Z' ? 32 : 0;
        if (x != y)
            return x - y;
        if (x == 0)
            break;
    }
    return 0;
}

int lstrlenW(LPCWSTR s)
{
    return s ? int(wcslen(s)) : 0;
}

LPWSTR lstrcpyW(LPWSTR dest, LPCWSTR src)
{
    return dest && src ? wcscpy(dest, src) : nullptr;
}

LPWSTR lstrcpynW(LPWSTR dest, LPCWSTR src, int maxLength)
{
    if (!dest || !src)
        return nullptr;
    if (maxLength <= 0)
        return dest;
    int i = 0;
    for (; i < maxLength - 1 && src[i]; ++i)
        dest[i] = src[i];
    dest[i] = 0;
    return dest;
}

LPWSTR lstrcatW(LPWSTR dest, LPCWSTR src)
{
    return dest && src ? wcscat(dest, src) : nullptr;
}

// A null string sorts before every other string, two nulls are equal.
int lstrcmpW(LPCWSTR a, LPCWSTR b)
{
    if (!a || !b)
        return a == b ? 0 : (a ? 1 : -1);
    int order = wcscmp(a, b);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

int lstrcmpiW(LPCWSTR a, LPCWSTR b)
{
    if (!a || !b)
        return a == b ? 0 : (a ? 1 : -1);
    int order = _wcsicmp(a, b);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

LPWSTR CharNextW(LPCWSTR s)
{
    return const_cast<LPWSTR>(s && *s ? s + 1 : s);
}
