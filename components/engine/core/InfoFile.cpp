// Reading the database info file.
#include "InfoFile.h"

#include "CoreMemory.h"
#include "TextLines.h"

namespace orv {
namespace {

// Splits text at separator into exactly count decimal numbers, each within its limit.
bool ParseNumbers(TextSpan text, char separator, uint32_t count, const uint32_t* limits, uint32_t* values)
{
    uint32_t start = 0;
    uint32_t index = 0;
    for (uint32_t i = 0; i <= text.size; ++i) {
        if (i < text.size && text.text[i] != separator)
            continue;
        uint64_t value = 0;
        if (index == count || !ParseDecimal({ text.text + start, i - start }, limits[index], value))
            return false;
        values[index++] = uint32_t(value);
        start = i + 1;
    }
    return index == count;
}

bool IsNameCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-'
        || c == '_';
}

// Each part between '' is a plain name, neither "." nor "..".
bool IsSafeRelativeName(TextSpan name)
{
    if (name.size == 0 || name.size >= MAX_INDEX_NAME)
        return false;
    uint32_t partStart = 0;
    for (uint32_t i = 0; i <= name.size; ++i) {
        if (i < name.size && name.text[i] != '\\') {
            if (!IsNameCharacter(name.text[i]))
                return false;
            continue;
        }
        TextSpan part { name.text + partStart, i - partStart };
        if (part.size == 0 || part.Equals(".") || part.Equals(".."))
            return false;
        partStart = i + 1;
    }
    return true;
}

} // namespace

bool DatabaseIndex::Add(TextSpan name)
{
    if (count == MAX_INDEX_FILES || !IsSafeRelativeName(name)) {
        ++refused;
        return false;
    }
    memcpy(names[count], name.text, name.size);
    names[count][name.size] = 0;
    ++count;
    return true;
}

void ParseInfoFile(const char* text, uint32_t size, EngineInfo& info, DatabaseIndex* index)
{
    static constexpr uint32_t VERSION_LIMITS[3] = { 255, 255, 65535 };
    static constexpr uint32_t DATE_LIMITS[3] = { 9999, 12, 31 };
    LineCursor lines(text, size);
    TextSpan line;
    while (lines.Next(line)) {
        uint32_t values[3];
        if (line.StartsWith("version=")
            && ParseNumbers({ line.text + 8, line.size - 8 }, '.', 3, VERSION_LIMITS, values)) {
            info.major = values[0];
            info.minor = values[1];
            info.build = values[2];
        } else if (line.StartsWith("date=")
                   && ParseNumbers({ line.text + 5, line.size - 5 }, '-', 3, DATE_LIMITS, values)
                   && values[1] >= 1 && values[2] >= 1) {
            info.year = values[0];
            info.month = values[1];
            info.day = values[2];
        } else if (index && line.StartsWith("file=")) {
            index->Add({ line.text + 5, line.size - 5 });
        }
    }
}

} // namespace orv
