// Loading the databases by kind.
#include "SignatureDatabase.h"

#include "Sha256.h"

namespace orv {
namespace {

const char* const EXTENSIONS[DATABASE_KIND_COUNT] = { ".hdb", ".hsb", ".ndb", ".ldb", ".fp", ".sfp", ".ign2" };

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool EndsWithNoCase(TextSpan name, const char* suffix)
{
    uint32_t length = 0;
    while (suffix[length])
        ++length;
    if (name.size <= length)
        return false;
    for (uint32_t i = 0; i < length; ++i)
        if (Lower(name.text[name.size - length + i]) != suffix[i])
            return false;
    return true;
}

} // namespace

DatabaseKind KindOfFile(TextSpan name)
{
    for (uint32_t kind = 0; kind < DATABASE_KIND_COUNT; ++kind)
        if (EndsWithNoCase(name, EXTENSIONS[kind]))
            return DatabaseKind(kind);
    return DATABASE_NONE;
}

const char* KindExtension(DatabaseKind kind) { return kind < DATABASE_KIND_COUNT ? EXTENSIONS[kind] : ""; }

void SignatureDatabase::Init(const CoreAllocator* allocator)
{
    totals = FileStats();
    sha256Hardware = Sha256HardwareAvailable();
    names.Init(allocator);
    hashes.Init(allocator, false);
    allowed.Init(allocator, true);
    body.Init(allocator);
    logical.Init(allocator);
    ignores.Init(allocator);
}

void SignatureDatabase::Release()
{
    names.Release();
    hashes.Release();
    allowed.Release();
    body.Release();
    logical.Release();
    ignores.Release();
}

void SignatureDatabase::Load(DatabaseKind kind, const char* text, uint32_t size, FileStats& stats)
{
    switch (kind) {
    case DATABASE_MD5:
    case DATABASE_SHA:
        hashes.Load(text, size, kind == DATABASE_MD5, names, ignores, stats);
        break;
    case DATABASE_ALLOW_MD5:
    case DATABASE_ALLOW_SHA:
        allowed.Load(text, size, kind == DATABASE_ALLOW_MD5, names, ignores, stats);
        break;
    case DATABASE_BODY:
        body.Load(text, size, names, ignores, stats);
        break;
    case DATABASE_LOGICAL:
        logical.Load(text, size, names, ignores, body, stats);
        break;
    case DATABASE_IGNORE:
        ignores.Load(text, size, stats);
        break;
    default:
        return;
    }
    totals.Add(stats);
}

bool SignatureDatabase::Finish()
{
    hashes.Finish();
    allowed.Finish();
    return body.Finish();
}

} // namespace orv
