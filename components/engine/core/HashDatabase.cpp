// Hash signatures, sorted by (size, digest) and found by binary search.
#include "HashDatabase.h"

#include "Sort.h"

namespace orv {

void HashTable::Init(const CoreAllocator* allocator, uint32_t digestBytes)
{
    entries.Init(allocator);
    digestSize = digestBytes;
    hasAnySize = false;
}

void HashTable::Load(const char* text, uint32_t size, NamePool& names, LoadStats& stats)
{
    LoadLines(text, size, stats, [&](TextSpan line) { return ParseLine(line, names); });
}

// Fields after the name (a minimum engine level in the peer's format) are accepted and ignored.
bool HashTable::ParseLine(TextSpan line, NamePool& names)
{
    TextSpan fields[5];
    uint32_t count = SplitFields(line, fields, 5);
    if (count < 3 || count > 5)
        return false;
    HashEntry entry;
    memset(&entry, 0, sizeof entry);
    if (!ParseHexBytes(fields[0], entry.digest, digestSize))
        return false;
    if (fields[1].Equals("*"))
        entry.size = ANY_SIZE;
    else if (!ParseDecimal(fields[1], ANY_SIZE - 1, entry.size))
        return false;
    entry.nameOffset = names.Add(fields[2]);
    if (entry.nameOffset == UINT32_MAX || !entries.Push(entry))
        return false;
    if (entry.size == ANY_SIZE)
        hasAnySize = true;
    return true;
}

int HashTable::Compare(const HashEntry& entry, uint64_t size, const uint8_t* digest) const
{
    if (entry.size != size)
        return entry.size < size ? -1 : 1;
    return memcmp(entry.digest, digest, digestSize);
}

void HashTable::Finish()
{
    const HashTable* self = this;
    HeapSort(entries.Data(), entries.Count(), [self](const HashEntry& a, const HashEntry& b) {
        return self->Compare(a, b.size, b.digest) < 0;
    });
}

uint32_t HashTable::LowerBound(uint64_t size, const uint8_t* digest) const
{
    uint32_t low = 0;
    uint32_t high = entries.Count();
    while (low < high) {
        uint32_t middle = low + (high - low) / 2;
        if (Compare(entries[middle], size, digest) < 0)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

bool HashTable::WantsSize(uint64_t size) const
{
    if (hasAnySize)
        return true;
    static const uint8_t LOWEST[32] = {};
    uint32_t at = LowerBound(size, LOWEST);
    return at < entries.Count() && entries[at].size == size;
}

uint32_t HashTable::Find(uint64_t size, const uint8_t* digest) const
{
    uint32_t at = LowerBound(size, digest);
    if (at < entries.Count() && Compare(entries[at], size, digest) == 0)
        return entries[at].nameOffset;
    if (!hasAnySize)
        return UINT32_MAX;
    at = LowerBound(ANY_SIZE, digest);
    if (at < entries.Count() && Compare(entries[at], ANY_SIZE, digest) == 0)
        return entries[at].nameOffset;
    return UINT32_MAX;
}

} // namespace orv
