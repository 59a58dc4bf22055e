// One file's pass over all signatures: the test file, body and logical signatures while the file
// streams by, hashes at the end, and the allow lists over whatever was found.
#pragma once

#include "Md5.h"
#include "Sha1.h"
#include "Sha256.h"
#include "SignatureDatabase.h"
#include "TestFile.h"

namespace orv {

class FileMatcher {
public:
    void Init(const CoreAllocator* allocator) { matcher.Init(allocator); }
    void Release() { matcher.Release(); }
    // Sizes the per-file tables for the database; false without memory.
    bool Prepare(const SignatureDatabase& signatures)
    {
        return matcher.Reserve(signatures.body.Count(), signatures.logical.CounterCount(), signatures.logical.Count());
    }
    // source serves the file's bytes to the checks of body signatures.
    void Begin(const SignatureDatabase& database, uint64_t fileSize, ByteSource source);
    // Returns true once the file is decided (the rest of it need not be read).
    bool Feed(const uint8_t* data, uint32_t size);
    // The virus name, or null for a clean file.
    const char* Finish();
    // Memory ran out while checking the file: a null verdict does not mean clean.
    bool Failed() const { return matcher.Failed(); }
    bool Hashes(HashKind kind) const { return hashing[kind]; }

private:
    const char* FirstLogicalMatch(bool monotoneOnly) const;
    bool AllowListed();
    const char* HashMatch();
    void FinishDigests();

    const SignatureDatabase* database = nullptr;
    uint64_t fileSize = 0;
    uint64_t position = 0;
    uint32_t automatonState = 0;
    const char* found = nullptr;
    bool bodyDone = false;       // a body or logical signature decided; only hashing may go on
    bool allowNeeded = false;    // an allow-list entry has the file's size
    bool hashing[HASH_KIND_COUNT] = {};
    uint8_t digests[HASH_KIND_COUNT][32];
    uint8_t head[TEST_FILE_MAX_SIZE];
    BodyMatcher matcher;
    Md5 md5;
    Sha1 sha1;
    Sha256 sha256;
};

} // namespace orv
