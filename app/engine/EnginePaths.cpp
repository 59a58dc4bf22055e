// Strict path conversions and ASCII comparisons for the engine host.
#include "EnginePaths.h"

bool PathToWide(const char* text, WCHAR* out, int outChars) noexcept
{
    out[0] = 0;
    if (text == nullptr)
        return false;
    // The platform fails the whole conversion when the output is too small.
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, out, outChars) <= 0) {
        out[0] = 0;
        return false;
    }
    out[outChars - 1] = 0;
    return true;
}

bool PathToAnsi(const WCHAR* text, char* out, int outBytes) noexcept
{
    out[0] = 0;
    if (text == nullptr)
        return false;
    // Never a best-fit character: given "a.txt" for a file named with an a-macron, the engine would
    // open, and treat, another file. A character the code page lacks stays the default character,
    // which no device name holds.
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, out, outBytes, nullptr, nullptr) <= 0) {
        out[0] = 0;
        return false;
    }
    out[outBytes - 1] = 0;
    return true;
}

static char FoldAscii(char c) noexcept
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool EqualsIgnoreCaseA(const char* left, const char* right) noexcept
{
    for (;; ++left, ++right) {
        if (FoldAscii(*left) != FoldAscii(*right))
            return false;
        if (*left == 0)
            return true;
    }
}
