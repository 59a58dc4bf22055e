// SHA-256 over a stream of chunks, for the .hsb hash signatures.
#pragma once

#include <stdint.h>

namespace orv {

bool Sha256HardwareAvailable();
void Sha256HardwareBlocks(uint32_t* state, const uint8_t* data, uint32_t blocks);

class Sha256 {
public:
    // allowHardware: use the processor's SHA instructions when it has them (tests turn it off to
    // check the portable rounds on the same machine).
    void Start(bool allowHardware = true);
    void Update(const uint8_t* data, uint32_t size);
    void Finish(uint8_t digest[32]);

private:
    void Block(const uint8_t* block);
    void Blocks(const uint8_t* data, uint32_t count);
    uint32_t state[8];
    bool hardware;
    uint64_t length;
    uint8_t pending[64];
    uint32_t pendingCount;
};

} // namespace orv
