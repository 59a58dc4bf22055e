// All signatures the engine knows (hash and body databases with their names), and the pass over one
// file that checks them: the test file, body signatures while the file streams by, hashes at the end.
#pragma once

#include "BodyDatabase.h"
#include "HashDatabase.h"
#include "Md5.h"
#include "Sha256.h"
#include "TestFile.h"

namespace orv {

enum DatabaseKind : uint32_t { DATABASE_MD5 = 0, DATABASE_SHA256 = 1, DATABASE_BODY = 2 };

class SignatureDatabase {
public:
    void Init(const CoreAllocator* allocator);
    void Release();
    // Adds the lines of one database file of the given kind; lines it does not understand are
    // counted in stats and skipped.
    void Load(DatabaseKind kind, const char* text, uint32_t size);
    // Sorts the hash tables and builds the automaton; false without memory.
    bool Finish();
    const char* Name(uint32_t offset) const { return names.Get(offset); }

    LoadStats stats;
    bool sha256Hardware = false;  // the processor's answer, asked once at Init
    HashTable md5;
    HashTable sha256;
    BodyDatabase body;

private:
    NamePool names;
};

// One file's pass. Begin, Feed every chunk in order, then Finish for the verdict.
class FileMatcher {
public:
    // source serves the file's bytes to the checks of body signatures.
    void Begin(const SignatureDatabase& database, uint64_t fileSize, ByteSource source);
    // Returns true once the file is decided (the rest of it need not be read).
    bool Feed(const uint8_t* data, uint32_t size);
    // The virus name, or null for a clean file.
    const char* Finish();
    bool NeedsHashes() const { return hashMd5 || hashSha256; }

private:
    const SignatureDatabase* database = nullptr;
    uint64_t fileSize = 0;
    uint64_t position = 0;
    uint32_t automatonState = 0;
    VerifyState verify {};
    const char* found = nullptr;
    bool hashMd5 = false;
    bool hashSha256 = false;
    uint8_t head[TEST_FILE_MAX_SIZE];
    Md5 md5;
    Sha256 sha256;
};

} // namespace orv
