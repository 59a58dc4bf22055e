// SHA-256 (FIPS 180-4), written without a C library so that the engine image can carry it.
#include "Sha256.h"

#include "CoreMemory.h"

namespace orv {
namespace {

inline uint32_t Rotr(uint32_t x, uint32_t n) { return (x >> n) | (x << (32 - n)); }

} // namespace

void Sha256::Start(bool useHardware)
{
    hardware = useHardware;
    static constexpr uint32_t INITIAL[8] = { 0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                             0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19 };
    for (int i = 0; i < 8; ++i)
        state[i] = INITIAL[i];
    buffer.Reset();
}

void Sha256::Block(const uint8_t* p)
{
    uint32_t w[64];
    for (int i = 0; i < 16; ++i)
        w[i] = uint32_t(p[4 * i]) << 24 | p[4 * i + 1] << 16 | p[4 * i + 2] << 8 | p[4 * i + 3];
    for (int i = 16; i < 64; ++i) {
        uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
        uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    for (int i = 0; i < 64; ++i) {
        uint32_t t1 = h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + SHA256_K[i] + w[i];
        uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    state[5] += f;
    state[6] += g;
    state[7] += h;
}

void Sha256::Blocks(const uint8_t* data, uint32_t count)
{
    if (hardware) {
        Sha256HardwareBlocks(state, data, count);
        return;
    }
    for (; count; --count, data += 64)
        Block(data);
}

void Sha256::Update(const uint8_t* data, uint32_t size)
{
    buffer.Feed(data, size, [this](const uint8_t* blocks, uint32_t count) { Blocks(blocks, count); });
}

void Sha256::Finish(uint8_t digest[32])
{
    buffer.Finish(true, [this](const uint8_t* blocks, uint32_t count) { Blocks(blocks, count); });
    for (int i = 0; i < 32; ++i)
        digest[i] = uint8_t(state[i / 4] >> (24 - 8 * (i % 4)));
}

} // namespace orv
