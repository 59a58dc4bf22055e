// MD5 over a stream of chunks, for the .hdb hash signatures.
#pragma once

#include <stdint.h>

#include "BlockBuffer.h"

namespace orv {

class Md5 {
public:
    void Start();
    void Update(const uint8_t* data, uint32_t size);
    void Finish(uint8_t digest[16]);

private:
    void Block(const uint8_t* block);
    void Blocks(const uint8_t* data, uint32_t count);
    uint32_t state[4];
    BlockBuffer buffer;
};

} // namespace orv
