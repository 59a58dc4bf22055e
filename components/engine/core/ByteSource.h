// Random access to the bytes of the file being scanned, for the checks that look around the place
// where the automaton saw a fragment.
#pragma once

#include <stdint.h>

namespace orv {

// bytes(context, position, count) gives count bytes at position, or null when they lie (partly) past
// the end or cannot be read. The pointer is good until the next call.
struct ByteSource {
    const uint8_t* (*bytes)(void* context, uint64_t position, uint32_t count);
    void* context;
    uint64_t size;
};

} // namespace orv
