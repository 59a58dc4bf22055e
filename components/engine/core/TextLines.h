// Bounded walking of database text: lines of a buffer, fields of a line, hex and decimal numbers.
// Every read is checked against the end of the text; nothing here trusts a length from the file.
#pragma once

#include <stdint.h>

namespace orv {

struct TextSpan {
    const char* text = nullptr;
    uint32_t size = 0;

    bool Equals(const char* literal) const;
    bool StartsWith(const char* literal) const;
};

// Hands out the lines of a buffer without their "\n" or "\r\n".
class LineCursor {
public:
    LineCursor(const char* text, uint32_t size) : text(text), size(size) {}
    bool Next(TextSpan& line);

private:
    const char* text;
    uint32_t size;
    uint32_t position = 0;
};

// Splits a line at separator into at most maxFields fields; returns the count, or maxFields + 1 when
// the line has more fields than that.
uint32_t SplitFields(TextSpan line, TextSpan* fields, uint32_t maxFields, char separator = ':');
// Where c first occurs in text, or text.size.
uint32_t FindChar(TextSpan text, char c);

int HexDigit(char c);
// Parses exactly size * 2 hex digits into bytes.
bool ParseHexBytes(TextSpan text, uint8_t* out, uint32_t size);
// A decimal number without sign; false on anything else or beyond the limit.
bool ParseDecimal(TextSpan text, uint64_t limit, uint64_t& value);

} // namespace orv
