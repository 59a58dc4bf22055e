// The virus names of all databases, kept zero-terminated in one block and referred to by offset,
// because the block moves while it grows.
#pragma once

#include "CoreMemory.h"
#include "TextLines.h"

namespace orv {

// Longer names are cut: the backup record and the program's result list keep 63 characters.
constexpr uint32_t MAX_NAME_LENGTH = 63;

class NamePool {
public:
    void Init(const CoreAllocator* allocator) { bytes.Init(allocator); }
    void Release() { bytes.Release(); }
    // Returns the offset of the stored copy, or UINT32_MAX without memory or for an empty name.
    uint32_t Add(TextSpan name);
    const char* Get(uint32_t offset) const { return bytes.Data() + offset; }

private:
    Vec<char> bytes;
};

} // namespace orv
