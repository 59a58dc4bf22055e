// The benchmark's generated signatures, each with the bytes that match it: body signatures in the
// forms both scanners accept (wildcards, bounded and open gaps, gaps at the start and the end,
// parts far apart, offsets) and logical signatures over such subsignatures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct BenchRandom {
    uint64_t state;
    uint64_t Next()
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
    uint32_t Below(uint32_t n) { return uint32_t(Next() % n); }
    double Unit() { return double(Next() >> 11) / double(1ull << 53); }
    uint64_t LogUniform(double low, double high);
    std::string Bytes(size_t count);
};

std::string HexOf(const uint8_t* bytes, size_t size);
inline std::string HexOf(const std::string& bytes)
{
    return HexOf(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

enum class Placement { Anywhere, AtStart, AtEnd };

// Bytes to write into a file, and where.
struct BenchInstance {
    std::string bytes;
    Placement placement = Placement::Anywhere;
};

struct BenchSignature {
    std::string line;                     // with its newline
    std::vector<BenchInstance> instances; // all of them make a match
    size_t minFileSize = 512;             // files smaller than this are not infected with it
};

BenchSignature MakeBodySignature(BenchRandom& random, uint32_t index);
BenchSignature MakeLogicalSignature(BenchRandom& random, uint32_t index);
