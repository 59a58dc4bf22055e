// Exact path conversions and ASCII comparisons for the engine host.
#include "EnginePaths.h"

#include "PathAlias.h"

bool PathToWide(const char* text, WCHAR* out, int outChars) noexcept
{
    return EngineTextToPath(text, out, outChars);
}

bool PathToAnsi(const WCHAR* text, char* out, int outBytes) noexcept
{
    return PathToEngineText(text, out, outBytes);
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
