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
constexpr DWORD WC_KNOWN_FLAGS = WC_DISCARDNS | WC_SEPCHARS | WC_DEFAULTCHAR | WC_ERR_INVALID_CHARS |
                                 WC_COMPOSITECHECK | WC_NO_BEST_FIT_CHARS;

UINT ResolveCodePage(UINT codePage)
{
    if (codePage == CP_ACP || codePage == CP_OEMCP || codePage == CP_MACCP || codePage == CP_THREAD_ACP)
        return GetACP();
    return codePage;
}

// The checks every conversion shares: an input (or -1 for zero-terminated), a non-negative output
// size, and an output buffer whenever a size is given.
bool AreArgumentsValid(const void* input, int inputLength, const void* output, int outputSize)
{
    if (!input || inputLength == 0 || inputLength < -1 || outputSize < 0)
        return false;
    return outputSize == 0 || output != nullptr;
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
    return codePage == CP_UTF8 || (codePage > CP_THREAD_ACP && IsIconvCodePage(codePage));
}

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar)
{
    if (!AreArgumentsValid(lpMultiByteStr, cbMultiByte, lpWideCharStr, cchWideChar)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if ((dwFlags & ~MB_KNOWN_FLAGS) != 0 || (dwFlags & (MB_PRECOMPOSED | MB_COMPOSITE)) == (MB_PRECOMPOSED | MB_COMPOSITE)) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    size_t length = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : size_t(cbMultiByte);
    bool strict = (dwFlags & MB_ERR_INVALID_CHARS) != 0;
    WideSink sink { lpWideCharStr, size_t(cchWideChar) };
    UINT codePage = ResolveCodePage(CodePage);
    Status status = codePage == CP_UTF8 ? Utf8ToWide(lpMultiByteStr, length, strict, sink)
                                        : AnsiToWide(codePage, lpMultiByteStr, length, strict, sink);
    return Finish(status, sink);
}

int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                        LPBOOL lpUsedDefaultChar)
{
    if (!AreArgumentsValid(lpWideCharStr, cchWideChar, lpMultiByteStr, cbMultiByte)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if ((dwFlags & ~WC_KNOWN_FLAGS) != 0) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    UINT codePage = ResolveCodePage(CodePage);
    size_t length = cchWideChar == -1 ? wcslen(lpWideCharStr) + 1 : size_t(cchWideChar);
    ByteSink sink { lpMultiByteStr, size_t(cbMultiByte) };
    if (codePage == CP_UTF8) {
        // UTF-8 can encode every character, so the platform refuses a default character for it.
        if (lpDefaultChar || lpUsedDefaultChar) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        return Finish(WideToUtf8(lpWideCharStr, length, (dwFlags & WC_ERR_INVALID_CHARS) != 0, sink), sink);
    }
    char defaultChar = lpDefaultChar && lpDefaultChar[0] ? lpDefaultChar[0] : '?';
    bool usedDefault = false;
    Status status = WideToAnsi(codePage, lpWideCharStr, length, defaultChar, usedDefault, sink);
    if (lpUsedDefaultChar)
        *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
    return Finish(status, sink);
}
