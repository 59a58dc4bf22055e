// Hash signatures: MD5 (.hdb, "md5:size:name") and SHA-256 (.hsb, "sha256:size:name"), looked up by
// file size first so that a file is hashed only when some signature has its size.
#pragma once

#include "CoreMemory.h"
#include "NamePool.h"

namespace orv {

constexpr uint64_t ANY_SIZE = UINT64_MAX;  // the size field "*"

struct HashEntry {
    uint64_t size;
    uint32_t nameOffset;
    uint8_t digest[32];  // the first digestSize bytes are used
};

class HashTable {
public:
    void Init(const CoreAllocator* allocator, uint32_t digestSize);
    void Release() { entries.Release(); }
    // Adds the lines of one database file; Finish must run before lookups.
    void Load(const char* text, uint32_t size, NamePool& names, LoadStats& stats);
    void Finish();
    bool WantsSize(uint64_t size) const;
    // The name offset of the signature with that size and digest, or UINT32_MAX.
    uint32_t Find(uint64_t size, const uint8_t* digest) const;
    uint32_t Count() const { return entries.Count(); }

private:
    bool ParseLine(TextSpan line, NamePool& names);
    uint32_t LowerBound(uint64_t size, const uint8_t* digest) const;
    int Compare(const HashEntry& entry, uint64_t size, const uint8_t* digest) const;

    Vec<HashEntry> entries;
    uint32_t digestSize = 16;
    bool hasAnySize = false;
};

} // namespace orv
