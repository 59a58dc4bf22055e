// One file's pass.
#include "FileMatcher.h"

namespace orv {

void FileMatcher::Begin(const SignatureDatabase& signatures, uint64_t size, ByteSource source)
{
    database = &signatures;
    fileSize = size;
    position = 0;
    automatonState = 0;
    found = nullptr;
    bodyDone = false;
    matcher.Begin(signatures.body.Store(), signatures.body.Signatures(), signatures.logical.CounterCount(),
                  signatures.logical.Count(), source);
    allowNeeded = signatures.allowed.WantsAny(size);
    // Each digest is taken only when a signature or an allow-list entry of its kind has the size.
    for (uint32_t kind = 0; kind < HASH_KIND_COUNT; ++kind)
        hashing[kind] = signatures.hashes.WantsSize(HashKind(kind), size)
            || signatures.allowed.WantsSize(HashKind(kind), size);
    if (hashing[HASH_MD5])
        md5.Start();
    if (hashing[HASH_SHA1])
        sha1.Start();
    if (hashing[HASH_SHA256])
        sha256.Start(signatures.sha256Hardware);
}

const char* FileMatcher::FirstLogicalMatch(bool monotoneOnly) const
{
    const LogicalDatabase& logical = database->logical;
    const Vec<uint32_t>& touched = matcher.Touched();
    for (uint32_t i = 0; i < touched.Count(); ++i)
        if ((!monotoneOnly || logical.Signature(touched[i]).monotone) && logical.Matches(touched[i], matcher))
            return database->Name(logical.Signature(touched[i]).nameOffset);
    if (monotoneOnly)
        return nullptr;
    const Vec<uint32_t>& always = logical.TrueWithoutMatches();
    for (uint32_t i = 0; i < always.Count(); ++i)
        if (logical.Matches(always[i], matcher))
            return database->Name(logical.Signature(always[i]).nameOffset);
    return nullptr;
}

bool FileMatcher::Feed(const uint8_t* data, uint32_t size)
{
    if (position < TEST_FILE_MAX_SIZE) {
        uint32_t room = uint32_t(TEST_FILE_MAX_SIZE - position);
        memcpy(head + position, data, room < size ? room : size);
    }
    if (!bodyDone) {
        uint32_t signature = database->body.ScanChunk(data, size, position, automatonState, matcher);
        if (signature != NO_SIGNATURE)
            found = database->Name(database->body.NameOffset(signature));
        else
            found = FirstLogicalMatch(true);
        bodyDone = found != nullptr;
    }
    if (hashing[HASH_MD5])
        md5.Update(data, size);
    if (hashing[HASH_SHA1])
        sha1.Update(data, size);
    if (hashing[HASH_SHA256])
        sha256.Update(data, size);
    position += size;
    return bodyDone && !allowNeeded;
}

void FileMatcher::FinishDigests()
{
    if (hashing[HASH_MD5])
        md5.Finish(digests[HASH_MD5]);
    if (hashing[HASH_SHA1])
        sha1.Finish(digests[HASH_SHA1]);
    if (hashing[HASH_SHA256])
        sha256.Finish(digests[HASH_SHA256]);
}

const char* FileMatcher::HashMatch()
{
    for (uint32_t kind = 0; kind < HASH_KIND_COUNT; ++kind) {
        if (!hashing[kind])
            continue;
        uint32_t name = database->hashes.tables[kind].Find(fileSize, digests[kind]);
        if (name != UINT32_MAX)
            return database->Name(name);
    }
    return nullptr;
}

bool FileMatcher::AllowListed()
{
    for (uint32_t kind = 0; kind < HASH_KIND_COUNT; ++kind)
        if (hashing[kind] && database->allowed.tables[kind].Find(fileSize, digests[kind]) != UINT32_MAX)
            return true;
    return false;
}

const char* FileMatcher::Finish()
{
    // A short read (the file shrank) leaves the digests and the counts incomplete: only what was
    // found in the bytes read stands, and the allow lists cannot be consulted.
    bool whole = position == fileSize;
    const char* name = nullptr;
    // The test file wins over any signature: its name is the one users look for.
    if (whole && fileSize <= TEST_FILE_MAX_SIZE && IsTestFile(head, uint32_t(fileSize)))
        name = TEST_FILE_VIRUS_NAME;
    else if (found)
        name = found;
    else if (whole)
        name = FirstLogicalMatch(false);
    if (!whole)
        return name;
    FinishDigests();
    if (!name)
        name = HashMatch();
    return name && allowNeeded && AllowListed() ? nullptr : name;
}

} // namespace orv
