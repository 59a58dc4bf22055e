// CP_SYMBOL, the code page of symbol fonts: bytes 0x20 ... 0xFF stand for U+F020 ... U+F0FF.
#include "CodePageInternal.h"

#include <cstdint>

namespace wce::codepage {

Status SymbolToWide(const char* in, size_t length, WideSink& sink)
{
    for (size_t i = 0; i < length && !sink.Overflowed(); ++i) {
        uint8_t byte = static_cast<uint8_t>(in[i]);
        sink.Put(byte < 0x20 ? WCHAR(byte) : WCHAR(0xF000 + byte));
    }
    return Status::Ok;
}

// The symbol range and the Latin-1 characters are written as their low byte; anything else has
// no byte in the code page, and CP_SYMBOL takes no default character.
Status WideToSymbol(const WCHAR* in, size_t length, ByteSink& sink)
{
    for (size_t i = 0; i < length && !sink.Overflowed(); ++i) {
        WCHAR c = in[i];
        if (c > 0xFF && (c < 0xF020 || c > 0xF0FF))
            return Status::InvalidChars;
        sink.Put(char(c & 0xFF));
    }
    return Status::Ok;
}

}  // namespace wce::codepage
