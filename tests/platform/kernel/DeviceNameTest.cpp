// Device names on a case-sensitive host: every call finds an entry under any letter case, creating
// calls reuse the entry that is there, and names with characters the device refuses are refused.
#include <atomic>
#include <set>
#include <string>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "DeviceRoot.h"

namespace {

class DeviceNameTest : public DeviceRootTest {
protected:
    void SetUp() override
    {
        DeviceRootTest::SetUp();
        mkdir(Host("Dir").c_str(), 0777);
        WriteHost("Dir/Long File test.path", "data");
    }

    // The host names in a folder of the device root, to tell that no second entry appeared.
    std::set<std::string> HostNames(const std::string& relative = "") const
    {
        std::set<std::string> names;
        if (DIR* dir = opendir(Host(relative).c_str())) {
            while (dirent* entry = readdir(dir)) {
                if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..")
                    names.insert(entry->d_name);
            }
            closedir(dir);
        }
        return names;
    }

    static std::string ReadDevice(const char16_t* path)
    {
        HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return "<" + std::to_string(GetLastError()) + ">";
        char buffer[64];
        DWORD got = 0;
        ReadFile(file, buffer, sizeof buffer, &got, nullptr);
        CloseHandle(file);
        return std::string(buffer, got);
    }
};

TEST_F(DeviceNameTest, EveryCallFindsAnExistingEntryUnderAnotherCase)
{
    SetLastError(0xDEADBEEF);
    EXPECT_EQ("data", ReadDevice(u"\\DIR\\long FILE TEST.PATH"));
    EXPECT_EQ(DWORD(ERROR_SUCCESS), GetLastError());
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_NORMAL), GetFileAttributesW(u"\\dir\\LONG FILE TEST.PATH"));
    ASSERT_TRUE(SetFileAttributesW(u"\\dIR\\long file test.path", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_READONLY), GetFileAttributesW(u"\\Dir\\Long File test.path"));
    ASSERT_TRUE(SetFileAttributesW(u"\\DIR\\LONG FILE TEST.PATH", FILE_ATTRIBUTE_NORMAL));

    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(u"\\DIR\\long*", &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    EXPECT_EQ(std::u16string(u"Long File test.path"), std::u16string(data.cFileName));   // the case it has
    FindClose(search);

    EXPECT_TRUE(CopyFileW(u"\\DIR\\LONG FILE TEST.PATH", u"\\dir\\copy.txt", TRUE));
    EXPECT_TRUE(MoveFileW(u"\\DIR\\COPY.TXT", u"\\dir\\Moved.txt"));
    EXPECT_EQ("data", ReadHost("Dir/Moved.txt"));
    EXPECT_TRUE(DeleteFileW(u"\\dir\\MOVED.TXT"));
    EXPECT_TRUE(CreateDirectoryW(u"\\DIR\\Sub", nullptr));
    EXPECT_TRUE(RemoveDirectoryW(u"\\dir\\SUB"));
    WCHAR temp[MAX_PATH];
    EXPECT_NE(0u, GetTempFileNameW(u"\\DIR", u"t", 0, temp));
    EXPECT_EQ(2u, HostNames("Dir").size());   // the file, the temporary file, and nothing else
    EXPECT_EQ(std::set<std::string> { "Dir" }, HostNames());
}

TEST_F(DeviceNameTest, CreatingUnderAnotherCaseReusesTheEntryThatIsThere)
{
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(CreateDirectoryW(u"\\DIR", nullptr));
    EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), GetLastError());

    HANDLE file = CreateFileW(u"\\dir\\LONG FILE TEST.PATH", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), GetLastError());
    CloseHandle(file);
    EXPECT_EQ("", ReadHost("Dir/Long File test.path"));

    // Nothing matches: the new file takes the case asked for, in the folder as it is spelled.
    file = CreateFileW(u"\\DIR\\New.TXT", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    file = CreateFileW(u"\\dir\\NEW.txt", GENERIC_READ, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), GetLastError());
    CloseHandle(file);
    EXPECT_EQ((std::set<std::string> { "Long File test.path", "New.TXT" }), HostNames("Dir"));

    WriteHost("src.txt", "copied");
    EXPECT_TRUE(CopyFileW(u"\\src.txt", u"\\DIR\\new.txt", FALSE));
    EXPECT_EQ("copied", ReadHost("Dir/New.TXT"));
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(MoveFileW(u"\\src.txt", u"\\Dir\\NEW.TXT"));
    EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), GetLastError());

    // A move onto another spelling of itself renames it to that spelling.
    EXPECT_TRUE(MoveFileW(u"\\Dir\\New.TXT", u"\\DIR\\new.txt"));
    EXPECT_EQ((std::set<std::string> { "Long File test.path", "new.txt" }), HostNames("Dir"));
    EXPECT_EQ((std::set<std::string> { "Dir", "src.txt" }), HostNames());
}

// Two host names that differ only in case: each is found by its own spelling, any other spelling
// finds the one first in byte order (upper case first), and a search lists both.
TEST_F(DeviceNameTest, TwinHostNamesAreBothListedAndPickedDeterministically)
{
    WriteHost("twin.txt", "lower");
    WriteHost("TWIN.TXT", "upper");
    EXPECT_EQ("lower", ReadDevice(u"\\twin.txt"));
    EXPECT_EQ("upper", ReadDevice(u"\\TWIN.TXT"));
    EXPECT_EQ("upper", ReadDevice(u"\\Twin.Txt"));
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(u"\\twin.*", &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    std::set<std::u16string> listed { data.cFileName };
    while (FindNextFileW(search, &data))
        listed.insert(data.cFileName);
    FindClose(search);
    EXPECT_EQ((std::set<std::u16string> { u"twin.txt", u"TWIN.TXT" }), listed);
}

// The folder listings behind the lookup are kept only while a folder is unchanged, so what is
// made, renamed or re-dated outside the platform is seen at once.
TEST_F(DeviceNameTest, ChangesMadeOutsideThePlatformAreSeenAtOnce)
{
    timespec old[2] = { { 1000000000, 0 }, { 1000000000, 0 } };
    ASSERT_EQ(0, utimensat(AT_FDCWD, Host("Dir").c_str(), old, 0));
    EXPECT_EQ("<2>", ReadDevice(u"\\DIR\\FRESH.TXT"));   // ERROR_FILE_NOT_FOUND
    WriteHost("Dir/fresh.txt", "one");
    EXPECT_EQ("one", ReadDevice(u"\\DIR\\FRESH.TXT"));
    ASSERT_EQ(0, utimensat(AT_FDCWD, Host("Dir").c_str(), old, 0));   // the old date, back again
    EXPECT_EQ("one", ReadDevice(u"\\DIR\\FRESH.TXT"));
    ASSERT_EQ(0, rename(Host("Dir/fresh.txt").c_str(), Host("Dir/Fresh.Txt").c_str()));
    WriteHost("Dir/Fresh.Txt", "two");
    EXPECT_EQ("two", ReadDevice(u"\\DIR\\FRESH.TXT"));
    ASSERT_EQ(0, unlink(Host("Dir/Fresh.Txt").c_str()));
    EXPECT_EQ("<2>", ReadDevice(u"\\DIR\\FRESH.TXT"));
}

// The scan worker and the user-interface thread look up paths at once; one folder's listing is
// shared by both while a third thread keeps changing the folder.
TEST_F(DeviceNameTest, ThreadsLookingUpAndChangingOneFolderAgree)
{
    constexpr int FILES = 16;
    for (int i = 0; i < FILES; ++i)
        WriteHost("Dir/file" + std::to_string(i), std::to_string(i));
    std::atomic<int> wrong { 0 };
    auto reader = [&wrong] {
        for (int round = 0; round < 40; ++round) {
            for (int i = 0; i < FILES; ++i) {
                std::u16string path = u"\\DIR\\FILE";
                for (char c : std::to_string(i))
                    path += char16_t(c);
                wrong += ReadDevice(path.c_str()) != std::to_string(i);
            }
        }
    };
    auto writer = [] {
        for (int round = 0; round < 200; ++round) {
            HANDLE file = CreateFileW(u"\\dir\\Extra", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
            if (file != INVALID_HANDLE_VALUE)
                CloseHandle(file);
            DeleteFileW(u"\\DIR\\EXTRA");
        }
    };
    std::thread threads[] = { std::thread(reader), std::thread(reader), std::thread(writer) };
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(0, wrong.load());
    EXPECT_FALSE(HostExists("Dir/Extra"));
}

TEST_F(DeviceNameTest, NamesWithRefusedCharactersAreInvalidForEveryCall)
{
    const char16_t* names[] = { u"\\wild?.txt", u"\\a*b", u"\\x<y", u"\\x>y", u"\\p|q", u"\\c:d",
                                u"\\say\"hi\"", u"\\ctl\x01", u"\\Dir\\tab\t", u"\\bad?\\f.txt" };
    struct Call { const char* name; bool (*succeeds)(const char16_t*); } calls[] = {
        { "CreateFileW", [](const char16_t* p) {
              HANDLE h = CreateFileW(p, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
              return h != INVALID_HANDLE_VALUE && CloseHandle(h);
          } },
        { "MoveFileW", [](const char16_t* p) { return MoveFileW(u"\\Dir\\Long File test.path", p) != FALSE; } },
        { "CopyFileW", [](const char16_t* p) { return CopyFileW(u"\\Dir\\Long File test.path", p, FALSE) != FALSE; } },
        { "CreateDirectoryW", [](const char16_t* p) { return CreateDirectoryW(p, nullptr) != FALSE; } },
        { "RemoveDirectoryW", [](const char16_t* p) { return RemoveDirectoryW(p) != FALSE; } },
        { "DeleteFileW", [](const char16_t* p) { return DeleteFileW(p) != FALSE; } },
        { "GetFileAttributesW", [](const char16_t* p) { return GetFileAttributesW(p) != INVALID_FILE_ATTRIBUTES; } },
    };
    for (const Call& call : calls) {
        for (size_t i = 0; i < std::size(names); ++i) {
            SCOPED_TRACE(testing::Message() << call.name << " row " << i);
            SetLastError(0xDEADBEEF);
            EXPECT_FALSE(call.succeeds(names[i]));
            EXPECT_EQ(DWORD(ERROR_INVALID_NAME), GetLastError());
        }
    }
    EXPECT_EQ(std::set<std::string> { "Dir" }, HostNames());
    EXPECT_EQ(std::set<std::string> { "Long File test.path" }, HostNames("Dir"));
}

}  // namespace
