// SHA-1 (FIPS 180-4), written without a C library so that the engine image can carry it.
#include "Sha1.h"

#include "CoreMemory.h"

namespace orv {
namespace {

inline uint32_t Rotl(uint32_t x, uint32_t n) { return (x << n) | (x >> (32 - n)); }

} // namespace

void Sha1::Start()
{
    state[0] = 0x67452301;
    state[1] = 0xefcdab89;
    state[2] = 0x98badcfe;
    state[3] = 0x10325476;
    state[4] = 0xc3d2e1f0;
    buffer.Reset();
}

// The message schedule is kept in a ring of sixteen words, computed as the rounds need them.
void Sha1::Block(const uint8_t* p)
{
    uint32_t w[16];
    for (int i = 0; i < 16; ++i)
        w[i] = uint32_t(p[4 * i]) << 24 | p[4 * i + 1] << 16 | p[4 * i + 2] << 8 | p[4 * i + 3];
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    for (int i = 0; i < 80; ++i) {
        if (i >= 16)
            w[i & 15] = Rotl(w[(i + 13) & 15] ^ w[(i + 8) & 15] ^ w[(i + 2) & 15] ^ w[i & 15], 1);
        uint32_t f, k;
        if (i < 20) {
            f = d ^ (b & (c ^ d));
            k = 0x5a827999;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ed9eba1;
        } else if (i < 60) {
            f = (b & c) | (d & (b | c));
            k = 0x8f1bbcdc;
        } else {
            f = b ^ c ^ d;
            k = 0xca62c1d6;
        }
        uint32_t t = Rotl(a, 5) + f + e + k + w[i & 15];
        e = d;
        d = c;
        c = Rotl(b, 30);
        b = a;
        a = t;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
}

void Sha1::Blocks(const uint8_t* data, uint32_t count)
{
    for (; count; --count, data += 64)
        Block(data);
}

void Sha1::Update(const uint8_t* data, uint32_t size)
{
    buffer.Feed(data, size, [this](const uint8_t* blocks, uint32_t count) { Blocks(blocks, count); });
}

void Sha1::Finish(uint8_t digest[20])
{
    buffer.Finish(true, [this](const uint8_t* blocks, uint32_t count) { Blocks(blocks, count); });
    for (int i = 0; i < 20; ++i)
        digest[i] = uint8_t(state[i / 4] >> (24 - 8 * (i % 4)));
}

} // namespace orv
