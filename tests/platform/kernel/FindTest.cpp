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

// As on the device, a search lists neither "." nor "..", in the root or elsewhere.
TEST_F(FindTest, StarDotStarListsEverythingButTheDotEntries)
{
    mkdir(Host("dir").c_str(), 0777);
    WriteHost("dir/a.bak", "1");
    WriteHost("dir/noext", "22");
    mkdir(Host("dir/sub").c_str(), 0777);
    std::set<std::u16string> all { u"a.bak", u"noext", u"sub" };
    EXPECT_EQ(all, Names(u"\\dir\\*.*"));
    EXPECT_EQ(all, Names(u"/dir/*"));
    EXPECT_EQ((std::set<std::u16string> { u"dir" }), Names(u"\\*.*"));
    DWORD error = 0;
    EXPECT_TRUE(Names(u"\\dir\\.", &error).empty());
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), error);
    EXPECT_TRUE(Names(u"\\dir\\..", &error).empty());
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), error);
}

TEST_F(FindTest, WildcardsFollowTheDeviceRules)
{
    for (const char* name : { "a.bak", "B.BAK", "abc", "aXc", "abcd", "abcde", "x.bak.txt", "noext", "r\xc3\xa9sum\xc3\xa9.doc" })
        WriteHost(name, "x");
    using Set = std::set<std::u16string>;
    struct Row { const char16_t* pattern; Set names; } rows[] = {
        /* 0 */ { u"*.bak", { u"a.bak", u"B.BAK" } },
        /* 1 */ { u"a?c", { u"abc", u"aXc" } },
        /* 2 */ { u"ABC", { u"abc" } },
        /* 3 */ { u"abc*.*", { u"abc", u"abcd", u"abcde" } },
        /* 4 */ { u"*.", { u"abc", u"aXc", u"abcd", u"abcde", u"noext" } },
        /* 5 */ { u"abc.", { u"abc" } },
        /* 6 */ { u"abc?", { u"abc", u"abcd" } },
        /* 7 */ { u"abc??", { u"abc", u"abcd", u"abcde" } },
        /* 8 */ { u"*.bak. . ", { u"a.bak", u"B.BAK" } },
        /* 9 */ { u"noext   ", { u"noext" } },
        /* 10 */ { u"*.*", { u"a.bak", u"B.BAK", u"abc", u"aXc", u"abcd", u"abcde", u"x.bak.txt", u"noext",
                              u"r\u00e9sum\u00e9.doc" } },
        /* 11 */ { u"R\u00c9SUM\u00c9.*", { u"r\u00e9sum\u00e9.doc" } },
        /* 12 */ { u"*.bak.*", { u"a.bak", u"B.BAK", u"x.bak.txt" } },
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i].names, Names((u"\\" + std::u16string(rows[i].pattern)).c_str()));
    }
    DWORD error = 0;
    EXPECT_TRUE(Names(u"\\a<b", &error).empty());
    EXPECT_EQ(DWORD(ERROR_INVALID_NAME), error);
    EXPECT_TRUE(Names(u"\\di?\\*.*", &error).empty());
    EXPECT_EQ(DWORD(ERROR_INVALID_NAME), error);
}

// Host names may hold what device names may not. A search gives each such character as U+F000 +
// its code (bytes that are not UTF-8 too), so every name it yields is one component, and every
// call takes that name back to the host file.
TEST_F(FindTest, HostNamesWithRefusedCharactersAreMappedBothWays)
{
    mkdir(Host("odd\\dir").c_str(), 0777);
    WriteHost("odd\\dir/in.txt", "inside");
    const struct { const char* host; std::u16string device; } rows[] = {
        { "back\\slash.txt", u"back\uF05Cslash.txt" },
        { "what?.txt", u"what\uF03F.txt" },
        { "star*", u"star\uF02A" },
        { "ctl\x01\x1f", u"ctl\uF001\uF01F" },
        { "q\"<|>:", u"q\uF022\uF03C\uF07C\uF03E\uF03A" },
        { "latin\xe9.bin", u"latin\uF0E9.bin" },
    };
    std::set<std::u16string> expected { u"odd\uF05Cdir" };
    for (const auto& row : rows) {
        WriteHost(row.host, row.host);
        expected.insert(row.device);
    }
    std::set<std::u16string> listed = Names(u"\\*.*");
    EXPECT_EQ(expected, listed);
    for (const std::u16string& name : listed) {
        for (char16_t c : name)
            EXPECT_TRUE(c >= 0x20 && c != u'\\' && c != u'/' && c != u'*' && c != u'?' && c != u':');
    }
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        std::u16string path = u"\\" + rows[i].device;
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        char buffer[64];
        DWORD got = 0;
        EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &got, nullptr));
        EXPECT_EQ(std::string(rows[i].host), std::string(buffer, got));
        CloseHandle(file);
    }
    EXPECT_EQ((std::set<std::u16string> { u"in.txt" }), Names(u"\\odd\uF05Cdir\\*.*"));
    EXPECT_TRUE(DeleteFileW(u"\\odd\uF05Cdir\\in.txt"));
    EXPECT_TRUE(RemoveDirectoryW(u"\\odd\uF05Cdir"));
    EXPECT_TRUE(MoveFileW(u"\\what\uF03F.txt", u"\\plain.txt"));
    EXPECT_EQ("what?.txt", ReadHost("plain.txt"));
    EXPECT_FALSE(HostExists("odd\\dir"));
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
