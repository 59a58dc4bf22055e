// Hash signatures ("hash:size:name", .hdb MD5, .hsb SHA-1 or SHA-256) and the allow lists in the
// same format (.fp MD5, .sfp SHA-1 or SHA-256), looked up by file size first so that a file is
// hashed only when some entry has its size.
#pragma once

#include "CoreMemory.h"
#include "IgnoreList.h"
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
    bool Add(const HashEntry& entry);
    // Sorts the entries; must run before lookups.
    void Finish();
    bool WantsSize(uint64_t size) const;
    // The name offset of the entry with that size and digest, or UINT32_MAX.
    uint32_t Find(uint64_t size, const uint8_t* digest) const;
    uint32_t Count() const { return entries.Count(); }
    uint32_t DigestSize() const { return digestSize; }

private:
    uint32_t LowerBound(uint64_t size, const uint8_t* digest) const;
    int Compare(const HashEntry& entry, uint64_t size, const uint8_t* digest) const;

    Vec<HashEntry> entries;
    uint32_t digestSize = 16;
    bool hasAnySize = false;
};

enum HashKind : uint32_t { HASH_MD5 = 0, HASH_SHA1 = 1, HASH_SHA256 = 2, HASH_KIND_COUNT = 3 };

// The three tables of one family: the signatures, or the allow list.
struct HashFamily {
    HashTable tables[HASH_KIND_COUNT];
    bool allowList;

    void Init(const CoreAllocator* allocator, bool isAllowList);
    void Release();
    void Finish();
    // Loads one file; md5 says whether it holds MD5 digests (.hdb, .fp) or SHA-1/SHA-256 ones.
    void Load(const char* text, uint32_t size, bool md5, NamePool& names, const IgnoreList& ignores, FileStats& stats);
    bool WantsSize(HashKind kind, uint64_t size) const { return tables[kind].WantsSize(size); }
    bool WantsAny(uint64_t size) const;

private:
    LineVerdict ParseLine(TextSpan line, bool md5, NamePool& names, const IgnoreList& ignores);
};

} // namespace orv
