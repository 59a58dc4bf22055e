// Files and folders by name: attributes, delete, move, copy, folders, temporary names.
#include <string>

#include <sys/stat.h>

#include "DeviceRoot.h"

namespace {

using FileSystemTest = DeviceRootTest;

TEST_F(FileSystemTest, AttributesTellFoldersFilesAndReadOnlyFiles)
{
    mkdir(Host("dir").c_str(), 0777);
    WriteHost("file.txt", "x");
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_DIRECTORY), GetFileAttributesW(u"\\dir"));
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_DIRECTORY), GetFileAttributesW(u"\\"));
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_NORMAL), GetFileAttributesW(u"\\file.txt"));

    ASSERT_TRUE(SetFileAttributesW(u"\\file.txt", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_READONLY), GetFileAttributesW(u"\\file.txt"));
    ASSERT_TRUE(SetFileAttributesW(u"\\file.txt", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_NORMAL), GetFileAttributesW(u"\\file.txt"));

    SetLastError(0xDEADBEEF);
    ASSERT_TRUE(SetFileAttributesW(u"\\dir", FILE_ATTRIBUTE_READONLY));   // a folder stays usable
    WriteHost("dir/inside.txt", "x");
    EXPECT_EQ("x", ReadHost("dir/inside.txt"));

    SetLastError(0xDEADBEEF);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(u"\\missing"));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(u"\\nodir\\missing"));
    EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), GetLastError());
}

TEST_F(FileSystemTest, ReadOnlyFilesAreNeitherWrittenReplacedNorDeleted)
{
    WriteHost("locked.txt", "keep");
    WriteHost("other.txt", "new");
    ASSERT_TRUE(SetFileAttributesW(u"\\locked.txt", FILE_ATTRIBUTE_READONLY));
    struct Attempt { const char* what; BOOL ok; } attempts[] = {
        { "open for writing", CreateFileW(u"\\locked.txt", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr) != INVALID_HANDLE_VALUE },
        { "delete", DeleteFileW(u"\\locked.txt") },
        { "replace by move", MoveFileExW(u"\\other.txt", u"\\locked.txt", MOVEFILE_REPLACE_EXISTING) },
        { "replace by copy", CopyFileW(u"\\other.txt", u"\\locked.txt", FALSE) },
    };
    for (const Attempt& attempt : attempts) {
        SCOPED_TRACE(attempt.what);
        EXPECT_FALSE(attempt.ok);
    }
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ("keep", ReadHost("locked.txt"));
    EXPECT_EQ("new", ReadHost("other.txt"));

    ASSERT_TRUE(SetFileAttributesW(u"\\locked.txt", FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(DeleteFileW(u"\\locked.txt"));

    // The handle that creates a read-only file may still write it.
    HANDLE fresh = CreateFileW(u"\\fresh.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_READONLY, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, fresh);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(fresh, "abc", 3, &written, nullptr));
    CloseHandle(fresh);
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_READONLY), GetFileAttributesW(u"\\fresh.txt"));
}

TEST_F(FileSystemTest, DeleteRefusesFoldersAndReportsMissingFiles)
{
    mkdir(Host("dir").c_str(), 0777);
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(DeleteFileW(u"\\dir"));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_TRUE(HostExists("dir"));
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(DeleteFileW(u"\\gone.txt"));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
    WriteHost("f.txt", "x");
    EXPECT_TRUE(DeleteFileW(u"\\f.txt"));
    EXPECT_FALSE(HostExists("f.txt"));
}

TEST_F(FileSystemTest, MoveKeepsAnExistingTargetUnlessReplacing)
{
    WriteHost("a.txt", "new");
    WriteHost("b.txt", "old");
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(MoveFileW(u"\\a.txt", u"\\b.txt"));
    EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), GetLastError());
    EXPECT_EQ("new", ReadHost("a.txt"));
    EXPECT_EQ("old", ReadHost("b.txt"));

    EXPECT_TRUE(MoveFileExW(u"\\a.txt", u"\\b.txt", MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(HostExists("a.txt"));
    EXPECT_EQ("new", ReadHost("b.txt"));

    EXPECT_TRUE(MoveFileW(u"\\b.txt", u"\\c.txt"));
    EXPECT_EQ("new", ReadHost("c.txt"));
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(MoveFileW(u"\\c.txt", u"\\nodir\\c.txt"));
    EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), GetLastError());
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(MoveFileW(u"\\missing.txt", u"\\d.txt"));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST_F(FileSystemTest, CopyLeavesAnExistingTargetAloneWhenAskedTo)
{
    WriteHost("src.txt", std::string(100000, 'q'));
    WriteHost("dst.txt", "old");
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(CopyFileW(u"\\src.txt", u"\\dst.txt", TRUE));
    EXPECT_EQ(DWORD(ERROR_FILE_EXISTS), GetLastError());
    EXPECT_EQ("old", ReadHost("dst.txt"));

    EXPECT_TRUE(CopyFileW(u"\\src.txt", u"\\dst.txt", FALSE));
    EXPECT_EQ(std::string(100000, 'q'), ReadHost("dst.txt"));

    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(CopyFileW(u"\\missing.txt", u"\\x.txt", FALSE));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_FALSE(HostExists("x.txt"));
}

TEST_F(FileSystemTest, FolderCreationAndRemovalReportThePlatformCodes)
{
    EXPECT_TRUE(CreateDirectoryW(u"\\dir", nullptr));
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(CreateDirectoryW(u"\\dir", nullptr));
    EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), GetLastError());
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(CreateDirectoryW(u"\\nodir\\sub", nullptr));
    EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), GetLastError());

    WriteHost("dir/f.txt", "x");
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(RemoveDirectoryW(u"\\dir"));
    EXPECT_EQ(DWORD(ERROR_DIR_NOT_EMPTY), GetLastError());
    ASSERT_TRUE(DeleteFileW(u"\\dir\\f.txt"));
    EXPECT_TRUE(RemoveDirectoryW(u"\\dir"));
    EXPECT_FALSE(HostExists("dir"));
}

TEST_F(FileSystemTest, TempPathIsADevicePathWhoseFolderExists)
{
    WCHAR buffer[MAX_PATH];
    std::fill(std::begin(buffer), std::end(buffer), WCHAR(0xCCCC));
    EXPECT_EQ(6u, GetTempPathW(MAX_PATH, buffer));
    EXPECT_EQ(std::u16string(u"\\Temp\\"), std::u16string(buffer));
    EXPECT_EQ(WCHAR(0xCCCC), buffer[7]);
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_DIRECTORY), GetFileAttributesW(u"\\Temp"));
    EXPECT_EQ(7u, GetTempPathW(6, buffer));   // one short: the size needed, terminator included
}

TEST_F(FileSystemTest, TempFileNameFormsOrCreatesUniqueNamesInAnExistingFolder)
{
    WCHAR name[MAX_PATH];
    ASSERT_TRUE(CreateDirectoryW(u"\\Temp", nullptr));
    EXPECT_EQ(0xABCu, GetTempFileNameW(u"\\TEMP", u"orvx", 0xABC, name));
    EXPECT_EQ(std::u16string(u"\\TEMP\\orvabc.tmp"), std::u16string(name));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(name));   // only formed, not created

    UINT first = GetTempFileNameW(u"\\Temp\\", u"k", 0, name);
    ASSERT_NE(0u, first);
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_NORMAL), GetFileAttributesW(name));
    WCHAR second[MAX_PATH];
    ASSERT_NE(0u, GetTempFileNameW(u"\\Temp\\", u"k", 0, second));
    EXPECT_NE(std::u16string(name), std::u16string(second));

    WriteHost("file.txt", "x");
    struct Row { const char16_t* folder; UINT unique; } rows[] = {
        { u"\\nodir", 0 }, { u"\\nodir", 0x1234 }, { u"\\file.txt", 0 }, { u"\\file.txt", 7 },
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        std::fill(std::begin(name), std::end(name), WCHAR(0xCCCC));
        SetLastError(0xDEADBEEF);
        EXPECT_EQ(0u, GetTempFileNameW(rows[i].folder, u"k", rows[i].unique, name));
        EXPECT_EQ(DWORD(ERROR_DIRECTORY), GetLastError());
        EXPECT_EQ(WCHAR(0xCCCC), name[0]);
    }
}

TEST_F(FileSystemTest, MoveOntoItselfSucceedsAndCopyOntoItselfIsASharingViolation)
{
    WriteHost("a.txt", "keep");
    SetLastError(0xDEADBEEF);
    EXPECT_TRUE(MoveFileW(u"\\a.txt", u"\\a.txt"));
    EXPECT_EQ("keep", ReadHost("a.txt"));
    struct Row { const char16_t* target; BOOL failIfExists; DWORD error; } rows[] = {
        { u"\\a.txt", FALSE, ERROR_SHARING_VIOLATION },
        { u"\\A.TXT", FALSE, ERROR_SHARING_VIOLATION },
        { u"\\a.txt", TRUE, ERROR_FILE_EXISTS },
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        SetLastError(0xDEADBEEF);
        EXPECT_FALSE(CopyFileW(u"\\a.txt", rows[i].target, rows[i].failIfExists));
        EXPECT_EQ(rows[i].error, GetLastError());
        EXPECT_EQ("keep", ReadHost("a.txt"));
    }
}

// CopyFileW reads its source and writes its target as another open would: a handle of this
// process that does not share the access refuses it, and nothing changes.
TEST_F(FileSystemTest, CopyHonoursTheShareModesOfOpenHandles)
{
    WriteHost("src.txt", "new");
    WriteHost("dst.txt", "old");
    struct Row { const char16_t* held; DWORD access; DWORD share; BOOL copies; } rows[] = {
        { u"\\dst.txt", GENERIC_READ, 0, FALSE },
        { u"\\dst.txt", GENERIC_READ, FILE_SHARE_READ, FALSE },
        { u"\\src.txt", GENERIC_READ, 0, FALSE },
        { u"\\src.txt", GENERIC_WRITE, FILE_SHARE_READ, TRUE },
        { u"\\dst.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, TRUE },
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        WriteHost("dst.txt", "old");
        HANDLE held = CreateFileW(rows[i].held, rows[i].access, rows[i].share, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
        SetLastError(0xDEADBEEF);
        EXPECT_EQ(rows[i].copies, CopyFileW(u"\\src.txt", u"\\dst.txt", FALSE));
        if (!rows[i].copies) {
            EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError());
        }
        EXPECT_EQ(rows[i].copies ? "new" : "old", ReadHost("dst.txt"));
        CloseHandle(held);
    }
}

TEST_F(FileSystemTest, NullPathsAreMissingPaths)
{
    struct Row { const char* call; bool (*succeeds)(); } rows[] = {
        { "DeleteFileW", [] { return DeleteFileW(nullptr) != FALSE; } },
        { "CreateDirectoryW", [] { return CreateDirectoryW(nullptr, nullptr) != FALSE; } },
        { "RemoveDirectoryW", [] { return RemoveDirectoryW(nullptr) != FALSE; } },
        { "GetFileAttributesW", [] { return GetFileAttributesW(nullptr) != INVALID_FILE_ATTRIBUTES; } },
        { "CreateFileW", [] {
              return CreateFileW(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr) != INVALID_HANDLE_VALUE;
          } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.call);
        SetLastError(0xDEADBEEF);
        EXPECT_FALSE(row.succeeds());
        EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), GetLastError());
    }
}

}  // namespace
