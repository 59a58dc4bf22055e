// Loads the input as all three kinds of signature database, then scans the input itself with them.
#include <cstdlib>

#include "core/SignatureDatabase.h"

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
    for (uint32_t kind = 0; kind < 3; ++kind)
        database.Load(orv::DatabaseKind(kind), text, uint32_t(size));
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
        matcher->Begin(database, size, { Memory::Bytes, &memory, size });
        for (size_t at = 0; at < size; at += 61)
            if (matcher->Feed(data + at, uint32_t(size - at < 61 ? size - at : 61)))
                break;
        matcher->Finish();
        delete matcher;
    }
    database.Release();
    return 0;
}
