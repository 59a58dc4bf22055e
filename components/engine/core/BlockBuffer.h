// The 64-byte block framing that MD5 and SHA-256 share: bytes are gathered into whole blocks for
// the digest's compression function, and the message ends with 0x80, zeros and its bit length.
#pragma once

#include <stdint.h>

#include "CoreMemory.h"

namespace orv {

struct BlockBuffer {
    uint64_t length;
    uint8_t pending[64];
    uint32_t pendingCount;

    void Reset()
    {
        length = 0;
        pendingCount = 0;
    }

    // compress(blocks, count) takes count whole 64-byte blocks.
    template <typename Compress>
    void Feed(const uint8_t* data, uint32_t size, Compress compress)
    {
        length += size;
        if (pendingCount) {
            uint32_t take = 64 - pendingCount < size ? 64 - pendingCount : size;
            memcpy(pending + pendingCount, data, take);
            pendingCount += take;
            data += take;
            size -= take;
            if (pendingCount < 64)
                return;
            compress(pending, 1u);
            pendingCount = 0;
        }
        compress(data, size / 64);
        data += size & ~63u;
        size &= 63;
        memcpy(pending, data, size);
        pendingCount = size;
    }

    // Pads the message; the bit length goes in little-endian (MD5) or big-endian (SHA-256) order.
    template <typename Compress>
    void Finish(bool bigEndianLength, Compress compress)
    {
        const uint64_t bits = length * 8;
        uint8_t pad[72] = { 0x80 };
        uint32_t padCount = pendingCount < 56 ? 56 - pendingCount : 120 - pendingCount;
        Feed(pad, padCount, compress);
        for (int i = 0; i < 8; ++i)
            pad[i] = uint8_t(bits >> (bigEndianLength ? 56 - 8 * i : 8 * i));
        Feed(pad, 8, compress);
    }
};

} // namespace orv
