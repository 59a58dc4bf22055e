// Helpers for the core tests: the C heap as the core's allocator, a memory ByteSource, and a loaded
// signature database over text given in the test.
#pragma once

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "core/FileMatcher.h"

inline orv::CoreAllocator HeapAllocator()
{
    return { [](void*, uint32_t size) { return std::malloc(size ? size : 1); },
             [](void*, void* block, uint32_t size) { return std::realloc(block, size ? size : 1); },
             [](void*, void* block) { std::free(block); }, nullptr };
}

struct MemorySource {
    explicit MemorySource(const std::string& bytes) : bytes(bytes)
    {
        source = { Bytes, this, bytes.size() };
    }
    static const uint8_t* Bytes(void* context, uint64_t position, uint32_t count)
    {
        const std::string& data = static_cast<MemorySource*>(context)->bytes;
        if (position > data.size() || data.size() - position < count)
            return nullptr;
        return reinterpret_cast<const uint8_t*>(data.data()) + position;
    }
    const std::string& bytes;
    orv::ByteSource source;
};

class LoadedDatabase {
public:
    using Files = std::vector<std::pair<orv::DatabaseKind, std::string>>;

    LoadedDatabase(const std::string& md5 = "", const std::string& sha = "", const std::string& body = "")
        : LoadedDatabase(Files { { orv::DATABASE_MD5, md5 }, { orv::DATABASE_SHA, sha }, { orv::DATABASE_BODY, body } })
    {
    }
    // The files are loaded in the order given.
    explicit LoadedDatabase(const Files& files)
    {
        database.Init(&allocator);
        for (const auto& [kind, text] : files) {
            orv::FileStats stats;
            database.Load(kind, text.data(), uint32_t(text.size()), stats);
        }
        built = database.Finish();
        matcher.Init(&allocator);
    }
    ~LoadedDatabase()
    {
        matcher.Release();
        database.Release();
    }
    LoadedDatabase(const LoadedDatabase&) = delete;
    LoadedDatabase& operator=(const LoadedDatabase&) = delete;

    // The virus name for the file, fed in chunks of chunkSize; "" for clean.
    std::string Scan(const std::string& file, uint32_t chunkSize = 1u << 20)
    {
        MemorySource memory(file);
        matcher.Begin(database, file.size(), memory.source);
        for (size_t at = 0; at < file.size(); at += chunkSize) {
            uint32_t size = uint32_t(std::min<size_t>(chunkSize, file.size() - at));
            if (matcher.Feed(reinterpret_cast<const uint8_t*>(file.data()) + at, size))
                break;
        }
        const char* name = matcher.Finish();
        return name ? name : "";
    }
    uint32_t Kept() const { return database.totals.Kept(); }
    uint32_t Refused() const { return database.totals.Refused(); }

    orv::CoreAllocator allocator = HeapAllocator();
    orv::SignatureDatabase database;
    orv::FileMatcher matcher;
    bool built = false;
};

inline std::string Hex(const std::string& text)
{
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : text) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}
