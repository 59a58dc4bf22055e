// Generation of the benchmark corpus and databases, deterministic from a fixed seed: file sizes from
// bytes to tens of MB, random content, and a few hundred files infected with body signatures
// (instances written into them) or hash signatures (taken from their content).
#include "BenchCorpus.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "core/Md5.h"
#include "core/Sha256.h"

namespace fs = std::filesystem;

namespace {

struct Random {
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
    uint64_t LogUniform(double low, double high) { return uint64_t(std::exp(std::log(low) + Unit() * (std::log(high) - std::log(low)))); }
};

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

// One body signature and a byte string that matches it.
struct BodySig {
    std::string line;
    std::string instance;
    bool atStart = false;
};

std::string RandomBytes(Random& random, size_t count)
{
    std::string out(count, '\0');
    for (char& c : out)
        c = char(random.Next());
    return out;
}

BodySig MakeBodySignature(Random& random, uint32_t index)
{
    BodySig sig;
    std::string first = RandomBytes(random, 8 + random.Below(17));
    std::string hex = HexOf(reinterpret_cast<const uint8_t*>(first.data()), first.size());
    sig.instance = first;
    uint32_t form = random.Below(20);
    if (form < 3) {            // "??" in the middle
        std::string tail = RandomBytes(random, 6 + random.Below(8));
        hex += "??" + HexOf(reinterpret_cast<const uint8_t*>(tail.data()), tail.size());
        sig.instance += char(random.Next()) + tail;
    } else if (form < 5) {     // a bounded gap
        uint32_t low = random.Below(8), high = low + random.Below(16);
        std::string tail = RandomBytes(random, 6 + random.Below(8));
        hex += "{" + std::to_string(low) + "-" + std::to_string(high) + "}" + HexOf(reinterpret_cast<const uint8_t*>(tail.data()), tail.size());
        sig.instance += RandomBytes(random, low + random.Below(high - low + 1)) + tail;
    } else if (form < 7) {     // an open gap
        std::string tail = RandomBytes(random, 6 + random.Below(8));
        hex += "*" + HexOf(reinterpret_cast<const uint8_t*>(tail.data()), tail.size());
        sig.instance += RandomBytes(random, random.Below(300)) + tail;
    } else if (form == 7) {    // at the start of the file
        sig.atStart = true;
    }
    char name[32];
    snprintf(name, sizeof name, "Bench.Body-%u", index);
    sig.line = std::string(name) + ":0:" + (sig.atStart ? "0" : "*") + ":" + hex + "\n";
    return sig;
}

std::vector<uint64_t> MakeSizes(Random& random, const CorpusShape& shape)
{
    std::vector<uint64_t> sizes(shape.files);
    uint64_t small = 0, large = 0;
    for (uint32_t i = 0; i < shape.files; ++i) {
        bool big = i % 200 == 7;
        sizes[i] = big ? random.LogUniform(512.0 * 1024, 32.0 * 1024 * 1024) : random.LogUniform(1, 256.0 * 1024);
        (big ? large : small) += sizes[i];
    }
    // The large files take up whatever the small ones leave of the total.
    double factor = shape.totalBytes > small ? double(shape.totalBytes - small) / double(large) : 1.0;
    for (uint32_t i = 7; i < shape.files; i += 200)
        sizes[i] = uint64_t(double(sizes[i]) * factor);
    return sizes;
}

std::string CorpusPath(uint32_t index)
{
    char path[64];
    snprintf(path, sizeof path, "Corpus/d%03u/f%05u.bin", index / 200, index);
    return path;
}

bool WriteText(const fs::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out.write(text.data(), std::streamsize(text.size()));
    return bool(out);
}

}  // namespace

bool GenerateCorpus(const std::string& work, const CorpusShape& shape, const std::string& engineImage)
{
    fs::path root(work);
    std::string stamp = std::string(shape.hashSizesFromCorpus ? "v2 " : "v3 ") + std::to_string(shape.files) + " "
        + std::to_string(shape.totalBytes) + " "
        + std::to_string(shape.infected) + " " + std::to_string(shape.bodySignatures) + " "
        + std::to_string(shape.hashSignatures) + "\n";
    fs::path device = root / "device";
    fs::create_directories(device / "Lib");
    fs::create_directories(device / "Backup");
    fs::create_directories(root / "clamdb");
    std::error_code ec;
    fs::copy_file(engineImage, device / "Lib" / "Verdane.dll", fs::copy_options::overwrite_existing, ec);
    if (ec)
        return false;
    std::ifstream done(root / "corpus.done");
    std::string previous((std::istreambuf_iterator<char>(done)), std::istreambuf_iterator<char>());
    if (previous == stamp)
        return true;

    Random random { 0x9E3779B97F4A7C15ull };
    std::vector<BodySig> bodies;
    std::string ndb;
    for (uint32_t i = 0; i < shape.bodySignatures; ++i) {
        bodies.push_back(MakeBodySignature(random, i));
        ndb += bodies.back().line;
    }
    std::vector<uint64_t> sizes = MakeSizes(random, shape);
    std::string hdb, hsb, expected;
    uint32_t hashCount = 0;
    uint32_t infectEvery = shape.files / (shape.infected ? shape.infected : 1);
    std::vector<char> buffer;
    for (uint32_t i = 0; i < shape.files; ++i) {
        fs::path path = device / CorpusPath(i);
        fs::create_directories(path.parent_path());
        buffer.resize(sizes[i]);
        for (size_t at = 0; at < buffer.size(); at += 8) {
            uint64_t value = random.Next();
            // A quarter of each file's 4 KiB pages are zeros, as in real programs and documents.
            if ((at >> 12) % 4 == 3)
                value = 0;
            memcpy(buffer.data() + at, &value, std::min<size_t>(8, buffer.size() - at));
        }
        if (buffer.size() >= 4)
            memcpy(buffer.data(), "DAT", 4);
        bool infect = shape.infected && i % infectEvery == infectEvery / 2;
        bool planted = infect && buffer.size() >= 64;
        if (infect && i % 3 != 0 && buffer.size() >= 512) {
            const BodySig& sig = bodies[random.Below(uint32_t(bodies.size()))];
            size_t at = sig.atStart ? 0 : random.Below(uint32_t(buffer.size() - sig.instance.size()));
            memcpy(buffer.data() + at, sig.instance.data(), sig.instance.size());
        } else if (infect && buffer.size() >= 64) {
            // Not in tinier files: the peer does not look at files of a few bytes at all.
            uint8_t digest[32];
            if (i % 2) {
                orv::Md5 md5;
                md5.Start();
                md5.Update(reinterpret_cast<const uint8_t*>(buffer.data()), uint32_t(buffer.size()));
                md5.Finish(digest);
                hdb += HexOf(digest, 16) + ":" + std::to_string(buffer.size()) + ":Bench.Md5-" + std::to_string(i) + "\n";
            } else {
                orv::Sha256 sha;
                sha.Start(orv::Sha256HardwareAvailable());
                sha.Update(reinterpret_cast<const uint8_t*>(buffer.data()), uint32_t(buffer.size()));
                sha.Finish(digest);
                hsb += HexOf(digest, 32) + ":" + std::to_string(buffer.size()) + ":Bench.Sha256-" + std::to_string(i) + "\n";
            }
            ++hashCount;
        }
        if (planted)
            expected += CorpusPath(i) + "\n";
        std::ofstream out(path, std::ios::binary);
        out.write(buffer.data(), std::streamsize(buffer.size()));
        if (!out)
            return false;
    }
    // The rest of the hash signatures never match. A real database holds the digests of malware
    // samples, whose sizes have nothing to do with the user's files: from a few KiB to some MiB,
    // evenly on a logarithmic scale. Files of the corpus that share a size with one are hashed, as
    // they would be with a real database.
    for (uint32_t i = hashCount; i < shape.hashSignatures; ++i) {
        uint8_t digest[32];
        for (uint8_t& b : digest)
            b = uint8_t(random.Next());
        uint64_t size = 0;
        if (!shape.hashSizesFromCorpus)
            size = random.LogUniform(1024.0, 16.0 * 1024 * 1024);
        else
            size = i % 2 ? sizes[random.Below(shape.files)] : 1 + random.Below(1 << 24);
        std::string& out = i % 4 < 2 ? hdb : hsb;
        out += HexOf(digest, i % 4 < 2 ? 16 : 32) + ":" + std::to_string(size) + ":Bench.Hash-" + std::to_string(i) + "\n";
    }
    const std::pair<const char*, std::string*> databases[] = { { "orv.hdb", &hdb }, { "orv.hsb", &hsb }, { "orv.ndb", &ndb } };
    for (const auto& [name, text] : databases)
        if (!WriteText(device / "Lib" / name, *text) || !WriteText(root / "clamdb" / name, *text))
            return false;
    return WriteText(device / "Lib" / "orv.info", "version=9.0.0\ndate=2026-12-08\n")
        && WriteText(root / "expected.txt", expected) && WriteText(root / "corpus.done", stamp);
}
