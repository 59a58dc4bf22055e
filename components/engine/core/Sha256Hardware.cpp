// SHA-256 blocks through the x86 SHA extensions, used when the processor has them: hashing is most
// of the work for files that a hash signature's size selects.
#include "Sha256.h"

#if defined(__x86_64__) || defined(_M_X64)
#include <cpuid.h>
#include <immintrin.h>

namespace orv {

bool Sha256HardwareAvailable()
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & (1u << 19)) || !(c & (1u << 9)))  // SSE4.1, SSSE3
        return false;
    if (__get_cpuid_max(0, nullptr) < 7)
        return false;
    __cpuid_count(7, 0, a, b, c, d);
    return (b & (1u << 29)) != 0;  // SHA
}

__attribute__((target("sha,sse4.1,ssse3"))) void Sha256HardwareBlocks(uint32_t* state, const uint8_t* data, uint32_t blocks)
{
    const __m128i order = _mm_set_epi64x(0x0c0d0e0f08090a0bll, 0x0405060700010203ll);
    __m128i cdab = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0xB1);
    __m128i efgh = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4)), 0x1B);
    __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
    __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);
    for (; blocks; --blocks, data += 64) {
        __m128i savedAbef = abef;
        __m128i savedCdgh = cdgh;
        __m128i w[4];
        for (int g = 0; g < 16; ++g) {
            if (g < 4) {
                w[g] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * g)), order);
            } else {
                __m128i t = _mm_sha256msg1_epu32(w[g % 4], w[(g + 1) % 4]);
                t = _mm_add_epi32(t, _mm_alignr_epi8(w[(g + 3) % 4], w[(g + 2) % 4], 4));
                w[g % 4] = _mm_sha256msg2_epu32(t, w[(g + 3) % 4]);
            }
            __m128i message = _mm_add_epi32(w[g % 4], _mm_load_si128(reinterpret_cast<const __m128i*>(SHA256_K + 4 * g)));
            cdgh = _mm_sha256rnds2_epu32(cdgh, abef, message);
            abef = _mm_sha256rnds2_epu32(abef, cdgh, _mm_shuffle_epi32(message, 0x0E));
        }
        abef = _mm_add_epi32(abef, savedAbef);
        cdgh = _mm_add_epi32(cdgh, savedCdgh);
    }
    __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}

} // namespace orv

#else

namespace orv {

bool Sha256HardwareAvailable() { return false; }
void Sha256HardwareBlocks(uint32_t*, const uint8_t*, uint32_t) {}

} // namespace orv

#endif
