// MD5 (RFC 1321), written without a C library so that the engine image can carry it.
#include "Md5.h"

#include "CoreMemory.h"

namespace orv {
namespace {

constexpr uint32_t K[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

inline uint32_t Rotl(uint32_t x, uint32_t n) { return (x << n) | (x >> (32 - n)); }

} // namespace

void Md5::Start()
{
    state[0] = 0x67452301;
    state[1] = 0xefcdab89;
    state[2] = 0x98badcfe;
    state[3] = 0x10325476;
    buffer.Reset();
}

// The 64 steps written out, four rounds of sixteen: the rounds differ in their function and in the
// order they take the message words, and a loop that decides these per step runs at half the speed.
#define MD5_STEP(f, a, b, c, d, word, constant, shift) \
    a += f(b, c, d) + (word) + (constant);               \
    a = b + Rotl(a, shift)

inline uint32_t F(uint32_t b, uint32_t c, uint32_t d) { return d ^ (b & (c ^ d)); }
// G's two terms never share a bit, so they may be added; c & ~d does not wait for b, the result of the
// step before, which shortens the chain that bounds the speed by one operation a step.
inline uint32_t G(uint32_t b, uint32_t c, uint32_t d) { return (b & d) + (c & ~d); }
inline uint32_t H(uint32_t b, uint32_t c, uint32_t d) { return b ^ c ^ d; }
inline uint32_t I(uint32_t b, uint32_t c, uint32_t d) { return c ^ (b | ~d); }

void Md5::Block(const uint8_t* p)
{
    uint32_t m[16];
    for (int i = 0; i < 16; ++i)
        m[i] = p[4 * i] | p[4 * i + 1] << 8 | p[4 * i + 2] << 16 | uint32_t(p[4 * i + 3]) << 24;
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int i = 0; i < 16; i += 4) {
        MD5_STEP(F, a, b, c, d, m[i], K[i], 7);
        MD5_STEP(F, d, a, b, c, m[i + 1], K[i + 1], 12);
        MD5_STEP(F, c, d, a, b, m[i + 2], K[i + 2], 17);
        MD5_STEP(F, b, c, d, a, m[i + 3], K[i + 3], 22);
    }
    for (int i = 16; i < 32; i += 4) {
        MD5_STEP(G, a, b, c, d, m[(5 * i + 1) & 15], K[i], 5);
        MD5_STEP(G, d, a, b, c, m[(5 * i + 6) & 15], K[i + 1], 9);
        MD5_STEP(G, c, d, a, b, m[(5 * i + 11) & 15], K[i + 2], 14);
        MD5_STEP(G, b, c, d, a, m[(5 * i + 16) & 15], K[i + 3], 20);
    }
    for (int i = 32; i < 48; i += 4) {
        MD5_STEP(H, a, b, c, d, m[(3 * i + 5) & 15], K[i], 4);
        MD5_STEP(H, d, a, b, c, m[(3 * i + 8) & 15], K[i + 1], 11);
        MD5_STEP(H, c, d, a, b, m[(3 * i + 11) & 15], K[i + 2], 16);
        MD5_STEP(H, b, c, d, a, m[(3 * i + 14) & 15], K[i + 3], 23);
    }
    for (int i = 48; i < 64; i += 4) {
        MD5_STEP(I, a, b, c, d, m[(7 * i) & 15], K[i], 6);
        MD5_STEP(I, d, a, b, c, m[(7 * i + 7) & 15], K[i + 1], 10);
        MD5_STEP(I, c, d, a, b, m[(7 * i + 14) & 15], K[i + 2], 15);
        MD5_STEP(I, b, c, d, a, m[(7 * i + 21) & 15], K[i + 3], 21);
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

#undef MD5_STEP

void Md5::Blocks(const uint8_t* data, uint32_t count)
{
    for (; count; --count, data += 64)
        Block(data);
}

void Md5::Update(const uint8_t* data, uint32_t size)
{
    buffer.Feed(data, size, [this](const uint8_t* blocks, uint32_t count) { Blocks(blocks, count); });
}

void Md5::Finish(uint8_t digest[16])
{
    buffer.Finish(false, [this](const uint8_t* blocks, uint32_t count) { Blocks(blocks, count); });
    for (int i = 0; i < 16; ++i)
        digest[i] = uint8_t(state[i / 4] >> (8 * (i % 4)));
}

} // namespace orv
