// Hash tables, sorted by (size, digest) and searched by bisection.
#include "HashDatabase.h"

#include "Sort.h"

namespace orv {

void HashTable::Init(const CoreAllocator* allocator, uint32_t digestBytes)
{
    entries.Init(allocator);
    digestSize = digestBytes;
    hasAnySize = false;
}

bool HashTable::Add(const HashEntry& entry)
{
    if (!entries.Push(entry))
        return false;
    hasAnySize = hasAnySize || entry.size == ANY_SIZE;
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
        return entries.Count() > 0;
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

void HashFamily::Init(const CoreAllocator* allocator, bool isAllowList)
{
    tables[HASH_MD5].Init(allocator, 16);
    tables[HASH_SHA1].Init(allocator, 20);
    tables[HASH_SHA256].Init(allocator, 32);
    allowList = isAllowList;
}

void HashFamily::Release()
{
    for (HashTable& table : tables)
        table.Release();
}

void HashFamily::Finish()
{
    for (HashTable& table : tables)
        table.Finish();
}

bool HashFamily::WantsAny(uint64_t size) const
{
    for (const HashTable& table : tables)
        if (table.WantsSize(size))
            return true;
    return false;
}

void HashFamily::Load(const char* text, uint32_t size, bool md5, NamePool& names, const IgnoreList& ignores,
                      FileStats& stats)
{
    LoadLines(text, size, stats, [&](TextSpan line) { return ParseLine(line, md5, names, ignores); });
}

// "hash:size:name", optionally followed by the minimum and maximum engine levels. The size "*"
// matches files of any size; the peer takes it only from lines that require the level it came with.
LineVerdict HashFamily::ParseLine(TextSpan line, bool md5, NamePool& names, const IgnoreList& ignores)
{
    TextSpan fields[5];
    uint32_t count = SplitFields(line, fields, 5);
    bool levelAccepts = true;
    uint32_t minimum = 0;
    if (count < 3 || count > 5 || fields[2].size == 0 || !ParseLevels(fields + 3, count - 3, levelAccepts, minimum))
        return LineVerdict::Refused(REFUSED_SYNTAX);
    HashKind kind = HASH_MD5;
    if (!md5 && fields[0].size == 40)
        kind = HASH_SHA1;
    else if (!md5 && fields[0].size == 64)
        kind = HASH_SHA256;
    else if (!md5 || fields[0].size != 32)
        return LineVerdict::Refused(REFUSED_HASH);
    HashEntry entry;
    memset(&entry, 0, sizeof entry);
    if (!ParseHexBytes(fields[0], entry.digest, tables[kind].DigestSize()))
        return LineVerdict::Refused(REFUSED_HASH);
    if (fields[1].Equals("*")) {
        if (minimum < ANY_SIZE_LEVEL)
            return LineVerdict::Refused(REFUSED_ANY_SIZE_LEVEL);
        entry.size = ANY_SIZE;
    } else if (!ParseDecimal(fields[1], ANY_SIZE - 1, entry.size)) {
        return LineVerdict::Refused(REFUSED_SYNTAX);
    }
    if (!levelAccepts)
        return LineVerdict::OtherLevel();
    entry.nameOffset = 0;  // allow-list entries need no name, only to be found
    if (!allowList) {
        if (ignores.Ignores(fields[2], line))
            return LineVerdict::Ignored();
        entry.nameOffset = names.Add(fields[2]);
        if (entry.nameOffset == UINT32_MAX)
            return LineVerdict::Refused(REFUSED_MEMORY);
    }
    if (!tables[kind].Add(entry))
        return LineVerdict::Refused(REFUSED_MEMORY);
    static constexpr KeptKind KEPT[2][HASH_KIND_COUNT] = { { KEPT_MD5, KEPT_SHA1, KEPT_SHA256 },
                                                           { KEPT_ALLOW_MD5, KEPT_ALLOW_SHA1, KEPT_ALLOW_SHA256 } };
    return LineVerdict::Kept(KEPT[allowList ? 1 : 0][kind]);
}

} // namespace orv
