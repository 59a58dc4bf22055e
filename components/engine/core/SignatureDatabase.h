// All signatures the engine knows: body and logical signatures, hash signatures, the allow lists
// and the ignore lists, with the virus names.
#pragma once

#include "HashDatabase.h"
#include "LogicalDatabase.h"

namespace orv {

enum DatabaseKind : uint32_t {
    DATABASE_MD5,        // .hdb
    DATABASE_SHA,        // .hsb: SHA-1 and SHA-256
    DATABASE_BODY,       // .ndb
    DATABASE_LOGICAL,    // .ldb
    DATABASE_ALLOW_MD5,  // .fp
    DATABASE_ALLOW_SHA,  // .sfp
    DATABASE_IGNORE,     // .ign2
    DATABASE_KIND_COUNT,
    DATABASE_NONE = DATABASE_KIND_COUNT
};

// The kind a file name's extension (compared without case) gives, or DATABASE_NONE.
DatabaseKind KindOfFile(TextSpan name);
// The extension of a kind, with its dot.
const char* KindExtension(DatabaseKind kind);

class SignatureDatabase {
public:
    void Init(const CoreAllocator* allocator);
    void Release();
    // Adds the lines of one database file of the given kind and counts what became of them in stats
    // (and in totals). Ignore lists apply to the files loaded after them.
    void Load(DatabaseKind kind, const char* text, uint32_t size, FileStats& stats);
    // Sorts the hash tables and builds the automaton; false without memory.
    bool Finish();
    const char* Name(uint32_t offset) const { return names.Get(offset); }

    FileStats totals;
    bool sha256Hardware = false;  // the processor's answer, asked once at Init
    HashFamily hashes;
    HashFamily allowed;
    BodyDatabase body;
    LogicalDatabase logical;
    IgnoreList ignores;

private:
    NamePool names;
};

} // namespace orv
