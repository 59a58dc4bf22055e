// File handles: open dispositions, reads and writes, positions, sizes, sharing, full disks.
#include <csignal>
#include <string>

#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "DeviceRoot.h"

namespace {

class FileTest : public DeviceRootTest {
protected:
    HANDLE Open(const char16_t* path, DWORD access, DWORD disposition, DWORD share = FILE_SHARE_READ)
    {
        return CreateFileW(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
};

TEST_F(FileTest, CreateDispositionsReportExistenceAsThePlatformDoes)
{
    SetLastError(0xDEADBEEF);
    HANDLE file = Open(u"\\new.txt", GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(DWORD(ERROR_SUCCESS), GetLastError());
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, "hello", 5, &written, nullptr));
    CloseHandle(file);

    SetLastError(0xDEADBEEF);
    file = Open(u"\\new.txt", GENERIC_READ, OPEN_ALWAYS);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), GetLastError());
    CloseHandle(file);
    EXPECT_EQ("hello", ReadHost("new.txt"));

    SetLastError(0xDEADBEEF);
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(u"\\new.txt", GENERIC_WRITE, CREATE_NEW));
    EXPECT_EQ(DWORD(ERROR_FILE_EXISTS), GetLastError());
    EXPECT_EQ("hello", ReadHost("new.txt"));

    file = Open(u"\\new.txt", GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), GetLastError());
    CloseHandle(file);
    EXPECT_EQ("", ReadHost("new.txt"));

    SetLastError(0xDEADBEEF);
    file = Open(u"\\new.txt", GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(DWORD(ERROR_SUCCESS), GetLastError());
    CloseHandle(file);
}

// CREATE_ALWAYS empties an existing file whatever access the handle asks for.
TEST_F(FileTest, CreateAlwaysEmptiesTheFileForAnyAccess)
{
    for (DWORD access : { DWORD(0), DWORD(GENERIC_READ), DWORD(GENERIC_WRITE), DWORD(GENERIC_READ | GENERIC_WRITE) }) {
        SCOPED_TRACE(access);
        WriteHost("full.txt", "content");
        SetLastError(0xDEADBEEF);
        HANDLE file = Open(u"\\full.txt", access, CREATE_ALWAYS);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), GetLastError());
        EXPECT_EQ(0u, GetFileSize(file, nullptr));
        DWORD written = 0;
        EXPECT_EQ((access & GENERIC_WRITE) != 0, WriteFile(file, "x", 1, &written, nullptr) != FALSE);
        CloseHandle(file);
    }
    // A read-only file is not emptied, whoever asks.
    WriteHost("locked.txt", "keep");
    ASSERT_TRUE(SetFileAttributesW(u"\\locked.txt", FILE_ATTRIBUTE_READONLY));
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(u"\\locked.txt", GENERIC_READ, CREATE_ALWAYS));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ("keep", ReadHost("locked.txt"));
}

TEST_F(FileTest, OpenFailuresTellMissingFileFromMissingFolderAndRefuseFolders)
{
    mkdir(Host("dir").c_str(), 0777);
    struct Row { const char16_t* path; DWORD disposition; DWORD error; } rows[] = {
        { u"\\missing.txt", OPEN_EXISTING, ERROR_FILE_NOT_FOUND },
        { u"\\nodir\\file.txt", OPEN_EXISTING, ERROR_PATH_NOT_FOUND },
        { u"\\nodir\\file.txt", CREATE_ALWAYS, ERROR_PATH_NOT_FOUND },
        { u"\\missing.txt", TRUNCATE_EXISTING, ERROR_FILE_NOT_FOUND },
        { u"\\dir", OPEN_EXISTING, ERROR_ACCESS_DENIED },
        { u"\\dir", CREATE_ALWAYS, ERROR_ACCESS_DENIED },
        { u"\\dir", CREATE_NEW, ERROR_ACCESS_DENIED },
        { u"\\dir", OPEN_ALWAYS, ERROR_ACCESS_DENIED },
        { u"\\", OPEN_EXISTING, ERROR_ACCESS_DENIED },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "disposition " << row.disposition << " error " << row.error);
        SetLastError(0xDEADBEEF);
        EXPECT_EQ(INVALID_HANDLE_VALUE, Open(row.path, GENERIC_READ | GENERIC_WRITE, row.disposition));
        EXPECT_EQ(row.error, GetLastError());
    }
    EXPECT_FALSE(HostExists("missing.txt"));
}

TEST_F(FileTest, ReadsStopAtTheEndAndAccessModesAreEnforced)
{
    WriteHost("data.bin", "0123456789");
    HANDLE file = Open(u"/data.bin", GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    char buffer[16] = {};
    DWORD read = 99;
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(10u, read);
    EXPECT_EQ("0123456789", std::string(buffer, read));
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(0u, read);   // at the end: success with nothing read

    DWORD written = 99;
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(WriteFile(file, "x", 1, &written, nullptr));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ(0u, written);
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(SetEndOfFile(file));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    CloseHandle(file);

    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(ReadFile(file, buffer, 1, &read, nullptr));   // closed handle
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
}

TEST_F(FileTest, SetFilePointerFollowsTheFailureConvention)
{
    WriteHost("data.bin", "0123456789");
    HANDLE file = Open(u"\\data.bin", GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(7u, SetFilePointer(file, -3, nullptr, FILE_END));
    EXPECT_EQ(9u, SetFilePointer(file, 2, nullptr, FILE_CURRENT));

    SetLastError(0xDEADBEEF);
    EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(file, -20, nullptr, FILE_CURRENT));
    EXPECT_EQ(DWORD(ERROR_NEGATIVE_SEEK), GetLastError());
    EXPECT_EQ(9u, SetFilePointer(file, 0, nullptr, FILE_CURRENT));   // the position did not move

    LONG high = -1;   // -1 << 32 | 0: negative with the high part as well
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(file, 0, &high, FILE_BEGIN));
    EXPECT_EQ(DWORD(ERROR_NEGATIVE_SEEK), GetLastError());

    // Past 4 GiB: the high part carries the rest; the file grows sparsely.
    high = 1;
    EXPECT_EQ(16u, SetFilePointer(file, 16, &high, FILE_BEGIN));
    EXPECT_EQ(1, high);
    ASSERT_TRUE(SetEndOfFile(file));
    DWORD sizeHigh = 0;
    EXPECT_EQ(16u, GetFileSize(file, &sizeHigh));
    EXPECT_EQ(1u, sizeHigh);
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(file, 0, nullptr, FILE_END));   // no room in 32 bits
    EXPECT_NE(DWORD(ERROR_SUCCESS), GetLastError());

    // A real position whose low half is all ones clears the last error.
    high = 0;
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(0xFFFFFFFFu, SetFilePointer(file, -1, &high, FILE_BEGIN));
    EXPECT_EQ(DWORD(ERROR_SUCCESS), GetLastError());
    CloseHandle(file);

    SetLastError(0xDEADBEEF);
    EXPECT_EQ(INVALID_FILE_SIZE, GetFileSize(file, nullptr));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
}

TEST_F(FileTest, SetEndOfFileCutsAtThePosition)
{
    WriteHost("data.bin", "0123456789");
    HANDLE file = Open(u"\\data.bin", GENERIC_WRITE, OPEN_EXISTING);
    ASSERT_EQ(4u, SetFilePointer(file, 4, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file));
    ASSERT_TRUE(FlushFileBuffers(file));
    EXPECT_EQ(4u, GetFileSize(file, nullptr));
    CloseHandle(file);
    EXPECT_EQ("0123", ReadHost("data.bin"));
}

TEST_F(FileTest, ShareModesRefuseConflictingOpensWithoutTruncating)
{
    WriteHost("shared.txt", "keep");
    HANDLE reader = Open(u"\\shared.txt", GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    HANDLE second = Open(u"\\shared.txt", GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ);
    EXPECT_NE(INVALID_HANDLE_VALUE, second);
    CloseHandle(second);

    SetLastError(0xDEADBEEF);
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(u"\\shared.txt", GENERIC_WRITE, CREATE_ALWAYS, FILE_SHARE_READ));
    EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError());
    EXPECT_EQ("keep", ReadHost("shared.txt"));
    // A reader that does not let others read conflicts with the open reader.
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(u"\\shared.txt", GENERIC_READ, OPEN_EXISTING, 0));
    CloseHandle(reader);

    HANDLE writer = Open(u"\\shared.txt", GENERIC_WRITE, OPEN_EXISTING, 0);
    EXPECT_NE(INVALID_HANDLE_VALUE, writer);
    CloseHandle(writer);
}

TEST_F(FileTest, FileTimesRoundTripThroughTheHandle)
{
    WriteHost("t.txt", "x");
    HANDLE file = Open(u"\\t.txt", GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    SYSTEMTIME when { 2006, 9, 0, 15, 10, 20, 30, 0 };
    FILETIME stamp {};
    ASSERT_TRUE(SystemTimeToFileTime(&when, &stamp));
    ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &stamp));
    FILETIME creation {}, accessed {}, written {};
    ASSERT_TRUE(GetFileTime(file, &creation, &accessed, &written));
    EXPECT_EQ(stamp.dwLowDateTime, written.dwLowDateTime);
    EXPECT_EQ(stamp.dwHighDateTime, written.dwHighDateTime);
    EXPECT_NE(0u, creation.dwHighDateTime);
    CloseHandle(file);

    // Setting a time is writing: a reading handle may not, and the time stays.
    file = Open(u"\\t.txt", GENERIC_READ, OPEN_EXISTING);
    FILETIME later { stamp.dwLowDateTime, stamp.dwHighDateTime + 1 };
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(SetFileTime(file, nullptr, nullptr, &later));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    ASSERT_TRUE(GetFileTime(file, nullptr, nullptr, &written));
    EXPECT_EQ(stamp.dwHighDateTime, written.dwHighDateTime);
    CloseHandle(file);
}

// A buffer the process may not use fails with ERROR_NOACCESS, and nothing moves: the count is 0,
// the file keeps its size and its position. The second page of each buffer is inaccessible.
TEST_F(FileTest, ReadsAndWritesWithInaccessibleBuffersTransferNothing)
{
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    char* pages = static_cast<char*>(mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(MAP_FAILED, static_cast<void*>(pages));
    WriteHost("data.bin", std::string(3 * page, 'd'));
    HANDLE file = Open(u"\\data.bin", GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    struct Row { const char* what; int protection; bool write; } rows[] = {
        { "read into an unmapped page", PROT_NONE, false },
        { "read into a read-only page", PROT_READ, false },
        { "write from an unmapped page", PROT_NONE, true },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_EQ(0, mprotect(pages + page, page, row.protection));
        ASSERT_EQ(16u, SetFilePointer(file, 16, nullptr, FILE_BEGIN));
        DWORD moved = 99;
        SetLastError(0xDEADBEEF);
        BOOL ok = row.write ? WriteFile(file, pages + page - 8, 64, &moved, nullptr)
                            : ReadFile(file, pages + page - 8, 64, &moved, nullptr);
        EXPECT_FALSE(ok);
        EXPECT_EQ(DWORD(ERROR_NOACCESS), GetLastError());
        EXPECT_EQ(0u, moved);
        EXPECT_EQ(16u, SetFilePointer(file, 0, nullptr, FILE_CURRENT));
        EXPECT_EQ(DWORD(3 * page), GetFileSize(file, nullptr));
    }
    CloseHandle(file);
    EXPECT_EQ(std::string(3 * page, 'd'), ReadHost("data.bin"));
    munmap(pages, 2 * page);
}

// A write that meets the end of the available space fails with ERROR_DISK_FULL and reports how much
// reached the file. A child process stands in for a full disk with a file size limit.
TEST_F(FileTest, WriteToFullDiskFailsWithDiskFullAndTheCountWritten)
{
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit { 1000, 1000 };
        setrlimit(RLIMIT_FSIZE, &limit);
        HANDLE file = CreateFileW(u"\\full.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        static char block[4000] = {};
        DWORD written = 0;
        SetLastError(0xDEADBEEF);
        BOOL ok = WriteFile(file, block, sizeof block, &written, nullptr);
        _exit(!ok && GetLastError() == ERROR_DISK_FULL && written == 1000 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
    EXPECT_EQ(1000u, ReadHost("full.bin").size());
}

}  // namespace
