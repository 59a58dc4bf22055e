// Damaged copies of the test resource library: each must fail to load or fail the look-up with a
// clear result, never read outside the file or loop.
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>

#include <windows.h>

#include "ResourceDll.h"

namespace {

using Mutation = std::function<void(std::vector<uint8_t>&, const resdll::Layout&)>;

struct Damage {
    const char* name;
    Mutation mutate;
    DWORD loadError;        // 0: the file loads, and the look-ups below fail instead
};

const Damage DAMAGES[] = {
    { "file cut inside the resource section",
      [](auto& b, auto& l) { b.resize(l.resourceFile + 20); }, ERROR_BAD_EXE_FORMAT },
    { "PE header offset past the end",
      [](auto& b, auto&) { resdll::PutU32(b, 0x3C, 0xFFFFFFF0u); }, ERROR_BAD_EXE_FORMAT },
    { "image size of 4 GiB",
      [](auto& b, auto& l) { resdll::PutU32(b, l.sizeOfImageField, 0xFFFFF000u); }, ERROR_BAD_EXE_FORMAT },
    { "root directory claims 65535 entries",
      [](auto& b, auto& l) { resdll::PutU16(b, l.resourceFile + 14, 0xFFFF); }, 0 },
    { "every type points past the end",
      [](auto& b, auto& l) {
          for (size_t i = 0; i < b[l.resourceFile + 12] + b[l.resourceFile + 14]; ++i)
              resdll::PutU32(b, l.resourceFile + 20 + i * 8, 0x8FFFFFF0u);
      }, 0 },
    { "every type points back at the root",
      [](auto& b, auto& l) {
          for (size_t i = 0; i < b[l.resourceFile + 12] + b[l.resourceFile + 14]; ++i)
              resdll::PutU32(b, l.resourceFile + 20 + i * 8, 0x80000000u);
      }, 0 },
    { "every data entry runs past the image",
      [](auto& b, auto& l) {
          for (size_t entry : l.dataEntries)
              resdll::PutU32(b, entry + 4, 0x7FFFFFFFu);
      }, 0 },
    { "every data entry starts past the image",
      [](auto& b, auto& l) {
          for (size_t entry : l.dataEntries)
              resdll::PutU32(b, entry, 0xFFFFFFF0u);
      }, 0 },
};

class ResourceDamageTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        bytes = resdll::Read(GetParam());
        if (bytes.empty())
            GTEST_SKIP() << "the test resource library was not built";
        layout = resdll::Parse(bytes);
        ASSERT_NE(0u, layout.resourceFile);
        ASSERT_NE(0u, layout.englishStrings);
    }

    // Loads the damaged copy by device path; null when the load failed.
    HMODULE LoadCopy(const std::vector<uint8_t>& damaged)
    {
        EXPECT_TRUE(resdll::WriteFile(root.Host() + "/Windows/Damaged.dll", damaged));
        return LoadLibraryW(u"\\Windows\\Damaged.dll");
    }

    resdll::DeviceRoot root;
    std::vector<uint8_t> bytes;
    resdll::Layout layout;
};

TEST_P(ResourceDamageTest, DamagedCopiesFailCleanly)
{
    for (const Damage& damage : DAMAGES) {
        SCOPED_TRACE(damage.name);
        std::vector<uint8_t> damaged = bytes;
        damage.mutate(damaged, layout);
        SetLastError(0xDEADBEEF);
        HMODULE module = LoadCopy(damaged);
        if (damage.loadError != 0) {
            EXPECT_EQ(nullptr, module);
            EXPECT_EQ(damage.loadError, GetLastError());
            continue;
        }
        ASSERT_NE(nullptr, module);
        WCHAR buffer[16] = { 0xCCCC };
        EXPECT_EQ(0, LoadStringW(module, 1, buffer, 16));
        EXPECT_EQ(WCHAR(0xCCCC), buffer[0]);   // nothing found, nothing written
        EXPECT_EQ(nullptr, FindResourceW(module, MAKEINTRESOURCE(102), RT_DIALOG));
        EXPECT_EQ(nullptr, FindResourceW(module, MAKEINTRESOURCE(110), RT_BITMAP));
        EXPECT_EQ(nullptr, FindResourceW(module, u"CONFIG", u"MYDATA"));
        EXPECT_TRUE(FreeLibrary(module));
    }
}

TEST_P(ResourceDamageTest, StringRunningPastItsBlockIsNotRead)
{
    resdll::PutU16(bytes, layout.englishStrings, 0x7FFF);   // string 0 claims 32767 characters
    HMODULE module = LoadCopy(bytes);
    ASSERT_NE(nullptr, module);
    WCHAR buffer[16];
    EXPECT_EQ(0, LoadStringW(module, 0, buffer, 16));
    EXPECT_EQ(0, LoadStringW(module, 1, buffer, 16));       // the walk to string 1 fails as well
    EXPECT_EQ(15, LoadStringW(module, 16, buffer, 16));     // another block is untouched (and cut to fit)
    FreeLibrary(module);
}

// Every byte of the resource tree and its data, flipped one at a time, through the same mapping:
// whatever the look-ups answer, they stay inside the image (the sanitizer builds check that).
TEST_P(ResourceDamageTest, SingleByteFlipsInTheResourceSectionAreSurvived)
{
    HMODULE program = GetModuleHandleW(nullptr);
    for (size_t offset = layout.resourceFile; offset < bytes.size(); ++offset) {
        std::vector<uint8_t> damaged = bytes;
        damaged[offset] ^= 0xFF;
        if (!WceSetModuleResourceImage(program, damaged.data(), DWORD(damaged.size())))
            continue;
        WCHAR buffer[64];
        for (UINT id : { 1u, 15u, 16u, 10000u, 40092u })
            LoadStringW(program, id, buffer, 64);
        const std::pair<WORD, LPCWSTR> lookups[] = { { 102, RT_DIALOG }, { 110, RT_BITMAP }, { 300, RT_MENU } };
        for (const auto& [id, type] : lookups) {
            HRSRC found = FindResourceW(program, MAKEINTRESOURCE(id), type);
            const uint8_t* data = static_cast<const uint8_t*>(LockResource(LoadResource(program, found)));
            DWORD size = SizeofResource(program, found);
            unsigned sum = 0;
            for (DWORD i = 0; data && i < size; ++i)
                sum += data[i];
            (void)sum;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Machines, ResourceDamageTest, ::testing::Values("x64", "x86"));

}  // namespace
