// The engine's signatures and the pass over one file.
#include "SignatureDatabase.h"

namespace orv {

void SignatureDatabase::Init(const CoreAllocator* allocator)
{
    stats = LoadStats();
    sha256Hardware = Sha256HardwareAvailable();
    names.Init(allocator);
    md5.Init(allocator, 16);
    sha256.Init(allocator, 32);
    body.Init(allocator);
}

void SignatureDatabase::Release()
{
    names.Release();
    md5.Release();
    sha256.Release();
    body.Release();
}

void SignatureDatabase::Load(DatabaseKind kind, const char* text, uint32_t size)
{
    if (kind == DATABASE_MD5)
        md5.Load(text, size, names, stats);
    else if (kind == DATABASE_SHA256)
        sha256.Load(text, size, names, stats);
    else
        body.Load(text, size, names, stats);
}

bool SignatureDatabase::Finish()
{
    md5.Finish();
    sha256.Finish();
    return body.Finish();
}

void FileMatcher::Begin(const SignatureDatabase& signatures, uint64_t size, ByteSource source)
{
    database = &signatures;
    fileSize = size;
    position = 0;
    automatonState = 0;
    verify.BeginFile(source);
    found = nullptr;
    hashMd5 = signatures.md5.WantsSize(size);
    hashSha256 = signatures.sha256.WantsSize(size);
    if (hashMd5)
        md5.Start();
    if (hashSha256)
        sha256.Start(signatures.sha256Hardware);
}

bool FileMatcher::Feed(const uint8_t* data, uint32_t size)
{
    if (found)
        return true;
    if (position < TEST_FILE_MAX_SIZE) {
        uint32_t take = uint32_t(TEST_FILE_MAX_SIZE - position) < size ? uint32_t(TEST_FILE_MAX_SIZE - position) : size;
        memcpy(head + position, data, take);
    }
    uint32_t signature = database->body.ScanChunk(data, size, position, automatonState, verify);
    if (signature != NO_SIGNATURE)
        found = database->Name(database->body.NameOffset(signature));
    if (hashMd5)
        md5.Update(data, size);
    if (hashSha256)
        sha256.Update(data, size);
    position += size;
    return found != nullptr;
}

const char* FileMatcher::Finish()
{
    // The test file wins over any signature: its name is the one users look for.
    if (position == fileSize && fileSize <= TEST_FILE_MAX_SIZE && IsTestFile(head, uint32_t(fileSize)))
        return TEST_FILE_VIRUS_NAME;
    if (found)
        return found;
    // A short read (the file shrank) makes the digests meaningless; they are only taken whole.
    if (position != fileSize)
        return nullptr;
    uint8_t digest[32];
    uint32_t name = UINT32_MAX;
    if (hashMd5) {
        md5.Finish(digest);
        name = database->md5.Find(fileSize, digest);
    }
    if (name == UINT32_MAX && hashSha256) {
        sha256.Finish(digest);
        name = database->sha256.Find(fileSize, digest);
    }
    return name == UINT32_MAX ? nullptr : database->Name(name);
}

} // namespace orv
