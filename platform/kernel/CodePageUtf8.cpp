// UTF-8 <-> UTF-16 for CP_UTF8, done by hand: it is the host's file-name encoding and must be exact
// about what it replaces (U+FFFD for each broken sequence, as the platform does).
#include "CodePageInternal.h"

#include <cstdint>

namespace wce::codepage {
namespace {

constexpr WCHAR REPLACEMENT = 0xFFFD;

// Length of the sequence a lead byte announces, 0 for a byte that cannot start one.
size_t SequenceLength(uint8_t lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// The allowed range of the second byte, which rules out overlong forms, surrogates and values
// past U+10FFFF in one place.
bool IsValidSecond(uint8_t lead, uint8_t second)
{
    uint8_t low = 0x80;
    uint8_t high = 0xBF;
    if (lead == 0xE0)
        low = 0xA0;
    else if (lead == 0xED)
        high = 0x9F;
    else if (lead == 0xF0)
        low = 0x90;
    else if (lead == 0xF4)
        high = 0x8F;
    return second >= low && second <= high;
}

// Decodes one sequence at in[0..length); returns the bytes used and sets codePoint, or returns
// the length of the broken part (at least 1) with valid false.
size_t DecodeOne(const uint8_t* in, size_t length, uint32_t& codePoint, bool& valid)
{
    size_t need = SequenceLength(in[0]);
    valid = false;
    if (need == 0)
        return 1;
    if (need == 1) {
        codePoint = in[0];
        valid = true;
        return 1;
    }
    if (length < 2 || !IsValidSecond(in[0], in[1]))
        return 1;
    uint32_t value = in[0] & (0x7F >> need);
    value = value << 6 | (in[1] & 0x3F);
    for (size_t i = 2; i < need; ++i) {
        if (i >= length || (in[i] & 0xC0) != 0x80)
            return i;
        value = value << 6 | (in[i] & 0x3F);
    }
    codePoint = value;
    valid = true;
    return need;
}

void PutCodePoint(uint32_t codePoint, WideSink& sink)
{
    if (codePoint < 0x10000) {
        sink.Put(WCHAR(codePoint));
        return;
    }
    codePoint -= 0x10000;
    sink.Put(WCHAR(0xD800 | codePoint >> 10));
    sink.Put(WCHAR(0xDC00 | (codePoint & 0x3FF)));
}

void PutUtf8(uint32_t codePoint, ByteSink& sink)
{
    if (codePoint < 0x80) {
        sink.Put(char(codePoint));
    } else if (codePoint < 0x800) {
        sink.Put(char(0xC0 | codePoint >> 6));
        sink.Put(char(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        sink.Put(char(0xE0 | codePoint >> 12));
        sink.Put(char(0x80 | (codePoint >> 6 & 0x3F)));
        sink.Put(char(0x80 | (codePoint & 0x3F)));
    } else {
        sink.Put(char(0xF0 | codePoint >> 18));
        sink.Put(char(0x80 | (codePoint >> 12 & 0x3F)));
        sink.Put(char(0x80 | (codePoint >> 6 & 0x3F)));
        sink.Put(char(0x80 | (codePoint & 0x3F)));
    }
}

}  // namespace

Status Utf8ToWide(const char* in, size_t length, bool strict, WideSink& sink)
{
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(in);
    size_t i = 0;
    while (i < length && !sink.Overflowed()) {
        if (bytes[i] < 0x80) {
            sink.Put(WCHAR(bytes[i++]));
            continue;
        }
        uint32_t codePoint = 0;
        bool valid = false;
        i += DecodeOne(bytes + i, length - i, codePoint, valid);
        if (!valid && strict)
            return Status::InvalidChars;
        PutCodePoint(valid ? codePoint : REPLACEMENT, sink);
    }
    return Status::Ok;
}

Status WideToUtf8(const WCHAR* in, size_t length, bool strict, ByteSink& sink)
{
    size_t i = 0;
    while (i < length && !sink.Overflowed()) {
        uint32_t unit = in[i++];
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            bool paired = unit <= 0xDBFF && i < length && in[i] >= 0xDC00 && in[i] <= 0xDFFF;
            if (!paired) {
                // A lone surrogate has no UTF-8 form.
                if (strict)
                    return Status::InvalidChars;
                unit = REPLACEMENT;
            } else {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (in[i++] - 0xDC00);
            }
        }
        PutUtf8(unit, sink);
    }
    return Status::Ok;
}

}  // namespace wce::codepage
