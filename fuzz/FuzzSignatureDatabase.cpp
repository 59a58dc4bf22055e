// Loads the input as every kind of signature database and as an info file with an index, then scans
// the input itself with the signatures.
#include <cstdlib>

#include "core/InfoFile.h"

#include "core/FileMatcher.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    orv::CoreAllocator allocator { [](void*, uint32_t n) { return std::malloc(n ? n : 1); },
                                   [](void*, void* b, uint32_t n) { return std::realloc(b, n ? n : 1); },
                                   [](void*, void* b) { std::free(b); }, nullptr };
    orv::SignatureDatabase database;
    database.Init(&allocator);
    const char* text = reinterpret_cast<const char*>(data);
    // The ignore list first, as the engine loads it, so that its entries meet the other kinds.
    static const orv::DatabaseKind ORDER[] = { orv::DATABASE_IGNORE, orv::DATABASE_MD5, orv::DATABASE_SHA,
                                               orv::DATABASE_BODY, orv::DATABASE_LOGICAL, orv::DATABASE_ALLOW_MD5,
                                               orv::DATABASE_ALLOW_SHA };
    for (orv::DatabaseKind kind : ORDER) {
        orv::FileStats stats;
        database.Load(kind, text, uint32_t(size), stats);
    }
    orv::EngineInfo info;
    orv::DatabaseIndex index;
    orv::ParseInfoFile(text, uint32_t(size), info, &index);
    struct Memory {
        static const uint8_t* Bytes(void* context, uint64_t position, uint32_t count)
        {
            const Memory& m = *static_cast<Memory*>(context);
            return position <= m.size && m.size - position >= count ? m.data + position : nullptr;
        }
        const uint8_t* data;
        uint64_t size;
    } memory { data, size };
    if (database.Finish()) {
        orv::FileMatcher* matcher = new orv::FileMatcher();
        matcher->Init(&allocator);
        matcher->Begin(database, size, { Memory::Bytes, &memory, size });
        for (size_t at = 0; at < size; at += 61)
            if (matcher->Feed(data + at, uint32_t(size - at < 61 ? size - at : 61)))
                break;
        matcher->Finish();
        matcher->Release();
        delete matcher;
    }
    database.Release();
    return 0;
}
