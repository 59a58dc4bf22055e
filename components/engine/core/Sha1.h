// SHA-1 over a stream of chunks, for the SHA-1 lines of .hsb signatures and .sfp allow lists.
#pragma once

#include <stdint.h>

#include "BlockBuffer.h"

namespace orv {

class Sha1 {
public:
    void Start();
    void Update(const uint8_t* data, uint32_t size);
    void Finish(uint8_t digest[20]);

private:
    void Block(const uint8_t* block);
    void Blocks(const uint8_t* data, uint32_t count);
    uint32_t state[5];
    BlockBuffer buffer;
};

} // namespace orv
