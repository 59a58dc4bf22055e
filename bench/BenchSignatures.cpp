// Generation of the benchmark's signatures. Every part between gaps keeps at least two fixed bytes
// in a row, and no range opens or ends a pattern, as the peer demands of the files it loads.
#include "BenchSignatures.h"

#include <cmath>
#include <cstdio>

uint64_t BenchRandom::LogUniform(double low, double high)
{
    return uint64_t(std::exp(std::log(low) + Unit() * (std::log(high) - std::log(low))));
}

std::string BenchRandom::Bytes(size_t count)
{
    std::string out(count, '\0');
    for (char& c : out)
        c = char(Next());
    return out;
}

std::string HexOf(const uint8_t* bytes, size_t size)
{
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < size; ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

namespace {

struct Pattern {
    std::string offset = "*";
    std::string hex;
    BenchInstance instance;
    size_t minFileSize = 512;
};

std::string Gap(uint32_t low, uint32_t high)
{
    return low == high ? "{" + std::to_string(low) + "}" : "{" + std::to_string(low) + "-" + std::to_string(high) + "}";
}

// One pattern of the given form, on random fixed runs of 8 to 24 bytes.
Pattern MakePattern(BenchRandom& random, uint32_t form)
{
    Pattern p;
    std::string first = random.Bytes(8 + random.Below(17));
    std::string tail = random.Bytes(6 + random.Below(8));
    p.hex = HexOf(first);
    std::string& bytes = p.instance.bytes;
    bytes = first;
    if (form < 3) {         // "??" in the middle
        p.hex += "??" + HexOf(tail);
        bytes += char(random.Next()) + tail;
    } else if (form < 5) {  // a bounded gap
        uint32_t low = random.Below(8), high = low + 1 + random.Below(16);
        p.hex += Gap(low, high) + HexOf(tail);
        bytes += random.Bytes(low + random.Below(high - low + 1)) + tail;
    } else if (form < 7) {  // an open gap
        p.hex += "*" + HexOf(tail);
        bytes += random.Bytes(random.Below(300)) + tail;
    } else if (form == 7) { // at the start of the file
        p.offset = "0";
        p.instance.placement = Placement::AtStart;
    } else if (form == 8) { // a leading gap at the start of the file
        uint32_t lead = 1 + random.Below(6);
        p.offset = "0";
        p.hex = "{" + std::to_string(lead) + "}" + p.hex;
        bytes = random.Bytes(lead) + bytes;
        p.instance.placement = Placement::AtStart;
    } else if (form == 9) { // leading wildcards anywhere
        p.hex = "????" + p.hex;
        bytes = random.Bytes(2) + bytes;
    } else if (form == 10) { // a trailing gap
        uint32_t trail = 1 + random.Below(8);
        p.hex += "{" + std::to_string(trail) + "}";
        bytes += random.Bytes(trail);
    } else if (form == 11) { // a leading gap counted from the end of the file
        p.hex = "{2}" + p.hex;
        bytes = random.Bytes(2) + bytes;
        p.offset = "EOF-" + std::to_string(bytes.size());
        p.instance.placement = Placement::AtEnd;
    } else if (form == 12) { // parts far apart over a wide range
        p.hex += "{0-200000}" + HexOf(tail);
        bytes += random.Bytes(50000 + random.Below(100000)) + tail;
        p.minFileSize = 256 * 1024;
    } else if (form == 13) { // parts far apart over an open gap
        p.hex += "*" + HexOf(tail);
        bytes += random.Bytes(70000 + random.Below(100000)) + tail;
        p.minFileSize = 256 * 1024;
    }
    return p;
}

} // namespace

BenchSignature MakeBodySignature(BenchRandom& random, uint32_t index)
{
    Pattern p = MakePattern(random, random.Below(28));
    char name[40];
    std::snprintf(name, sizeof name, "Bench.Body-%u", index);
    BenchSignature sig;
    sig.line = std::string(name) + ":0:" + p.offset + ":" + p.hex + "\n";
    sig.instances.push_back(p.instance);
    sig.minFileSize = p.minFileSize;
    return sig;
}

// Expressions that hold only when planted subsignatures are there: random data never holds the
// fixed runs, so none of them holds on a clean file.
BenchSignature MakeLogicalSignature(BenchRandom& random, uint32_t index)
{
    static const struct {
        const char* expression;
        uint32_t subsignatures;
        uint32_t planted[3];  // instances of each subsignature that make a match
    } FORMS[] = {
        { "0&1", 2, { 1, 1, 0 } },
        { "(0|1)&2", 3, { 0, 1, 1 } },
        { "0>1", 1, { 2, 0, 0 } },
        { "(0&1)|2", 3, { 0, 0, 1 } },
        { "0&1=0", 2, { 1, 0, 0 } },
        { "(0|1|2)>2,2", 3, { 2, 1, 0 } },
    };
    const auto& form = FORMS[random.Below(uint32_t(std::size(FORMS)))];
    char name[40];
    std::snprintf(name, sizeof name, "Bench.Logical-%u", index);
    BenchSignature sig;
    sig.line = std::string(name) + ";Engine:51-255,Target:0;" + form.expression;
    for (uint32_t s = 0; s < form.subsignatures; ++s) {
        // Subsignatures in the compact forms, some with an offset in front.
        Pattern p = MakePattern(random, random.Below(12) < 7 ? random.Below(7) : 14);
        sig.line += ";" + std::string(random.Below(3) == 0 ? "*:" : "") + p.hex;
        for (uint32_t n = 0; n < form.planted[s]; ++n)
            sig.instances.push_back(p.instance);
    }
    sig.line += "\n";
    return sig;
}
