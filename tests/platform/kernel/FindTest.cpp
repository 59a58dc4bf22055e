// Directory searches: patterns, the entries reported, and what a search never lists or enters.
#include <set>
#include <string>

#include <sys/stat.h>

#include "DeviceRoot.h"

namespace {

class FindTest : public DeviceRootTest {
protected:
    // Every name a search reports, or an empty set with the error of FindFirstFileW.
    std::set<std::u16string> Names(const char16_t* pattern, DWORD* firstError = nullptr)
    {
        std::set<std::u16string> names;
        WIN32_FIND_DATAW data;
        SetLastError(0xDEADBEEF);
        HANDLE search = FindFirstFileW(pattern, &data);
        if (search == INVALID_HANDLE_VALUE) {
            if (firstError != nullptr)
                *firstError = GetLastError();
            return names;
        }
        do
            names.insert(data.cFileName);
        while (FindNextFileW(search, &data));
        EXPECT_EQ(DWORD(ERROR_NO_MORE_FILES), GetLastError());
        EXPECT_TRUE(FindClose(search));
        return names;
    }
};

TEST_F(FindTest, StarDotStarListsEverythingWithDotsOnlyOutsideTheRoot)
{
    mkdir(Host("dir").c_str(), 0777);
    WriteHost("dir/a.bak", "1");
    WriteHost("dir/noext", "22");
    mkdir(Host("dir/sub").c_str(), 0777);
    std::set<std::u16string> all { u".", u"..", u"a.bak", u"noext", u"sub" };
    EXPECT_EQ(all, Names(u"\\dir\\*.*"));
    EXPECT_EQ(all, Names(u"/dir/*"));
    EXPECT_EQ((std::set<std::u16string> { u"dir" }), Names(u"\\*.*"));
}

TEST_F(FindTest, WildcardsMatchWithoutRegardToCase)
{
    for (const char* name : { "a.bak", "B.BAK", "abc", "aXc", "abcd", "x.bak.txt" })
        WriteHost(name, "x");
    EXPECT_EQ((std::set<std::u16string> { u"a.bak", u"B.BAK" }), Names(u"\\*.bak"));
    EXPECT_EQ((std::set<std::u16string> { u"abc", u"aXc" }), Names(u"\\a?c"));
    EXPECT_EQ((std::set<std::u16string> { u"abc" }), Names(u"\\ABC"));
    EXPECT_EQ((std::set<std::u16string> { u"abc", u"abcd" }), Names(u"\\abc*.*"));
}

TEST_F(FindTest, FindDataCarriesAttributesSizeAndTimes)
{
    WriteHost("f.bin", std::string(1234, 'x'));
    mkdir(Host("d").c_str(), 0777);
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(u"\\f.bin", &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_NORMAL), data.dwFileAttributes);
    EXPECT_EQ(1234u, data.nFileSizeLow);
    EXPECT_EQ(0u, data.nFileSizeHigh);
    EXPECT_NE(0u, data.ftLastWriteTime.dwHighDateTime);
    FindClose(search);
    HANDLE file = CreateFileW(u"\\f.bin", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME created {}, written {};
    ASSERT_TRUE(GetFileTime(file, &created, nullptr, &written));
    CloseHandle(file);
    EXPECT_EQ(created.dwLowDateTime, data.ftCreationTime.dwLowDateTime);   // both calls agree
    EXPECT_EQ(written.dwLowDateTime, data.ftLastWriteTime.dwLowDateTime);
    search = FindFirstFileW(u"\\d", &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_DIRECTORY), data.dwFileAttributes);
    FindClose(search);
}

TEST_F(FindTest, FailuresTellNoMatchFromMissingFolder)
{
    WriteHost("f.txt", "x");
    DWORD error = 0;
    EXPECT_TRUE(Names(u"\\*.bak", &error).empty());
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), error);
    EXPECT_TRUE(Names(u"\\nodir\\*.*", &error).empty());
    EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), error);
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(FindNextFileW(INVALID_HANDLE_VALUE, nullptr));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
}

TEST_F(FindTest, OnlyRegularFilesAndRealFoldersAreListed)
{
    WriteHost("file.txt", "x");
    mkdir(Host("real").c_str(), 0777);
    ASSERT_EQ(0, mkfifo(Host("pipe").c_str(), 0600));
    ASSERT_EQ(0, symlink(Host("file.txt").c_str(), Host("tofile").c_str()));
    ASSERT_EQ(0, symlink(".", Host("loop").c_str()));              // a link cycle
    ASSERT_EQ(0, symlink(Host("real").c_str(), Host("todir").c_str()));
    ASSERT_EQ(0, symlink(Host("nowhere").c_str(), Host("dangling").c_str()));
    EXPECT_EQ((std::set<std::u16string> { u"file.txt", u"real", u"tofile" }), Names(u"\\*.*"));

    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(u"\\tofile", &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    EXPECT_EQ(1u, data.nFileSizeLow);   // the linked file's size
    FindClose(search);

    SetLastError(0xDEADBEEF);
    EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileW(u"\\pipe", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
}

TEST_F(FindTest, PseudoFileSystemsAreNeverSearched)
{
    ASSERT_EQ(0, symlink("/proc", Host("proclink").c_str()));
    DWORD error = 0;
    EXPECT_TRUE(Names(u"\\proclink\\*.*", &error).empty());
    EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), error);

    setenv("WCE_DEVICE_ROOT", "/", 1);
    wce::ReloadDeviceProfile();
    std::set<std::u16string> top = Names(u"\\*.*");
    EXPECT_FALSE(top.empty());
    for (const char16_t* pseudo : { u"proc", u"sys", u"dev", u"run" })
        EXPECT_EQ(0u, top.count(pseudo));
    for (const char16_t* path : { u"\\proc\\*.*", u"\\sys\\*", u"\\dev\\*.*", u"\\proc\\self\\*.*" }) {
        EXPECT_TRUE(Names(path, &error).empty());
        EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), error);
    }
}

}  // namespace
