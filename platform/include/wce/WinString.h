// UTF-16 string functions of the CE C runtime and API, and the wsprintf family over WCHAR.
// WCHAR is char16_t here, not wchar_t, so these are overloads beside <cwchar>'s own.
#pragma once

#include <cstdarg>
#include <cwchar>
#include <cwctype>

#include "WinTypes.h"

// C runtime: wide strings.
size_t wcslen(const WCHAR* s);
WCHAR* wcscpy(WCHAR* dest, const WCHAR* src);
WCHAR* wcsncpy(WCHAR* dest, const WCHAR* src, size_t count);
WCHAR* wcscat(WCHAR* dest, const WCHAR* src);
WCHAR* wcsncat(WCHAR* dest, const WCHAR* src, size_t count);
int wcscmp(const WCHAR* a, const WCHAR* b);
int wcsncmp(const WCHAR* a, const WCHAR* b, size_t count);
int _wcsicmp(const WCHAR* a, const WCHAR* b);
int _wcsnicmp(const WCHAR* a, const WCHAR* b, size_t count);
const WCHAR* wcschr(const WCHAR* s, WCHAR c);
WCHAR* wcschr(WCHAR* s, WCHAR c);
const WCHAR* wcsrchr(const WCHAR* s, WCHAR c);
WCHAR* wcsrchr(WCHAR* s, WCHAR c);
const WCHAR* wcsstr(const WCHAR* s, const WCHAR* part);
WCHAR* wcsstr(WCHAR* s, const WCHAR* part);
WCHAR* _wcsdup(const WCHAR* s);                 // freed with free()
WCHAR* _wcslwr(WCHAR* s);
WCHAR* _wcsupr(WCHAR* s);
long wcstol(const WCHAR* s, WCHAR** end, int base);
unsigned long wcstoul(const WCHAR* s, WCHAR** end, int base);
int _wtoi(const WCHAR* s);
long _wtol(const WCHAR* s);
WCHAR towlower(WCHAR c);                        // ASCII, Latin-1, Latin Extended-A, Greek,
WCHAR towupper(WCHAR c);                        // Cyrillic and full-width Latin
int iswspace(WCHAR c);

// C runtime: 8-bit, case-insensitive in ASCII.
int _stricmp(const char* a, const char* b);
int _strnicmp(const char* a, const char* b, size_t count);

// API: null-tolerant string functions.
int lstrlenW(LPCWSTR s);
LPWSTR lstrcpyW(LPWSTR dest, LPCWSTR src);
LPWSTR lstrcpynW(LPWSTR dest, LPCWSTR src, int maxLength);  // maxLength counts the terminator
LPWSTR lstrcatW(LPWSTR dest, LPCWSTR src);
int lstrcmpW(LPCWSTR a, LPCWSTR b);                          // -1, 0 or 1
int lstrcmpiW(LPCWSTR a, LPCWSTR b);
LPWSTR CharUpperW(LPWSTR s);    // a pointer below 0x10000 is one character, converted and returned
LPWSTR CharLowerW(LPWSTR s);
LPWSTR CharNextW(LPCWSTR s);

// Formatting. %s is WCHAR*, %S char* (ANSI code page), %c a WCHAR, %C an 8-bit char; l is 32 bits,
// I64 and ll 64 bits. wsprintfW writes at most 1024 characters and the terminator.
constexpr int WSPRINTF_MAX = 1024;
int wsprintfW(LPWSTR buffer, LPCWSTR format, ...);
int wvsprintfW(LPWSTR buffer, LPCWSTR format, va_list args);
// Writes at most count characters; -1 when the text did not fit, and no terminator when it is
// exactly count characters long.
int _snwprintf(WCHAR* buffer, size_t count, const WCHAR* format, ...);
int _vsnwprintf(WCHAR* buffer, size_t count, const WCHAR* format, va_list args);
// count includes the terminator, which is always written when count > 0; -1 when it did not fit.
int swprintf(WCHAR* buffer, size_t count, const WCHAR* format, ...);
int vswprintf(WCHAR* buffer, size_t count, const WCHAR* format, va_list args);
