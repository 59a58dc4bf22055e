// Generation of the benchmark corpus and databases, deterministic from a fixed seed: file sizes from
// bytes to tens of MB, random content, and a few hundred files infected with body, logical or hash
// signatures. A tenth of the infected files are then allowed again by the allow lists, and the
// files of five body signatures by the ignore list: neither scanner may flag those.
#include "BenchCorpus.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <vector>

#include "BenchSignatures.h"
#include "core/Md5.h"
#include "core/Sha1.h"
#include "core/Sha256.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t IGNORED_BODY_SIGNATURES = 5;

std::string DigestHex(const std::vector<char>& data, int kind)
{
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(data.data());
    uint32_t size = uint32_t(data.size());
    uint8_t digest[32];
    if (kind == 0) {
        orv::Md5 md5;
        md5.Start();
        md5.Update(bytes, size);
        md5.Finish(digest);
        return HexOf(digest, 16);
    }
    if (kind == 1) {
        orv::Sha1 sha1;
        sha1.Start();
        sha1.Update(bytes, size);
        sha1.Finish(digest);
        return HexOf(digest, 20);
    }
    orv::Sha256 sha;
    sha.Start(orv::Sha256HardwareAvailable());
    sha.Update(bytes, size);
    sha.Finish(digest);
    return HexOf(digest, 32);
}

std::vector<uint64_t> MakeSizes(BenchRandom& random, const CorpusShape& shape)
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

void FillRandom(BenchRandom& random, std::vector<char>& buffer)
{
    for (size_t at = 0; at < buffer.size(); at += 8) {
        uint64_t value = random.Next();
        // A quarter of each file's 4 KiB pages are zeros, as in real programs and documents.
        if ((at >> 12) % 4 == 3)
            value = 0;
        memcpy(buffer.data() + at, &value, std::min<size_t>(8, buffer.size() - at));
    }
    if (buffer.size() >= 4)
        memcpy(buffer.data(), "DAT", 4);
}

// Writes the signature's instances into disjoint slots of the file; false when they do not fit.
bool Plant(BenchRandom& random, const BenchSignature& sig, std::vector<char>& buffer)
{
    size_t slots = sig.instances.size();
    size_t slot = buffer.size() / slots;
    for (const BenchInstance& instance : sig.instances)
        if (instance.bytes.size() > slot || buffer.size() < sig.minFileSize)
            return false;
    for (size_t s = 0; s < slots; ++s) {
        const BenchInstance& instance = sig.instances[s];
        size_t at = s * slot + random.Below(uint32_t(slot - instance.bytes.size() + 1));
        if (instance.placement == Placement::AtStart)
            at = 0;
        else if (instance.placement == Placement::AtEnd)
            at = buffer.size() - instance.bytes.size();
        memcpy(buffer.data() + at, instance.bytes.data(), instance.bytes.size());
    }
    return true;
}

struct Databases {
    std::string hdb, hsb, ndb, ldb, fp, sfp, ign2;
    std::string hashHdb, hashHsb;  // LibHashes: both digests for every corpus size
};

// Infects file i with a body, logical or hash signature; returns whether it must be flagged.
bool Infect(BenchRandom& random, uint32_t i, uint32_t order, const std::vector<BenchSignature>& bodies,
            const std::vector<BenchSignature>& logicals, std::vector<char>& buffer, Databases& db, uint32_t& hashCount)
{
    uint32_t kind = order % 4;
    if (kind < 3 && buffer.size() >= 512) {
        const std::vector<BenchSignature>& pool = kind == 2 ? logicals : bodies;
        for (int attempt = 0; attempt < 20; ++attempt) {
            uint32_t pick = kind != 2 && order % 20 == 0 ? order / 20 % IGNORED_BODY_SIGNATURES : random.Below(uint32_t(pool.size()));
            if (Plant(random, pool[pick], buffer))
                return kind == 2 || pick >= IGNORED_BODY_SIGNATURES;
        }
        return false;
    }
    // Not in tinier files: the peer does not look at files of a few bytes at all.
    if (buffer.size() < 64)
        return false;
    std::string name = std::string(1, ':') + std::to_string(buffer.size()) + ":Bench.Hash-" + std::to_string(i) + "\n";
    if (i % 3 == 0)
        db.hdb += DigestHex(buffer, 0) + name;
    else
        db.hsb += DigestHex(buffer, i % 3 == 1 ? 1 : 2) + name;
    ++hashCount;
    return true;
}

// Every tenth infected file is allowed again, by MD5, SHA-1 or SHA-256. (An entry of any size would
// make every file need its digest; the unit tests cover that form.)
void Allow(uint32_t order, const std::vector<char>& buffer, Databases& db)
{
    std::string tail = std::string(1, ':') + std::to_string(buffer.size()) + ":Bench.Clean-" + std::to_string(order) + "\n";
    uint32_t form = order / 10 % 3;
    (form == 0 ? db.fp : db.sfp) += DigestHex(buffer, int(form)) + tail;
}

// The rest of the hash signatures never match. A real database holds the digests of malware
// samples, whose sizes have nothing to do with the user's files: from a few KiB to some MiB, evenly
// on a logarithmic scale. Files of the corpus that share a size with one are hashed, as they would
// be with a real database.
void AddUnmatchedHashes(BenchRandom& random, const CorpusShape& shape, const std::vector<uint64_t>& sizes,
                        uint32_t from, Databases& db)
{
    for (uint32_t i = from; i < shape.hashSignatures; ++i) {
        std::string digest = random.Bytes(i % 4 < 2 ? 16 : 32);
        uint64_t size = 0;
        if (!shape.hashSizesFromCorpus)
            size = random.LogUniform(1024.0, 16.0 * 1024 * 1024);
        else
            size = i % 2 ? sizes[random.Below(shape.files)] : 1 + random.Below(1 << 24);
        (i % 4 < 2 ? db.hdb : db.hsb) += HexOf(digest) + ":" + std::to_string(size) + ":Bench.Hash-" + std::to_string(i) + "\n";
    }
    std::set<uint64_t> seen(sizes.begin(), sizes.end());
    for (uint64_t size : seen) {
        db.hashHdb += HexOf(random.Bytes(16)) + ":" + std::to_string(size) + ":Bench.Both\n";
        db.hashHsb += HexOf(random.Bytes(32)) + ":" + std::to_string(size) + ":Bench.Both\n";
    }
}

bool WriteDatabases(const fs::path& root, const Databases& db, const std::string& expected, const std::string& stamp)
{
    fs::path device = root / "device";
    const std::pair<const char*, const std::string*> files[] = {
        { "orv.hdb", &db.hdb }, { "orv.hsb", &db.hsb }, { "orv.ndb", &db.ndb }, { "orv.ldb", &db.ldb },
        { "orv.fp", &db.fp }, { "orv.sfp", &db.sfp }, { "orv.ign2", &db.ign2 },
    };
    // The peer refuses empty database files, so a kind without lines gets no file.
    for (const auto& [name, text] : files) {
        std::error_code ec;
        fs::remove(device / "Lib" / name, ec);
        fs::remove(root / "clamdb" / name, ec);
        if (!text->empty() && (!WriteText(device / "Lib" / name, *text) || !WriteText(root / "clamdb" / name, *text)))
            return false;
    }
    return WriteText(device / "LibHashes" / "orv.hdb", db.hashHdb) && WriteText(device / "LibHashes" / "orv.hsb", db.hashHsb)
        && WriteText(device / "Lib" / "orv.info", "version=9.0.0\ndate=2026-12-08\n")
        && WriteText(device / "LibHashes" / "orv.info", "version=9.0.0\ndate=2026-12-08\n")
        && WriteText(root / "expected.txt", expected) && WriteText(root / "corpus.done", stamp);
}

} // namespace

bool GenerateCorpus(const std::string& work, const CorpusShape& shape, const std::string& engineImage)
{
    fs::path root(work);
    std::string stamp = std::string(shape.hashSizesFromCorpus ? "v5 " : "v4 ") + std::to_string(shape.files) + " "
        + std::to_string(shape.totalBytes) + " " + std::to_string(shape.infected) + " "
        + std::to_string(shape.bodySignatures) + " " + std::to_string(shape.hashSignatures) + " "
        + std::to_string(shape.logicalSignatures) + "\n";
    fs::path device = root / "device";
    for (const char* folder : { "Lib", "LibHashes", "Backup" })
        fs::create_directories(device / folder);
    fs::create_directories(root / "clamdb");
    std::error_code ec;
    for (const char* folder : { "Lib", "LibHashes" })
        fs::copy_file(engineImage, device / folder / "Verdane.dll", fs::copy_options::overwrite_existing, ec);
    if (ec)
        return false;
    std::ifstream done(root / "corpus.done");
    std::string previous((std::istreambuf_iterator<char>(done)), std::istreambuf_iterator<char>());
    if (previous == stamp)
        return true;

    BenchRandom random { 0x9E3779B97F4A7C15ull };
    Databases db;
    std::vector<BenchSignature> bodies, logicals;
    for (uint32_t i = 0; i < shape.bodySignatures; ++i) {
        bodies.push_back(MakeBodySignature(random, i));
        db.ndb += bodies.back().line;
    }
    for (uint32_t i = 0; i < IGNORED_BODY_SIGNATURES && i < shape.bodySignatures; ++i)
        db.ign2 += "Bench.Body-" + std::to_string(i) + "\n";
    for (uint32_t i = 0; i < shape.logicalSignatures; ++i) {
        logicals.push_back(MakeLogicalSignature(random, i));
        db.ldb += logicals.back().line;
    }
    std::vector<uint64_t> sizes = MakeSizes(random, shape);
    std::string expected;
    uint32_t hashCount = 0, order = 0;
    uint32_t infectEvery = shape.files / (shape.infected ? shape.infected : 1);
    std::vector<char> buffer;
    for (uint32_t i = 0; i < shape.files; ++i) {
        fs::path path = device / CorpusPath(i);
        fs::create_directories(path.parent_path());
        buffer.resize(sizes[i]);
        FillRandom(random, buffer);
        bool flagged = false;
        if (shape.infected && i % infectEvery == infectEvery / 2) {
            flagged = Infect(random, i, order, bodies, logicals, buffer, db, hashCount);
            if (flagged && order % 10 == 5) {
                Allow(order, buffer, db);
                flagged = false;
            }
            ++order;
        }
        if (flagged)
            expected += CorpusPath(i) + "\n";
        std::ofstream out(path, std::ios::binary);
        out.write(buffer.data(), std::streamsize(buffer.size()));
        if (!out)
            return false;
    }
    AddUnmatchedHashes(random, shape, sizes, hashCount, db);
    return WriteDatabases(root, db, expected, stamp);
}
