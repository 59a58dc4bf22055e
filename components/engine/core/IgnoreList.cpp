// The ignore lists, sorted by name for the lookups the loading of every other line makes.
#include "IgnoreList.h"

#include "Md5.h"
#include "Sort.h"

namespace orv {

void IgnoreList::Init(const CoreAllocator* allocator)
{
    names.Init(allocator);
    entries.Init(allocator);
}

void IgnoreList::Release()
{
    names.Release();
    entries.Release();
}

LineVerdict IgnoreList::ParseLine(TextSpan line)
{
    TextSpan fields[2];
    uint32_t count = SplitFields(line, fields, 2);
    if (count < 1 || count > 2 || fields[0].size == 0 || fields[0].size > MAX_IGNORED_NAME)
        return LineVerdict::Refused(REFUSED_SYNTAX);
    Entry entry;
    memset(&entry, 0, sizeof entry);
    if (count == 2) {
        if (!ParseHexBytes(fields[1], entry.digest, 16))
            return LineVerdict::Refused(REFUSED_HASH);
        entry.hasDigest = true;
    }
    entry.nameOffset = names.Count();
    entry.nameLength = fields[0].size;
    char* copy = names.Grow(fields[0].size);
    if (!copy || !entries.Push(entry))
        return LineVerdict::Refused(REFUSED_MEMORY);
    memcpy(copy, fields[0].text, fields[0].size);
    return LineVerdict::Kept(KEPT_IGNORE);
}

void IgnoreList::Load(const char* text, uint32_t size, FileStats& stats)
{
    LoadLines(text, size, stats, [&](TextSpan line) { return ParseLine(line); });
    const IgnoreList* self = this;
    HeapSort(entries.Data(), entries.Count(), [self](const Entry& a, const Entry& b) {
        return self->Compare(a, { self->names.Data() + b.nameOffset, b.nameLength }) < 0;
    });
}

int IgnoreList::Compare(const Entry& entry, TextSpan name) const
{
    uint32_t common = entry.nameLength < name.size ? entry.nameLength : name.size;
    int order = memcmp(names.Data() + entry.nameOffset, name.text, common);
    if (order != 0)
        return order;
    return entry.nameLength == name.size ? 0 : entry.nameLength < name.size ? -1 : 1;
}

uint32_t IgnoreList::LowerBound(TextSpan name) const
{
    uint32_t low = 0;
    uint32_t high = entries.Count();
    while (low < high) {
        uint32_t middle = low + (high - low) / 2;
        if (Compare(entries[middle], name) < 0)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

bool IgnoreList::Ignores(TextSpan name, TextSpan line) const
{
    if (entries.Count() == 0)
        return false;
    bool hashed = false;
    uint8_t digest[16];
    for (uint32_t at = LowerBound(name); at < entries.Count() && Compare(entries[at], name) == 0; ++at) {
        if (!entries[at].hasDigest)
            return true;
        if (!hashed) {
            Md5 md5;
            md5.Start();
            md5.Update(reinterpret_cast<const uint8_t*>(line.text), line.size);
            md5.Finish(digest);
            hashed = true;
        }
        if (memcmp(digest, entries[at].digest, 16) == 0)
            return true;
    }
    return false;
}

} // namespace orv
