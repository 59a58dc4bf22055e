// The virus names of all databases, kept zero-terminated in one block and referred to by offset,
// because the block moves while it grows.
#pragma once

#include "CoreMemory.h"
#include "TextLines.h"

namespace orv {

// Longer names are cut: the backup record and the program's result list keep 63 characters.
constexpr uint32_t MAX_NAME_LENGTH = 63;

class NamePool {
public:
    void Init(const CoreAllocator* allocator) { bytes.Init(allocator); }
    void Release() { bytes.Release(); }
    // Returns the offset of the stored copy, or UINT32_MAX without memory or for an empty name.
    uint32_t Add(TextSpan name);
    const char* Get(uint32_t offset) const { return bytes.Data() + offset; }

private:
    Vec<char> bytes;
};

// What a database load did with its lines: every line is either accepted or skipped; blank lines
// and '#' comments are neither.
struct LoadStats {
    uint32_t accepted = 0;
    uint32_t skipped = 0;
};

// Hands each line of a database that is neither blank nor a comment to parse(line), which says
// whether it took the line, and counts the answers.
template <typename Parse>
void LoadLines(const char* text, uint32_t size, LoadStats& stats, Parse parse)
{
    LineCursor lines(text, size);
    TextSpan line;
    while (lines.Next(line)) {
        if (line.size == 0 || line.text[0] == '#')
            continue;
        if (parse(line))
            ++stats.accepted;
        else
            ++stats.skipped;
    }
}

} // namespace orv
