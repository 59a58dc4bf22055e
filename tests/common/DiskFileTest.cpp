// DiskFile, OpenDiskFile and AppendSlash against files on a temporary device.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/DiskFile.h"
#include "common/TempDeviceRoot.h"

namespace {

class DiskFileTest : public ::testing::Test {
protected:
    DiskFile* Open(const std::string& path, int32_t mode)
    {
        return OpenDiskFile(Wide(path).c_str(), mode);
    }

    TempDeviceRoot device;
};

TEST_F(DiskFileTest, OpenModesOnMissingFile)
{
    EXPECT_EQ(nullptr, Open("\\missing.bin", DISKFILE_READ));
    EXPECT_EQ(nullptr, Open("\\missing.bin", DISKFILE_READWRITE));
    EXPECT_FALSE(device.Exists("\\missing.bin"));

    DiskFile* created = Open("\\missing.bin", DISKFILE_CREATE);
    ASSERT_NE(nullptr, created);
    EXPECT_EQ(0, created->GetSize());
    EXPECT_EQ(0, created->Release());
    EXPECT_TRUE(device.Exists("\\missing.bin"));
    EXPECT_EQ("", device.Read("\\missing.bin"));
}

TEST_F(DiskFileTest, UnknownModeFailsAndCreatesNothing)
{
    for (int32_t mode : { 0, 4, -1 }) {
        SCOPED_TRACE(mode);
        EXPECT_EQ(nullptr, Open("\\new.bin", mode));
        EXPECT_FALSE(device.Exists("\\new.bin"));
    }
}

TEST_F(DiskFileTest, CreateTruncatesExistingFile)
{
    device.Write("\\a.bin", "old content");
    DiskFile* file = Open("\\a.bin", DISKFILE_CREATE);
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(3, file->Write("new", 3));
    file->Release();
    EXPECT_EQ("new", device.Read("\\a.bin"));
}

TEST_F(DiskFileTest, ReadWriteAndSeekThroughOneHandle)
{
    DiskFile* file = Open("\\data.bin", DISKFILE_CREATE);
    ASSERT_NE(nullptr, file);
    EXPECT_NE(nullptr, file->GetHandle());
    EXPECT_EQ(10, file->Write("0123456789", 10));
    EXPECT_EQ(10, file->GetSize());
    EXPECT_EQ(2, file->Seek(2, 0, FILE_BEGIN));
    EXPECT_EQ(5, file->Seek(3, 0, FILE_CURRENT));
    EXPECT_EQ(8, file->Seek(uint32_t(-2), -1, FILE_END));

    char buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), '\xCC');
    EXPECT_EQ(2u, file->Read(buffer, sizeof buffer));
    EXPECT_EQ("89", std::string(buffer, 2));
    EXPECT_EQ('\xCC', buffer[2]);
    EXPECT_EQ(0u, file->Read(buffer, sizeof buffer));   // at the end
    file->Release();
    EXPECT_EQ("0123456789", device.Read("\\data.bin"));
}

TEST_F(DiskFileTest, SeekBeforeStartFailsAndPositionBeyond4GiBKeepsHighHalf)
{
    DiskFile* file = Open("\\data.bin", DISKFILE_CREATE);
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(-1, file->Seek(uint32_t(-5), -1, FILE_BEGIN));
    EXPECT_EQ(int64_t(1) << 32 | 7, file->Seek(7, 1, FILE_BEGIN));
    EXPECT_EQ(0, file->GetSize());   // moving alone does not grow the file
    file->Release();
}

TEST_F(DiskFileTest, WriteOnReadOnlyHandleFailsAndLeavesFile)
{
    device.Write("\\ro.bin", "keep");
    DiskFile* file = Open("\\ro.bin", DISKFILE_READ);
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(-1, file->Write("xx", 2));
    file->Release();
    EXPECT_EQ("keep", device.Read("\\ro.bin"));
}

TEST_F(DiskFileTest, MakeWritableReopensAtStart)
{
    device.Write("\\rw.bin", "abcdef");
    DiskFile* file = Open("\\rw.bin", DISKFILE_READ);
    ASSERT_NE(nullptr, file);
    char buffer[3];
    EXPECT_EQ(3u, file->Read(buffer, 3));
    EXPECT_EQ(1, file->MakeWritable());
    EXPECT_EQ(1, file->MakeWritable());   // already read-write
    EXPECT_EQ(0, file->Seek(0, 0, FILE_CURRENT));
    EXPECT_EQ(2, file->Write("XY", 2));
    file->Release();
    EXPECT_EQ("XYcdef", device.Read("\\rw.bin"));
}

TEST_F(DiskFileTest, MakeWritableOnUnwritableFileKeepsReadingFromStart)
{
    device.Write("\\locked.bin", "locked");
    std::filesystem::permissions(device.Host("\\locked.bin"), std::filesystem::perms::owner_read);
    if (DiskFile* probe = Open("\\locked.bin", DISKFILE_READWRITE)) {
        probe->Release();
        GTEST_SKIP() << "the host lets this user write read-only files";
    }
    DiskFile* file = Open("\\locked.bin", DISKFILE_READ);
    ASSERT_NE(nullptr, file);
    char buffer[6];
    EXPECT_EQ(3u, file->Read(buffer, 3));
    EXPECT_EQ(0, file->MakeWritable());
    EXPECT_EQ(6u, file->Read(buffer, 6));
    EXPECT_EQ("locked", std::string(buffer, 6));
    file->Release();
}

TEST_F(DiskFileTest, SetSizeShortensAndLeavesPositionAtNewEnd)
{
    DiskFile* file = Open("\\cut.bin", DISKFILE_CREATE);
    ASSERT_NE(nullptr, file);
    file->Write("0123456789", 10);
    EXPECT_EQ(1, file->SetSize(4));
    EXPECT_EQ(4, file->GetSize());
    EXPECT_EQ(4, file->Seek(0, 0, FILE_CURRENT));
    EXPECT_EQ(0, file->SetSize(-1));   // before the start
    file->Release();
    EXPECT_EQ("0123", device.Read("\\cut.bin"));
}

TEST_F(DiskFileTest, LastReleaseClosesTheHandle)
{
    DiskFile* file = Open("\\count.bin", DISKFILE_CREATE);
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(2, file->AddRef());
    EXPECT_EQ(1, file->Release());
    file->Write("x", 1);
    EXPECT_EQ(0, file->Release());
    // A closed handle lets the file go: it can be deleted and its content is complete.
    EXPECT_EQ("x", device.Read("\\count.bin"));
    EXPECT_TRUE(DeleteFileW(u"\\count.bin"));
}

TEST_F(DiskFileTest, CloseForgetsHandleAndPath)
{
    DiskFile* file = Open("\\closed.bin", DISKFILE_CREATE);
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(1, file->Close());
    EXPECT_EQ(nullptr, file->GetHandle());
    EXPECT_EQ(0, file->MakeWritable());   // no path left to reopen
    EXPECT_EQ(-1, file->Write("x", 1));
    file->Release();
}

struct SlashCase {
    const char16_t* before;
    const char16_t* after;
    uint32_t result;
};

TEST(AppendSlashTest, EndsPathInSeparator)
{
    const SlashCase cases[] = {
        { u"", u"\\", 1 },
        { u"\\Windows", u"\\Windows\\", 9 },
        { u"a/", u"a/", 2 },
        { u"\\", u"\\", 1 },
        { u"\\Storage\\", u"\\Storage\\", 9 },
    };
    for (const SlashCase& row : cases) {
        SCOPED_TRACE(std::string(row.before, row.before + std::char_traits<char16_t>::length(row.before)));
        WCHAR buffer[16];
        std::fill(std::begin(buffer), std::end(buffer), WCHAR(0xCCCC));
        std::char_traits<char16_t>::copy(buffer, row.before, std::char_traits<char16_t>::length(row.before) + 1);
        EXPECT_EQ(row.result, AppendSlash(buffer));
        EXPECT_EQ(std::u16string(row.after), std::u16string(buffer));
        EXPECT_EQ(WCHAR(0xCCCC), buffer[row.result + 1]);
    }
}

}  // namespace
