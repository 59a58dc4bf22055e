// GetACP, MultiByteToWideChar and WideCharToMultiByte: argument rules and results as the API
// documents them, over the converters of CodePageUtf8.cpp and CodePageIconv.cpp.
#include <climits>
#include <cstring>

#include "CodePageInternal.h"
#include "wce/DeviceProfile.h"
#include "wce/WinBase.h"
#include "wce/WinNls.h"
#include "wce/WinString.h"

namespace {

using namespace wce::codepage;

constexpr DWORD MB_KNOWN_FLAGS = MB_PRECOMPOSED | MB_COMPOSITE | MB_USEGLYPHCHARS | MB_ERR_INVALID_CHARS;
constexpr DWORD WC_ANSI_FLAGS = WC_DISCARDNS | WC_SEPCHARS | WC_DEFAULTCHAR | WC_COMPOSITECHECK | WC_NO_BEST_FIT_CHARS;

enum class Family { Utf8, Symbol, Ansi, Unknown };

UINT ResolveCodePage(UINT codePage)
{
    if (codePage == CP_ACP || codePage == CP_OEMCP || codePage == CP_MACCP || codePage == CP_THREAD_ACP)
        return GetACP();
    return codePage;
}

Family FamilyOf(UINT codePage)
{
    if (codePage == CP_UTF8)
        return Family::Utf8;
    if (codePage == CP_SYMBOL)
        return Family::Symbol;
    return codePage > CP_THREAD_ACP && IsIconvCodePage(codePage) ? Family::Ansi : Family::Unknown;
}

// The checks every conversion makes first: an input (or -1 for zero-terminated), a non-negative
// output size, an output buffer whenever a size is given, and not the input's own memory.
bool AreArgumentsValid(const void* input, int inputLength, const void* output, int outputSize)
{
    if (!input || inputLength == 0 || inputLength < -1 || outputSize < 0)
        return false;
    return outputSize == 0 || (output != nullptr && output != input);
}

bool AreToWideFlagsValid(Family family, DWORD flags)
{
    if (family == Family::Utf8)
        return (flags & ~DWORD(MB_ERR_INVALID_CHARS)) == 0;
    if (family == Family::Symbol)
        return flags == 0;
    return (flags & ~MB_KNOWN_FLAGS) == 0 && (flags & (MB_PRECOMPOSED | MB_COMPOSITE)) != (MB_PRECOMPOSED | MB_COMPOSITE);
}

// UTF-8 and the symbol code page can write every character they have, so they take no default
// character and report none; WC_ERR_INVALID_CHARS is for UTF-8 alone.
DWORD CheckToMultiByte(Family family, DWORD flags, LPCSTR defaultChar, LPBOOL usedDefault)
{
    if (family == Family::Unknown)
        return ERROR_INVALID_PARAMETER;
    DWORD allowed = family == Family::Utf8 ? DWORD(WC_ERR_INVALID_CHARS) : family == Family::Symbol ? 0 : WC_ANSI_FLAGS;
    if ((flags & ~allowed) != 0)
        return ERROR_INVALID_FLAGS;
    if (family != Family::Ansi && (defaultChar || usedDefault))
        return ERROR_INVALID_PARAMETER;
    return ERROR_SUCCESS;
}

// The caller's default character: two bytes where they are one character of a double-byte code
// page, else its first byte; '?' when none is given.
Substitution SubstitutionFor(UINT codePage, DWORD flags, LPCSTR defaultChar)
{
    Substitution substitution;
    substitution.bestFit = (flags & WC_NO_BEST_FIT_CHARS) == 0;
    if (defaultChar == nullptr || defaultChar[0] == 0)
        return substitution;
    substitution.bytes[0] = defaultChar[0];
    if (static_cast<unsigned char>(defaultChar[0]) >= 0x80 && defaultChar[1] != 0 &&
        IsOneCharacter(codePage, defaultChar, 2)) {
        substitution.bytes[1] = defaultChar[1];
        substitution.length = 2;
    }
    return substitution;
}

// Turns a finished conversion into the API's result: the count, or 0 with the reason.
template <typename T>
int Finish(Status status, const Sink<T>& sink)
{
    if (status == Status::UnsupportedCodePage) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (status == Status::InvalidChars) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (sink.Overflowed()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (sink.count > size_t(INT_MAX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return int(sink.count);
}

}  // namespace

UINT GetACP()
{
    UINT codePage = wce::GetDeviceProfile().codePage;
    return codePage != 0 ? codePage : 1252;
}

UINT GetOEMCP()
{
    return GetACP();
}

BOOL IsValidCodePage(UINT codePage)
{
    return codePage > CP_THREAD_ACP && FamilyOf(codePage) != Family::Unknown;
}

// Checked in this order: the buffers and lengths, the code page, the flags.
int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar)
{
    UINT codePage = ResolveCodePage(CodePage);
    Family family = FamilyOf(codePage);
    DWORD error = !AreArgumentsValid(lpMultiByteStr, cbMultiByte, lpWideCharStr, cchWideChar) ? ERROR_INVALID_PARAMETER
                  : family == Family::Unknown                                                 ? ERROR_INVALID_PARAMETER
                  : !AreToWideFlagsValid(family, dwFlags)                                     ? ERROR_INVALID_FLAGS
                                                                                              : ERROR_SUCCESS;
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return 0;
    }
    size_t length = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : size_t(cbMultiByte);
    bool strict = (dwFlags & MB_ERR_INVALID_CHARS) != 0;
    WideSink sink { lpWideCharStr, size_t(cchWideChar) };
    Status status = family == Family::Utf8     ? Utf8ToWide(lpMultiByteStr, length, strict, sink)
                    : family == Family::Symbol ? SymbolToWide(lpMultiByteStr, length, sink)
                                               : AnsiToWide(codePage, lpMultiByteStr, length, strict, sink);
    return Finish(status, sink);
}

// Checked in this order: the buffers and lengths, the code page, the flags, the default-character
// arguments. lpUsedDefaultChar tells whether any character was written as the default character;
// a best-fit character is not one, so only with WC_NO_BEST_FIT_CHARS does FALSE mean that the text
// reads back exactly.
int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                        LPBOOL lpUsedDefaultChar)
{
    UINT codePage = ResolveCodePage(CodePage);
    Family family = FamilyOf(codePage);
    DWORD error = AreArgumentsValid(lpWideCharStr, cchWideChar, lpMultiByteStr, cbMultiByte)
        ? CheckToMultiByte(family, dwFlags, lpDefaultChar, lpUsedDefaultChar)
        : ERROR_INVALID_PARAMETER;
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return 0;
    }
    size_t length = cchWideChar == -1 ? wcslen(lpWideCharStr) + 1 : size_t(cchWideChar);
    ByteSink sink { lpMultiByteStr, size_t(cbMultiByte) };
    if (family == Family::Utf8)
        return Finish(WideToUtf8(lpWideCharStr, length, (dwFlags & WC_ERR_INVALID_CHARS) != 0, sink), sink);
    if (family == Family::Symbol)
        return Finish(WideToSymbol(lpWideCharStr, length, sink), sink);
    bool usedDefault = false;
    Status status = WideToAnsi(codePage, lpWideCharStr, length, SubstitutionFor(codePage, dwFlags, lpDefaultChar),
                               usedDefault, sink);
    if (lpUsedDefaultChar)
        *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
    return Finish(status, sink);
}
