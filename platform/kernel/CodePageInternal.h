// Converters behind MultiByteToWideChar / WideCharToMultiByte: UTF-8 by hand, the rest by iconv.
#pragma once

#include <cstddef>

#include "wce/WinTypes.h"

namespace wce::codepage {

// Counts every unit produced and stores those that fit. With capacity 0 it only counts (the
// "how much do I need" call); otherwise the converters stop as soon as it overflowed.
template <typename T>
struct Sink {
    T* out = nullptr;
    size_t capacity = 0;
    size_t count = 0;

    bool Overflowed() const { return capacity != 0 && count > capacity; }
    void Put(T unit)
    {
        if (count < capacity)
            out[count] = unit;
        ++count;
    }
};
using WideSink = Sink<WCHAR>;
using ByteSink = Sink<char>;

enum class Status { Ok, InvalidChars, UnsupportedCodePage };

// What WideToAnsi writes for a character the code page lacks: a best-fit character unless the
// caller asked for exact conversions only, else the default character (one or two bytes).
struct Substitution {
    char bytes[2] = { '?', 0 };
    size_t length = 1;
    bool bestFit = true;
};

Status Utf8ToWide(const char* in, size_t length, bool strict, WideSink& sink);
Status WideToUtf8(const WCHAR* in, size_t length, bool strict, ByteSink& sink);

// codePage is a real code page number (CP_ACP and friends already resolved).
bool IsIconvCodePage(UINT codePage);
Status AnsiToWide(UINT codePage, const char* in, size_t length, bool strict, WideSink& sink);
// Without bestFit every character must come back unchanged from the code page: one that would
// not is written as the default character as well.
Status WideToAnsi(UINT codePage, const WCHAR* in, size_t length, const Substitution& substitution,
                  bool& usedDefault, ByteSink& sink);

// Whether bytes[0..count) is exactly one character of the code page.
bool IsOneCharacter(UINT codePage, const char* bytes, size_t count);

// The ASCII character that stands in for c where a code page lacks it, or 0.
char BestFitChar(char32_t c);

// CP_SYMBOL: bytes below 0x20 are themselves, the others U+F020 ... U+F0FF.
Status SymbolToWide(const char* in, size_t length, WideSink& sink);
Status WideToSymbol(const WCHAR* in, size_t length, ByteSink& sink);

}  // namespace wce::codepage
