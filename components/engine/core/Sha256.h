// SHA-256 over a stream of chunks, for the .hsb hash signatures.
#pragma once

#include <stdint.h>

#include "BlockBuffer.h"

namespace orv {

bool Sha256HardwareAvailable();
void Sha256HardwareBlocks(uint32_t* state, const uint8_t* data, uint32_t blocks);

class Sha256 {
public:
    // useHardware: run the processor's SHA instructions. Only pass true when
    // Sha256HardwareAvailable said so; asking the processor costs more than hashing a small file,
    // so owners ask once and keep the answer.
    void Start(bool useHardware);
    void Update(const uint8_t* data, uint32_t size);
    void Finish(uint8_t digest[32]);

private:
    void Block(const uint8_t* block);
    void Blocks(const uint8_t* data, uint32_t count);
    uint32_t state[8];
    bool hardware;
    BlockBuffer buffer;
};

} // namespace orv
