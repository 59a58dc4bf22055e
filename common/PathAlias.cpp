// Exact 8-bit forms of device paths: the system code page where it can carry the path, UTF-8
// behind a '?' where it cannot.
#include "PathAlias.h"

#include <new>
#include <string>

namespace {

using Chars = std::char_traits<WCHAR>;

bool IsHighSurrogate(uint32_t unit) { return unit >= 0xD800 && unit < 0xDC00; }
bool IsLowSurrogate(uint32_t unit) { return unit >= 0xDC00 && unit < 0xE000; }

// Appends the UTF-8 bytes of one code point; a lone surrogate is written as its own three bytes
// so that every UTF-16 name, even a damaged one, comes back exactly.
bool PutCodePoint(uint32_t code, char* out, int outBytes, int& used)
{
    uint8_t bytes[4];
    int count = 0;
    if (code < 0x80) {
        bytes[count++] = uint8_t(code);
    } else if (code < 0x800) {
        bytes[count++] = uint8_t(0xC0 | code >> 6);
        bytes[count++] = uint8_t(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        bytes[count++] = uint8_t(0xE0 | code >> 12);
        bytes[count++] = uint8_t(0x80 | ((code >> 6) & 0x3F));
        bytes[count++] = uint8_t(0x80 | (code & 0x3F));
    } else {
        bytes[count++] = uint8_t(0xF0 | code >> 18);
        bytes[count++] = uint8_t(0x80 | ((code >> 12) & 0x3F));
        bytes[count++] = uint8_t(0x80 | ((code >> 6) & 0x3F));
        bytes[count++] = uint8_t(0x80 | (code & 0x3F));
    }
    if (used + count >= outBytes)
        return false;
    for (int i = 0; i < count; ++i)
        out[used++] = char(bytes[i]);
    return true;
}

bool EncodeAlias(const WCHAR* path, char* out, int outBytes)
{
    int used = 0;
    out[used++] = PATH_ALIAS_MARK;
    for (size_t i = 0; path[i] != 0; ++i) {
        uint32_t code = path[i];
        if (IsHighSurrogate(code) && IsLowSurrogate(path[i + 1]))
            code = 0x10000 + ((code - 0xD800) << 10) + (uint32_t(path[++i]) - 0xDC00);
        if (!PutCodePoint(code, out, outBytes, used))
            return false;
    }
    out[used] = 0;
    return true;
}

// One code point from UTF-8 at text; the number of bytes taken, or 0 for a malformed sequence.
int TakeCodePoint(const uint8_t* text, uint32_t& code)
{
    uint8_t lead = text[0];
    int count = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
    if (count == 0)
        return 0;
    code = count == 1 ? lead : lead & (0x7F >> count);
    for (int i = 1; i < count; ++i) {
        if ((text[i] & 0xC0) != 0x80)
            return 0;   // also stops at the terminator
        code = code << 6 | (text[i] & 0x3F);
    }
    static const uint32_t MINIMUM[] = { 0, 0, 0x80, 0x800, 0x10000 };
    return code < MINIMUM[count] || code > 0x10FFFF ? 0 : count;
}

bool DecodeAlias(const char* text, WCHAR* out, int outChars)
{
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text);
    int used = 0;
    while (*bytes != 0) {
        uint32_t code = 0;
        int taken = TakeCodePoint(bytes, code);
        int units = code >= 0x10000 ? 2 : 1;
        if (taken == 0 || used + units >= outChars)
            return false;
        if (units == 2) {
            out[used++] = WCHAR(0xD800 + ((code - 0x10000) >> 10));
            out[used++] = WCHAR(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            out[used++] = WCHAR(code);
        }
        bytes += taken;
    }
    out[used] = 0;
    return true;
}

// The code page's form, when it names exactly this path.
bool EncodeAnsi(const WCHAR* path, char* out, int outBytes)
{
    if (path[0] == WCHAR(PATH_ALIAS_MARK))
        return false;   // would read back as an alias
    int converted = WideCharToMultiByte(CP_ACP, 0, path, -1, out, outBytes, nullptr, nullptr);
    if (converted <= 0)
        return false;
    out[outBytes - 1] = 0;
    WCHAR* back = new (std::nothrow) WCHAR[Chars::length(path) + 2];
    if (back == nullptr)
        return false;
    int length = int(Chars::length(path)) + 2;
    int returned = MultiByteToWideChar(CP_ACP, 0, out, -1, back, length);
    bool exact = returned > 0 && Chars::compare(back, path, Chars::length(path) + 1) == 0;
    delete[] back;
    return exact;
}

}  // namespace

bool IsExactAnsi(const WCHAR* text) noexcept
{
    if (text == nullptr)
        return false;
    size_t bytes = Chars::length(text) * 2 + 1;   // double-byte code pages take two per character
    char* out = new (std::nothrow) char[bytes];
    bool exact = out != nullptr && EncodeAnsi(text, out, int(bytes));
    delete[] out;
    return exact;
}

bool PathToEngineText(const WCHAR* path, char* out, int outBytes) noexcept
{
    if (outBytes <= 0)
        return false;
    out[0] = 0;
    if (path == nullptr)
        return false;
    if (EncodeAnsi(path, out, outBytes) || EncodeAlias(path, out, outBytes))
        return true;
    out[0] = 0;
    return false;
}

bool EngineTextToPath(const char* text, WCHAR* out, int outChars) noexcept
{
    if (outChars <= 0)
        return false;
    out[0] = 0;
    if (text == nullptr)
        return false;
    bool decoded = text[0] == PATH_ALIAS_MARK ? DecodeAlias(text + 1, out, outChars)
                                              : MultiByteToWideChar(CP_ACP, 0, text, -1, out, outChars) > 0;
    if (!decoded) {
        out[0] = 0;
        return false;
    }
    out[outChars - 1] = 0;
    return true;
}
