// The ignore lists (.ign2): signature names, one a line, optionally with the MD5 of the whole
// signature line ("name:md5"), whose signatures are left out when the databases are loaded. With the
// MD5 only that exact line is left out, so a corrected signature of the same name is loaded again.
#pragma once

#include "CoreMemory.h"
#include "LoadStats.h"

namespace orv {

constexpr uint32_t MAX_IGNORED_NAME = 255;

class IgnoreList {
public:
    void Init(const CoreAllocator* allocator);
    void Release();
    void Load(const char* text, uint32_t size, FileStats& stats);
    // Whether the signature called name, read from line, is to be left out.
    bool Ignores(TextSpan name, TextSpan line) const;
    uint32_t Count() const { return entries.Count(); }

private:
    struct Entry {
        uint32_t nameOffset;
        uint32_t nameLength;
        bool hasDigest;
        uint8_t digest[16];
    };
    LineVerdict ParseLine(TextSpan line);
    int Compare(const Entry& entry, TextSpan name) const;
    uint32_t LowerBound(TextSpan name) const;

    Vec<char> names;
    Vec<Entry> entries;
};

} // namespace orv
