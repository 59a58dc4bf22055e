// LoadLibraryW, FindResourceW and LoadStringW against a real resource library, as PE32+ and PE32.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include <windows.h>

#include "ResourceDll.h"

namespace {

class ResourceTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        bytes = resdll::Read(GetParam());
        if (bytes.empty())
            GTEST_SKIP() << "the test resource library was not built (llvm-rc or lld-link missing)";
        ASSERT_TRUE(resdll::WriteFile(root.Host() + "/Windows/OrvTest.DLL", bytes));
        module = LoadLibraryW(u"\\Windows\\OrvTest.DLL");
        ASSERT_NE(nullptr, module);
    }
    void TearDown() override
    {
        if (module)
            FreeLibrary(module);
    }

    std::u16string String(UINT id, int size = 128)
    {
        WCHAR buffer[128];
        int length = LoadStringW(module, id, buffer, size);
        return length > 0 ? std::u16string(buffer, size_t(length)) : std::u16string();
    }
    std::string Data(HRSRC resource)
    {
        const char* data = static_cast<const char*>(LockResource(LoadResource(module, resource)));
        return data ? std::string(data, SizeofResource(module, resource)) : std::string("<none>");
    }

    resdll::DeviceRoot root;
    std::vector<uint8_t> bytes;
    HMODULE module = nullptr;
};

TEST_P(ResourceTest, BareNameFindsTheLoadedModuleAndCountsReferences)
{
    HMODULE again = LoadLibraryExW(u"orvtest", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    EXPECT_EQ(module, again);
    EXPECT_EQ(module, GetModuleHandleW(u"ORVTEST.dll"));
    EXPECT_TRUE(FreeLibrary(again));
    EXPECT_EQ(module, GetModuleHandleW(u"OrvTest.dll"));   // one reference left
    EXPECT_TRUE(FreeLibrary(module));
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(nullptr, GetModuleHandleW(u"OrvTest.dll"));
    EXPECT_EQ(DWORD(ERROR_MOD_NOT_FOUND), GetLastError());
    EXPECT_FALSE(FreeLibrary(module));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
    module = nullptr;
}

TEST_P(ResourceTest, LibrariesAreFoundIgnoringCaseByNameOrPath)
{
    EXPECT_TRUE(FreeLibrary(module));
    module = LoadLibraryW(u"orvtest.dll");
    ASSERT_NE(nullptr, module);
    EXPECT_EQ(u"Hello", String(1));
    EXPECT_TRUE(FreeLibrary(module));
    module = LoadLibraryW(u"\\WINDOWS\\orvTEST.dll");   // every folder of a path, too
    ASSERT_NE(nullptr, module);
    EXPECT_EQ(u"Hello", String(1));
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(nullptr, LoadLibraryW(u"\\Windows\\Missing.dll"));
    EXPECT_EQ(DWORD(ERROR_MOD_NOT_FOUND), GetLastError());
}

TEST_P(ResourceTest, ModuleFileNameExactFitAndOneShort)
{
    const std::u16string path = u"\\Windows\\OrvTest.DLL";
    WCHAR buffer[32];
    std::fill(std::begin(buffer), std::end(buffer), WCHAR(0xCCCC));
    EXPECT_EQ(DWORD(path.size()), GetModuleFileNameW(module, buffer, DWORD(path.size() + 1)));
    EXPECT_EQ(path, std::u16string(buffer));

    std::fill(std::begin(buffer), std::end(buffer), WCHAR(0xCCCC));
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(DWORD(path.size()), GetModuleFileNameW(module, buffer, DWORD(path.size())));
    EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(path.substr(0, path.size() - 1), std::u16string(buffer));
    EXPECT_EQ(WCHAR(0xCCCC), buffer[path.size()]);
}

TEST_P(ResourceTest, StringsComeFromTheirBlocksOfSixteen)
{
    EXPECT_EQ(u"Hello", String(1));
    EXPECT_EQ(u"Last of the first block", String(15));
    EXPECT_EQ(u"First of the second block", String(16));
    EXPECT_EQ(u"OrvMobile test title", String(10000));
    EXPECT_EQ(u"\u4E2D\u6587 caption", String(40092));
    // String 2 exists only in the Chinese block; the English block is the one taken.
    EXPECT_EQ(u"", String(2));
    // A missing string, in a block that exists or in none, leaves the caller's text alone.
    WCHAR buffer[4] = { u'a', u'b', 0, 0xCCCC };
    EXPECT_EQ(0, LoadStringW(module, 3, buffer, 4));
    EXPECT_EQ(u"ab", std::u16string(buffer));
    EXPECT_EQ(0, LoadStringW(module, 9999, buffer, 4));
    EXPECT_EQ(u"ab", std::u16string(buffer));
    EXPECT_EQ(WCHAR(0xCCCC), buffer[3]);
}

TEST_P(ResourceTest, StringsAreCutAndTerminatedOrLentReadOnly)
{
    WCHAR buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), WCHAR(0xCCCC));
    EXPECT_EQ(3, LoadStringW(module, 1, buffer, 4));
    EXPECT_EQ(u"Hel", std::u16string(buffer));
    EXPECT_EQ(WCHAR(0xCCCC), buffer[4]);

    const WCHAR* text = nullptr;
    EXPECT_EQ(5, LoadStringW(module, 1, reinterpret_cast<LPWSTR>(&text), 0));
    ASSERT_NE(nullptr, text);
    EXPECT_EQ(u"Hello", std::u16string(text, 5));
}

TEST_P(ResourceTest, FindsTemplatesBitmapsAndDataByIdOrName)
{
    HRSRC dialog = FindResourceW(module, MAKEINTRESOURCE(102), RT_DIALOG);
    ASSERT_NE(nullptr, dialog);
    // The template starts with its style; the resource compiler adds DS_SETFONT (0x40) for FONT.
    EXPECT_EQ(std::string("\x40\x00\xC8\x80", 4), Data(dialog).substr(0, 4));
    HRSRC bitmap = FindResourceW(module, MAKEINTRESOURCE(110), RT_BITMAP);
    EXPECT_EQ(40u + 1024u + 8u, SizeofResource(module, bitmap));                 // no file header
    EXPECT_NE(nullptr, FindResourceW(module, MAKEINTRESOURCE(300), RT_MENU));
    EXPECT_EQ(std::string("\1\0\2\0\3\0", 6), Data(FindResourceW(module, u"#300", RT_RCDATA)));
    EXPECT_EQ("abc", Data(FindResourceW(module, u"config", u"MyData")));
}

TEST_P(ResourceTest, MissingResourcesSayWhatIsMissing)
{
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(nullptr, FindResourceW(module, MAKEINTRESOURCE(102), RT_ICON));
    EXPECT_EQ(DWORD(ERROR_RESOURCE_TYPE_NOT_FOUND), GetLastError());
    EXPECT_EQ(nullptr, FindResourceW(module, MAKEINTRESOURCE(999), RT_DIALOG));
    EXPECT_EQ(DWORD(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
    EXPECT_EQ(nullptr, FindResourceW(module, u"CONFIGX", u"MYDATA"));
    EXPECT_EQ(DWORD(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
}

TEST_P(ResourceTest, LanguagePreferenceNeutralThenEnglishUnlessAsked)
{
    const WORD chinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
    EXPECT_EQ("neutral", Data(FindResourceW(module, MAKEINTRESOURCE(500), RT_RCDATA)));
    EXPECT_EQ("zh", Data(FindResourceExW(module, RT_RCDATA, MAKEINTRESOURCE(500), chinese)));
    EXPECT_EQ("neutral", Data(FindResourceExW(module, RT_RCDATA, MAKEINTRESOURCE(500), 0x0407)));

    HRSRC english = FindResourceW(module, MAKEINTRESOURCE(1), RT_STRING);
    HRSRC zh = FindResourceExW(module, RT_STRING, MAKEINTRESOURCE(1), chinese);
    ASSERT_NE(nullptr, zh);
    EXPECT_NE(english, zh);
    EXPECT_EQ(english, FindResourceExW(module, RT_STRING, MAKEINTRESOURCE(1), MAKELANGID(LANG_ENGLISH, 2)));
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(nullptr, FindResourceExW(module, RT_STRING, MAKEINTRESOURCE(1), 0x0407));
    EXPECT_EQ(DWORD(ERROR_RESOURCE_LANG_NOT_FOUND), GetLastError());
}

TEST_P(ResourceTest, HandleFromAnotherModuleIsRefused)
{
    ASSERT_TRUE(WceSetModuleResourceImage(nullptr, bytes.data(), DWORD(bytes.size())));
    HRSRC dialog = FindResourceW(module, MAKEINTRESOURCE(102), RT_DIALOG);
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(nullptr, LoadResource(GetModuleHandleW(nullptr), dialog));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_EQ(0u, SizeofResource(nullptr, dialog));
}

TEST_P(ResourceTest, ProgramModuleReadsItsAttachedImage)
{
    HMODULE program = GetModuleHandleW(nullptr);
    ASSERT_NE(nullptr, program);
    ASSERT_TRUE(WceSetModuleResourceImage(program, bytes.data(), DWORD(bytes.size())));
    WCHAR buffer[16];
    EXPECT_EQ(5, LoadStringW(nullptr, 1, buffer, 16));
    HRSRC dialog = FindResourceW(nullptr, MAKEINTRESOURCE(102), RT_DIALOG);
    ASSERT_NE(nullptr, dialog);
    EXPECT_NE(nullptr, LoadResource(program, dialog));

    // A bad image is refused and the attached one stays.
    const uint8_t junk[64] = { 'M', 'Z' };
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(WceSetModuleResourceImage(program, junk, sizeof junk));
    EXPECT_EQ(DWORD(ERROR_BAD_EXE_FORMAT), GetLastError());
    EXPECT_EQ(5, LoadStringW(program, 1, buffer, 16));
    EXPECT_TRUE(FreeLibrary(program));                   // the program is never unloaded
    EXPECT_EQ(5, LoadStringW(program, 1, buffer, 16));
}

TEST_P(ResourceTest, ProgramFileNameIsMadeFromTheHostPathOutsideTheRoot)
{
    WCHAR buffer[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    ASSERT_GT(length, 0u);
    std::u16string path(buffer, length);
    EXPECT_EQ(u'\\', path[0]);
    EXPECT_EQ(std::u16string::npos, path.find(u'/'));
    EXPECT_EQ(u"\\KernelTests", path.substr(path.rfind(u'\\')));
}

INSTANTIATE_TEST_SUITE_P(Machines, ResourceTest, ::testing::Values("x64", "x86"));

}  // namespace
