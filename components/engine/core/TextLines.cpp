// Bounded walking of database text.
#include "TextLines.h"

namespace orv {

bool TextSpan::Equals(const char* literal) const
{
    uint32_t i = 0;
    for (; literal[i]; ++i)
        if (i >= size || text[i] != literal[i])
            return false;
    return i == size;
}

bool TextSpan::StartsWith(const char* literal) const
{
    for (uint32_t i = 0; literal[i]; ++i)
        if (i >= size || text[i] != literal[i])
            return false;
    return true;
}

bool LineCursor::Next(TextSpan& line)
{
    if (position >= size)
        return false;
    uint32_t start = position;
    while (position < size && text[position] != '\n')
        ++position;
    uint32_t end = position;
    if (position < size)
        ++position;
    if (end > start && text[end - 1] == '\r')
        --end;
    line.text = text + start;
    line.size = end - start;
    return true;
}

uint32_t SplitFields(TextSpan line, TextSpan* fields, uint32_t maxFields, char separator)
{
    uint32_t count = 0;
    uint32_t start = 0;
    for (uint32_t i = 0; i <= line.size; ++i) {
        if (i < line.size && line.text[i] != separator)
            continue;
        if (count == maxFields)
            return maxFields + 1;
        fields[count].text = line.text + start;
        fields[count].size = i - start;
        ++count;
        start = i + 1;
    }
    return count;
}

uint32_t FindChar(TextSpan text, char c)
{
    for (uint32_t i = 0; i < text.size; ++i)
        if (text.text[i] == c)
            return i;
    return text.size;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool ParseHexBytes(TextSpan text, uint8_t* out, uint32_t size)
{
    if (text.size != size * 2)
        return false;
    for (uint32_t i = 0; i < size; ++i) {
        int high = HexDigit(text.text[2 * i]);
        int low = HexDigit(text.text[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        out[i] = uint8_t(high << 4 | low);
    }
    return true;
}

bool ParseDecimal(TextSpan text, uint64_t limit, uint64_t& value)
{
    if (text.size == 0 || text.size > 19)
        return false;
    value = 0;
    for (uint32_t i = 0; i < text.size; ++i) {
        char c = text.text[i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + uint64_t(c - '0');
    }
    return value <= limit;
}

} // namespace orv
