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

Status Utf8ToWide(const char* in, size_t length, bool strict, WideSink& sink);
Status WideToUtf8(const WCHAR* in, size_t length, bool strict, ByteSink& sink);

// codePage is a real code page number (CP_ACP and friends already resolved).
bool IsIconvCodePage(UINT codePage);
Status AnsiToWide(UINT codePage, const char* in, size_t length, bool strict, WideSink& sink);
Status WideToAnsi(UINT codePage, const WCHAR* in, size_t length, char defaultChar,
                  bool& usedDefault, ByteSink& sink);

}  // namespace wce::codepage
