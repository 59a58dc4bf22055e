// FileSystemService and HostFile on a temporary device: opening by 8-bit path, the fixed
// temporary file, names, file times, and removal or renaming at the last release.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "FileSystemService.h"
#include "HostFile.h"
#include "TestDevice.h"

namespace {

class HostFileTest : public ::testing::Test {
protected:
    ::HostFile* Open(const char* path, int32_t readOnly = 1)
    {
        return files.table->OpenFile(&files, path, readOnly);
    }
    static int32_t Release(::HostFile* file) { return file->table->Release(file); }

    TestDevice device;
    orv::FileSystemService files;
};

TEST_F(HostFileTest, OpensExistingFilesReadOnlyAndCreatesOrTruncatesForWriting)
{
    device.Write("a/data.bin", "hello");
    EXPECT_EQ(nullptr, Open("\\a\\missing.bin"));
    ::HostFile* file = Open("\\a\\data.bin");
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(5, file->table->GetSize(file));
    char buffer[8] = {};
    EXPECT_EQ(5u, file->table->Read(file, buffer, sizeof buffer));
    EXPECT_STREQ("hello", buffer);
    EXPECT_EQ(-1, file->table->Write(file, "x", 1));
    EXPECT_EQ(5, file->table->Tell(file));
    EXPECT_EQ(0, Release(file));

    ::HostFile* created = files.table->CreateNewFile(&files, "\\a\\data.bin");
    ASSERT_NE(nullptr, created);
    EXPECT_EQ(0, created->table->GetSize(created));
    EXPECT_EQ(3, created->table->Write(created, "abc", 3));
    Release(created);
    EXPECT_EQ("abc", device.Read("a/data.bin"));
    EXPECT_EQ(1, files.table->Exists(&files, "\\a\\data.bin"));
    EXPECT_EQ(1, files.table->Exists(&files, "\\a"));
    EXPECT_EQ(0, files.table->Exists(&files, "\\a\\none"));
    EXPECT_EQ('\\', files.table->GetPathSeparator(&files));
}

TEST_F(HostFileTest, APathTooLongForTheDeviceOpensNothing)
{
    std::string path = "\\" + std::string(300, 'x');
    EXPECT_EQ(nullptr, Open(path.c_str(), 0));
    EXPECT_EQ(0, files.table->Exists(&files, path.c_str()));
}

TEST_F(HostFileTest, TheTemporaryFileHasOneFixedNameAndIsTruncatedOnEveryCall)
{
    ::HostFile* first = files.table->CreateTempFile(&files);
    ASSERT_NE(nullptr, first);
    std::string firstName = first->table->GetName(first);
    first->table->Write(first, "12345", 5);
    Release(first);
    ::HostFile* second = files.table->CreateTempFile(&files);
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(firstName, second->table->GetName(second));
    EXPECT_EQ(0, second->table->GetSize(second));
    EXPECT_EQ(0, firstName.find("~te"));
    Release(second);
}

TEST_F(HostFileTest, GetNameDropsTheFolderAndIsCached)
{
    device.Write("Storage Card/x.doc", "");
    ::HostFile* file = Open("\\Storage Card\\x.doc");
    ASSERT_NE(nullptr, file);
    const char* name = file->table->GetName(file);
    EXPECT_STREQ("x.doc", name);
    EXPECT_EQ(name, file->table->GetName(file));
    Release(file);
    device.Write("plain", "");
    ::HostFile* plain = Open("plain");
    ASSERT_NE(nullptr, plain);
    EXPECT_STREQ("plain", plain->table->GetName(plain));
    Release(plain);
}

TEST_F(HostFileTest, MarkedFileIsDeletedAtTheLastReleaseAndTellsZero)
{
    device.Write("a/b.exe", "infected");
    ::HostFile* file = Open("\\a\\b.exe");
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(2, file->table->AddRef(file));
    EXPECT_EQ(1, file->table->MarkForRemoval(file));
    EXPECT_EQ(0, file->table->Tell(file));
    EXPECT_EQ(1, Release(file));
    EXPECT_TRUE(device.Exists("a/b.exe"));   // still referenced
    EXPECT_EQ(0, Release(file));
    EXPECT_FALSE(device.Exists("a/b.exe"));
}

TEST_F(HostFileTest, NewExtensionRenamesInsteadOfDeleting)
{
    struct Case {
        const char* device;
        const char* host;
        const char* renamed;
    } cases[] = {
        { "\\a\\b.exe", "a/b.exe", "a/b.x" },
        { "\\a\\readme", "a/readme", "a/readme.x" },
        { "\\d.old\\readme", "d.old/readme", "d.old/readme.x" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device);
        device.Write(c.host, "content");
        ::HostFile* file = Open(c.device);
        ASSERT_NE(nullptr, file);
        file->table->SetNewExtension(file, ".y");
        file->table->SetNewExtension(file, ".x");   // the later one counts
        file->table->MarkForRemoval(file);
        Release(file);
        EXPECT_FALSE(device.Exists(c.host));
        EXPECT_EQ("content", device.Read(c.renamed));
    }
}

TEST_F(HostFileTest, AnUnmarkedFileStaysWhateverItsExtension)
{
    device.Write("keep.exe", "k");
    ::HostFile* file = Open("\\keep.exe");
    ASSERT_NE(nullptr, file);
    file->table->SetNewExtension(file, ".vir");
    Release(file);
    EXPECT_EQ("k", device.Read("keep.exe"));
}

TEST_F(HostFileTest, ARenameThatCannotBeMadeLeavesTheFileRatherThanDeletingIt)
{
    device.Write("r.exe", "r");
    ::HostFile* file = Open("\\r.exe");
    ASSERT_NE(nullptr, file);
    std::string extension = "." + std::string(300, 'x');
    file->table->SetNewExtension(file, extension.c_str());
    file->table->MarkForRemoval(file);
    Release(file);
    EXPECT_EQ("r", device.Read("r.exe"));
}

// The platform refuses to delete a read-only file; the removal clears the attribute first.
TEST_F(HostFileTest, AReadOnlyFileMarkedForRemovalIsDeleted)
{
    device.Write("ro.exe", "infected");
    std::filesystem::permissions(device.Host("ro.exe"), std::filesystem::perms::owner_read);
    ASSERT_NE(0u, GetFileAttributesW(u"\\ro.exe") & FILE_ATTRIBUTE_READONLY);
    ::HostFile* file = Open("\\ro.exe");
    ASSERT_NE(nullptr, file);
    file->table->MarkForRemoval(file);
    Release(file);
    EXPECT_FALSE(device.Exists("ro.exe"));
}

TEST_F(HostFileTest, ARenameNeverReplacesAnotherFileAndTakesTheFirstFreeName)
{
    device.Write("n.exe", "infected");
    device.Write("n.vir", "older");
    device.Write("n.1.vir", "oldest");
    ::HostFile* file = Open("\\n.exe");
    ASSERT_NE(nullptr, file);
    file->table->SetNewExtension(file, ".vir");
    file->table->MarkForRemoval(file);
    Release(file);
    EXPECT_FALSE(device.Exists("n.exe"));
    EXPECT_EQ("older", device.Read("n.vir"));
    EXPECT_EQ("oldest", device.Read("n.1.vir"));
    EXPECT_EQ("infected", device.Read("n.2.vir"));
}

// "\w\<U+4E2D>.exe" cannot be written in code page 1252; its alias is '?' and the UTF-8 bytes.
TEST_F(HostFileTest, AnAliasOpensNamesRemovesAndRenamesExactlyTheFileItStandsFor)
{
    const std::string host = "w/\xE4\xB8\xAD.exe";
    const std::string alias = "?\\w\\\xE4\xB8\xAD.exe";
    device.Write(host, "infected");
    device.Write("w/_.exe", "another file");
    EXPECT_EQ(1, files.table->Exists(&files, alias.c_str()));
    EXPECT_EQ(nullptr, Open("?\\w\\\xE4\xB8.exe"));   // a cut sequence names nothing
    ::HostFile* file = Open(alias.c_str());
    ASSERT_NE(nullptr, file);
    char buffer[16] = {};
    EXPECT_EQ(8u, file->table->Read(file, buffer, sizeof buffer));
    EXPECT_STREQ("?\xE4\xB8\xAD.exe", file->table->GetName(file));
    file->table->SetNewExtension(file, ".vir");
    file->table->MarkForRemoval(file);
    Release(file);
    EXPECT_FALSE(device.Exists(host));
    EXPECT_EQ("infected", device.Read("w/\xE4\xB8\xAD.vir"));
    EXPECT_EQ("another file", device.Read("w/_.exe"));
    file = Open("?\\w\\\xE4\xB8\xAD.vir");
    ASSERT_NE(nullptr, file);
    file->table->MarkForRemoval(file);
    Release(file);
    EXPECT_FALSE(device.Exists("w/\xE4\xB8\xAD.vir"));
}

TEST(ReplaceExtensionTest, ARenameThatWouldNotFitIsRefused)
{
    std::u16string path = u"\\" + std::u16string(250, u'a') + u".exe";
    WCHAR out[MAX_PATH];
    EXPECT_TRUE(orv::ReplaceExtension(path.c_str(), u".vir", out));
    std::u16string longer = u"\\" + std::u16string(256, u'a');
    EXPECT_FALSE(orv::ReplaceExtension(longer.c_str(), u".vir", out));
    EXPECT_TRUE(orv::ReplaceExtension(u"a/b\\c.d", u".x", out));
    EXPECT_EQ(std::u16string(u"a/b\\c.x"), std::u16string(out));
}

TEST_F(HostFileTest, GetInfoAsksForTwentyEightBytesAndSetInfoAppliesTheTimes)
{
    device.Write("t.bin", "x");
    ::HostFile* file = Open("\\t.bin", 0);
    ASSERT_NE(nullptr, file);
    FileInfo info;
    std::memset(&info, 0xCC, sizeof info);
    int32_t size = 10;
    EXPECT_EQ(0, file->table->GetInfo(file, &info, &size));
    EXPECT_EQ(28, size);
    EXPECT_EQ(0xCCCCCCCCu, info.attributes);
    EXPECT_EQ(0, file->table->SetInfo(file, &info, 27));

    FileInfo wanted = {};
    wanted.lastWriteTime = { 0x12345600, 0x01D00000 };
    wanted.creationTime = { 0x12345600, 0x01C00000 };
    wanted.lastAccessTime = { 0x12345600, 0x01D10000 };
    EXPECT_EQ(1, file->table->SetInfo(file, &wanted, 28));
    EXPECT_EQ(1, file->table->GetInfo(file, &info, &size));
    EXPECT_NE(0xFFFFFFFFu, info.attributes);
    EXPECT_EQ(0u, info.attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(wanted.lastWriteTime.high, info.lastWriteTime.high);
    EXPECT_EQ(wanted.lastAccessTime.high, info.lastAccessTime.high);
    Release(file);
}

TEST_F(HostFileTest, MakeWritableReopensAReadOnlyFileForWriting)
{
    device.Write("w.bin", "abc");
    ::HostFile* file = Open("\\w.bin");
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(1, file->table->MakeWritable(file));
    EXPECT_EQ(1, file->table->Write(file, "Z", 1));
    EXPECT_EQ(1, file->table->SetSize(file, 2));
    Release(file);
    EXPECT_EQ("Zb", device.Read("w.bin"));
}

}  // namespace
