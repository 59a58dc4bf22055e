// Allow lists (.fp, .sfp) and ignore lists (.ign2).
#include <gtest/gtest.h>

#include "CoreTestSupport.h"
#include "core/Md5.h"
#include "core/Sha1.h"
#include "core/Sha256.h"
#include "core/TestFile.h"

namespace {

template <typename Hash, size_t N>
std::string HexDigest(const std::string& text)
{
    Hash hash;
    if constexpr (std::is_same_v<Hash, orv::Sha256>)
        hash.Start(false);
    else
        hash.Start();
    hash.Update(reinterpret_cast<const uint8_t*>(text.data()), uint32_t(text.size()));
    uint8_t digest[N];
    hash.Finish(digest);
    return Hex(std::string(reinterpret_cast<char*>(digest), N));
}

std::string TestString()
{
    char text[orv::TEST_STRING_LENGTH + 1];
    orv::RevealTestString(text);
    return text;
}

// A file whose hash and size an allow list names is never reported, whatever found it: a body
// signature, a logical one, a hash signature or the test file check.
TEST(AllowListTest, ListedHashAndSizeClearWhateverFoundTheFile)
{
    const std::string files[] = { "xx ABCDEFGH yy", "..XYZW..", "a hash-listed file", TestString() };
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        std::string size = std::to_string(file.size());
        const LoadedDatabase::Files signatures = {
            { orv::DATABASE_BODY, "Test.Body:0:*:4142434445464748\n" },
            { orv::DATABASE_LOGICAL, "Test.Logical;Target:0;0&1;5859;5a57\n" },
            { orv::DATABASE_MD5, HexDigest<orv::Md5, 16>("a hash-listed file") + ":18:Test.Hash\n" },
        };
        struct Allow {
            orv::DatabaseKind kind;
            std::string line;
            bool clears;
        } allows[] = {
            { orv::DATABASE_ALLOW_MD5, HexDigest<orv::Md5, 16>(file) + ":" + size + ":Clean", true },
            { orv::DATABASE_ALLOW_MD5, HexDigest<orv::Md5, 16>(file) + ":" + std::to_string(file.size() + 1) + ":Clean", false },
            { orv::DATABASE_ALLOW_SHA, HexDigest<orv::Sha1, 20>(file) + ":" + size + ":Clean", true },
            { orv::DATABASE_ALLOW_SHA, HexDigest<orv::Sha256, 32>(file) + ":*:Clean:73", true },
            { orv::DATABASE_ALLOW_SHA, HexDigest<orv::Sha256, 32>(file + "!") + ":*:Clean:73", false },
        };
        LoadedDatabase plain(signatures);
        ASSERT_NE("", plain.Scan(file));
        for (const Allow& allow : allows) {
            SCOPED_TRACE(allow.line);
            LoadedDatabase::Files all = signatures;
            all.push_back({ allow.kind, allow.line + "\n" });
            LoadedDatabase db(all);
            EXPECT_EQ(allow.clears, db.Scan(file, 4).empty());
        }
    }
}

// An early body match ends the reading only when no allow-list entry could clear the file.
TEST(AllowListTest, FileOfAListedSizeIsReadToTheEndAfterAMatch)
{
    std::string file = "ABCDEFGH" + std::string(100, '.');
    for (bool listed : { false, true }) {
        std::string allow = "00000000000000000000000000000000:" + std::to_string(listed ? file.size() : 7) + ":Other\n";
        LoadedDatabase db({ { orv::DATABASE_BODY, "Test.Body:0:0:4142434445464748\n" }, { orv::DATABASE_ALLOW_MD5, allow } });
        MemorySource memory(file);
        db.matcher.Begin(db.database, file.size(), memory.source);
        EXPECT_EQ(!listed, db.matcher.Feed(reinterpret_cast<const uint8_t*>(file.data()), 20));
        if (listed) {
            EXPECT_FALSE(db.matcher.Feed(reinterpret_cast<const uint8_t*>(file.data()) + 20, uint32_t(file.size() - 20)));
        }
        EXPECT_STREQ("Test.Body", db.matcher.Finish());
    }
}

// Names in an ignore list leave their signatures out, of every kind; with an MD5 only the line with
// that MD5 is left out.
TEST(IgnoreListTest, NamesAndExactLinesAreLeftOutAtLoad)
{
    const std::string bodyLine = "Test.Body:0:*:4142434445464748";
    std::string ignore = "Test.Body\nTest.Hash\nTest.Logical\nTest.Exact:" + HexDigest<orv::Md5, 16>("Test.Exact:0:*:58595a5b")
        + "\nTest.Other:00000000000000000000000000000000\nbad:line:here\n";
    LoadedDatabase db({ { orv::DATABASE_IGNORE, ignore },
                        { orv::DATABASE_BODY, bodyLine + "\nTest.Exact:0:*:58595a5b\nTest.Exact:0:*:5a5b5c5d\n"
                                                         "Test.Other:0:*:31323334\n" },
                        { orv::DATABASE_MD5, HexDigest<orv::Md5, 16>("hashed") + ":6:Test.Hash\n" },
                        { orv::DATABASE_LOGICAL, "Test.Logical;Target:0;0;6162636465\n" } });
    const orv::FileStats& totals = db.database.totals;
    EXPECT_EQ(5u, totals.kept[orv::KEPT_IGNORE]);
    EXPECT_EQ(1u, totals.refused[orv::REFUSED_SYNTAX]);
    EXPECT_EQ(4u, totals.ignored);
    EXPECT_EQ("", db.Scan("..ABCDEFGH.."));
    EXPECT_EQ("", db.Scan("hashed"));
    EXPECT_EQ("", db.Scan("..abcde.."));
    EXPECT_EQ("", db.Scan("..XYZ[.."));
    EXPECT_EQ("Test.Exact", db.Scan("..Z[\\]..")); // the same name on another line is kept
    EXPECT_EQ("Test.Other", db.Scan("..1234.."));  // another line's MD5 leaves it in
}

} // namespace
