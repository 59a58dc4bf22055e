// MD5 and SHA-256 against published vectors, streamed in every split, and the hash tables.
#include <gtest/gtest.h>

#include "CoreTestSupport.h"
#include "core/Md5.h"
#include "core/Sha1.h"
#include "core/Sha256.h"

namespace {

void StartHash(orv::Md5& hash) { hash.Start(); }
void StartHash(orv::Sha1& hash) { hash.Start(); }
void StartHash(orv::Sha256& hash) { hash.Start(orv::Sha256HardwareAvailable()); }

template <typename Hash, size_t N>
std::string Digest(const std::string& text, size_t split = std::string::npos)
{
    Hash hash;
    StartHash(hash);
    size_t first = std::min(split, text.size());
    hash.Update(reinterpret_cast<const uint8_t*>(text.data()), uint32_t(first));
    hash.Update(reinterpret_cast<const uint8_t*>(text.data()) + first, uint32_t(text.size() - first));
    uint8_t digest[N];
    hash.Finish(digest);
    return Hex(std::string(reinterpret_cast<char*>(digest), N));
}

TEST(HashTest, Md5MatchesRfc1321Vectors)
{
    EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", (Digest<orv::Md5, 16>("")));
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", (Digest<orv::Md5, 16>("abc")));
    EXPECT_EQ("57edf4a22be3c955ac49da2e2107b67a",
              (Digest<orv::Md5, 16>("12345678901234567890123456789012345678901234567890123456789012345678901234567890")));
}

TEST(HashTest, Sha1AndSha256MatchFipsVectors)
{
    EXPECT_EQ("da39a3ee5e6b4b0d3255bfef95601890afd80709", (Digest<orv::Sha1, 20>("")));
    EXPECT_EQ("a9993e364706816aba3e25717850c26c9cd0d89d", (Digest<orv::Sha1, 20>("abc")));
    EXPECT_EQ("84983e441c3bd26ebaae4aa1f95129e5e54670f1",
              (Digest<orv::Sha1, 20>("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")));
    EXPECT_EQ("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855", (Digest<orv::Sha256, 32>("")));
    EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", (Digest<orv::Sha256, 32>("abc")));
    EXPECT_EQ("248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1",
              (Digest<orv::Sha256, 32>("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")));
}

TEST(HashTest, ChunkBoundariesDoNotChangeTheDigest)
{
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += char(i * 7);
    std::string md5 = Digest<orv::Md5, 16>(text);
    std::string sha = Digest<orv::Sha256, 32>(text);
    std::string sha1 = Digest<orv::Sha1, 20>(text);
    for (size_t split = 0; split <= text.size(); ++split) {
        SCOPED_TRACE(split);
        ASSERT_EQ(md5, (Digest<orv::Md5, 16>(text, split)));
        ASSERT_EQ(sha1, (Digest<orv::Sha1, 20>(text, split)));
        ASSERT_EQ(sha, (Digest<orv::Sha256, 32>(text, split)));
    }
}

TEST(HashTest, HashSignaturesMatchOnlyTheirSizeAndDigest)
{
    LoadedDatabase db("900150983cd24fb0d6963f7d28e17f72:3:Test.Md5.Abc\n",
                      "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD:3:Test.Sha.Abc\r\n");
    ASSERT_TRUE(db.built);
    EXPECT_EQ("Test.Md5.Abc", db.Scan("abc"));
    EXPECT_EQ("", db.Scan("abd"));
    EXPECT_EQ("", db.Scan("abcd"));
    EXPECT_EQ(2u, db.Kept());
    EXPECT_FALSE(db.database.hashes.WantsSize(orv::HASH_MD5, 4));  // no signature of that size: the file is not hashed
    EXPECT_TRUE(db.database.hashes.WantsSize(orv::HASH_SHA256, 3));
}

// The peer takes the size "*" only from lines that require level 73 or higher.
TEST(HashTest, StarSizeMatchesAnySizeFromLinesOfLevel73)
{
    LoadedDatabase db("", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad:*:Test.Any:73\n"
                          "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad:*:Test.NoLevel\n"
                          "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad:*:Test.Low:72\n");
    EXPECT_EQ(1u, db.Kept());
    EXPECT_EQ(2u, db.database.totals.refused[orv::REFUSED_ANY_SIZE_LEVEL]);
    EXPECT_TRUE(db.database.hashes.WantsSize(orv::HASH_SHA256, 12345));
    EXPECT_EQ("Test.Any", db.Scan("abc"));
}

// .hsb lines carry SHA-1 (40 digits) or SHA-256 (64); each digest is taken only for files of a size
// some line of its kind has, and so is an allow list's.
TEST(HashTest, Sha1AndSha256LinesAndOnlyTheDigestsASizeNeeds)
{
    LoadedDatabase db({ { orv::DATABASE_SHA, "a9993e364706816aba3e25717850c26c9cd0d89d:3:Test.Sha1.Abc\n"
                                             "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1:56:Test.Sha256\n" },
                        { orv::DATABASE_MD5, "00000000000000000000000000000000:7:Test.Md5.Other\n" },
                        { orv::DATABASE_ALLOW_MD5, "00000000000000000000000000000000:9:Clean.Other\n" } });
    EXPECT_EQ("Test.Sha1.Abc", db.Scan("abc"));
    EXPECT_EQ("Test.Sha256", db.Scan("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"));
    EXPECT_EQ("", db.Scan("abd"));
    struct Row {
        uint64_t size;
        bool md5, sha1, sha256;
    } rows[] = { { 3, false, true, false }, { 56, false, false, true }, { 7, true, false, false },
                 { 9, true, false, false }, { 4, false, false, false } };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.size);
        std::string file(row.size, 'x');
        MemorySource memory(file);
        db.matcher.Begin(db.database, row.size, memory.source);
        EXPECT_EQ(row.md5, db.matcher.Hashes(orv::HASH_MD5));
        EXPECT_EQ(row.sha1, db.matcher.Hashes(orv::HASH_SHA1));
        EXPECT_EQ(row.sha256, db.matcher.Hashes(orv::HASH_SHA256));
    }
}

TEST(HashTest, MalformedLinesAreSkippedAndCounted)
{
    const char* lines[] = {
        "900150983cd24fb0d6963f7d28e17f7:3:ShortHash",
        "900150983cd24fb0d6963f7d28e17f7g:3:BadDigit",
        "900150983cd24fb0d6963f7d28e17f72:-3:NegativeSize",
        "900150983cd24fb0d6963f7d28e17f72:3",
        "900150983cd24fb0d6963f7d28e17f72:3:",
        "900150983cd24fb0d6963f7d28e17f72:99999999999999999999:HugeSize",
        "900150983cd24fb0d6963f7d28e17f72:3:Name:1:2:3",
        "a9993e364706816aba3e25717850c26c9cd0d89d:3:Sha1InHdb",
    };
    std::string text = "\n# a comment\n";
    for (const char* line : lines)
        text += std::string(line) + "\n";
    text += "900150983cd24fb0d6963f7d28e17f72:3:Good:51\n";
    LoadedDatabase db(text);
    EXPECT_EQ(1u, db.Kept());
    EXPECT_EQ(8u, db.Refused());
    EXPECT_EQ("Good", db.Scan("abc"));
}

TEST(HashTest, LongNamesAreCutTo63Characters)
{
    std::string name(100, 'N');
    LoadedDatabase db("900150983cd24fb0d6963f7d28e17f72:3:" + name + "\n");
    EXPECT_EQ(std::string(63, 'N'), db.Scan("abc"));
}

} // namespace

namespace {

std::string Sha256Of(const std::string& text, bool allowHardware, size_t split)
{
    orv::Sha256 hash;
    hash.Start(allowHardware && orv::Sha256HardwareAvailable());
    hash.Update(reinterpret_cast<const uint8_t*>(text.data()), uint32_t(split));
    hash.Update(reinterpret_cast<const uint8_t*>(text.data()) + split, uint32_t(text.size() - split));
    uint8_t digest[32];
    hash.Finish(digest);
    return Hex(std::string(reinterpret_cast<char*>(digest), 32));
}

// On a processor with the SHA instructions both paths run here; elsewhere this compares the portable
// path with itself and the published vectors above carry the check.
TEST(HashTest, Sha256InstructionsAgreeWithPortableRounds)
{
    std::string text;
    for (int i = 0; i < 1000; ++i)
        text += char(i * 131 + (i >> 3));
    for (size_t size : { 0, 1, 55, 56, 63, 64, 65, 127, 128, 129, 1000 })
        for (size_t split : { size_t(0), size / 3, size }) {
            SCOPED_TRACE(std::to_string(size) + "/" + std::to_string(split));
            std::string part = text.substr(0, size);
            ASSERT_EQ(Sha256Of(part, false, split), Sha256Of(part, true, split));
        }
    EXPECT_EQ("248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1",
              Sha256Of("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", false, 10));
}

} // namespace
