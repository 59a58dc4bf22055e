// The built-in test file, the backup header and the info file.
#include <gtest/gtest.h>

#include "CoreTestSupport.h"
#include "core/BackupHeader.h"
#include "core/InfoFile.h"
#include "core/SignatureDatabase.h"
#include "core/TestFile.h"

namespace {

std::string TestString()
{
    char text[orv::TEST_STRING_LENGTH + 1];
    orv::RevealTestString(text);
    return text;
}

bool IsTestFile(const std::string& bytes)
{
    return orv::IsTestFile(reinterpret_cast<const uint8_t*>(bytes.data()), uint32_t(bytes.size()));
}

TEST(TestFileTest, StringWithTrailingWhiteSpaceUpTo128Bytes)
{
    std::string test = TestString();
    ASSERT_EQ(68u, test.size());
    EXPECT_TRUE(IsTestFile(test));
    EXPECT_TRUE(IsTestFile(test + "\r\n"));
    EXPECT_TRUE(IsTestFile(test + " \t\x1a" + std::string(57, ' ')));  // exactly 128 bytes
    EXPECT_FALSE(IsTestFile(test + std::string(61, ' ')));              // 129 bytes
    EXPECT_FALSE(IsTestFile(test + "\nx"));
    EXPECT_FALSE(IsTestFile(" " + test));
    EXPECT_FALSE(IsTestFile(test.substr(0, 67)));
    std::string altered = test;
    altered[30] ^= 1;
    EXPECT_FALSE(IsTestFile(altered));
}

TEST(TestFileTest, FoundWithItsNameByTheFilePass)
{
    LoadedDatabase db;
    EXPECT_EQ(orv::TEST_FILE_VIRUS_NAME, db.Scan(TestString() + "\n", 7));
    EXPECT_EQ("", db.Scan("clean"));
}

uint32_t U32At(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

TEST(BackupHeaderTest, LayoutOfHeaderAndTexts)
{
    uint8_t out[orv::BACKUP_TEXT_LIMIT];
    memset(out, 0xCC, sizeof out);
    uint32_t dataOffset = orv::BuildBackupHeader(out, "\\My Documents\\a.exe", "Test.Name", 1234);
    const uint8_t magic[16] = { 0x51, 0x00, 0x7A, 0x00, 0x07, 0x59, 0xFD, 0x4E,
                                0x02, 0x03, 0x54, 0x21, 0x43, 0x09, 0x00, 0x00 };
    EXPECT_EQ(0, memcmp(out, magic, 16));
    EXPECT_EQ(dataOffset, U32At(out + 16));
    uint32_t pathOffset = U32At(out + 20);
    uint32_t nameOffset = U32At(out + 24);
    EXPECT_EQ(1234u, U32At(out + 40));
    EXPECT_GE(pathOffset, orv::BACKUP_HEADER_SIZE);
    EXPECT_STREQ("\\My Documents\\a.exe", reinterpret_cast<char*>(out + pathOffset));
    EXPECT_STREQ("Test.Name", reinterpret_cast<char*>(out + nameOffset));
    EXPECT_EQ(nameOffset + 10, dataOffset);
}

TEST(BackupHeaderTest, PathsTheStoreCannotRestoreAreRefusedAndLongNamesCut)
{
    uint8_t out[orv::BACKUP_TEXT_LIMIT];
    EXPECT_EQ(0u, orv::BuildBackupHeader(out, "", "N", 1));
    EXPECT_EQ(0u, orv::BuildBackupHeader(out, std::string(260, 'p').c_str(), "N", 1));
    EXPECT_NE(0u, orv::BuildBackupHeader(out, std::string(259, 'p').c_str(), std::string(300, 'n').c_str(), 1));
    EXPECT_EQ(std::string(63, 'n'), reinterpret_cast<char*>(out + U32At(out + 24)));
    EXPECT_LE(U32At(out + 16), orv::BACKUP_TEXT_LIMIT);
}

TEST(InfoFileTest, VersionAndDateAndWhatIsIgnored)
{
    orv::EngineInfo info;
    std::string text = "junk\r\nversion=2.5.1234\r\ndate=2026-13-01\ndate=2026-02-28\nversion=1.2\nversion=256.0.0\n";
    orv::ParseInfoFile(text.data(), uint32_t(text.size()), info);
    EXPECT_EQ(2u, info.major);
    EXPECT_EQ(5u, info.minor);
    EXPECT_EQ(1234u, info.build);
    EXPECT_EQ(2026u, info.year);
    EXPECT_EQ(2u, info.month);
    EXPECT_EQ(28u, info.day);
}

// The index names files relative to the library folder; a name that could lead out of it, or
// that is not a plain name, is refused and counted.
TEST(InfoFileTest, IndexTakesOnlyNamesInsideTheLibraryFolder)
{
    std::string text = "file=orv.ndb\r\nfile=db.12\\daily.ldb\nfile=..\\up.ndb\nfile=\\root.ndb\nfile=a\\..\\b.ndb\n"
                       "file=c:x.ndb\nfile=a/b.ndb\nfile=\nfile=" + std::string(96, 'n') + "\nfile=a\\\\b.ndb\nfile=Main.HDB\n";
    orv::EngineInfo info;
    orv::DatabaseIndex index;
    orv::ParseInfoFile(text.data(), uint32_t(text.size()), info, &index);
    std::vector<std::string> names(index.names, index.names + index.count);
    EXPECT_EQ((std::vector<std::string> { "orv.ndb", "db.12\\daily.ldb", "Main.HDB" }), names);
    EXPECT_EQ(8u, index.refused);
    EXPECT_EQ(orv::DATABASE_MD5, orv::KindOfFile({ "Main.HDB", 8 }));
    EXPECT_EQ(orv::DATABASE_NONE, orv::KindOfFile({ "daily.cdb", 9 }));
}

} // namespace
