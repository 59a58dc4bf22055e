// ImageLoader page protections, read back from /proc/self/maps: each section gets what its
// characteristics ask for, nothing is ever writable and executable, and images that would need
// such a page, or keep code outside their code, are refused.
#include <gtest/gtest.h>

#include "ImageLoader.h"
#include "MemoryFileSystem.h"
#include "PeBuilder.h"
#include "ProcessMaps.h"
#include "TrackedAllocator.h"

namespace {

constexpr const char* PATH = "\\Lib\\Verdane.dll";

class ImageProtectionTest : public ::testing::Test {
protected:
    int32_t Load(const Bytes& bytes)
    {
        file = bytes;
        loader.reset();
        files = std::make_unique<MemoryFileSystem>(PATH, file.data(), file.size());
        loader = std::make_unique<ImageLoader>(&allocator, files.get());
        return loader->Load(PATH);
    }
    std::string At(uint32_t rva) const { return ProtectionAt(loader->GetImage() + rva); }
    bool AnyPageWritableAndExecutable() const
    {
        uintptr_t begin = reinterpret_cast<uintptr_t>(loader->GetImage());
        for (const MappedRange& range : WritableAndExecutable()) {
            if (range.begin < begin + loader->GetImageSize() && range.end > begin)
                return true;
        }
        return false;
    }
    static PeBuilder Sections(bool plus, uint16_t machine)
    {
        PeBuilder pe(plus);
        pe.SetMachine(machine).AddSection(0x1000, { 0xB8, 0x01, 0x00, 0x00, 0x00, 0xC3 }).SetEntryPoint(0x1000);
        pe.AddSection(0x2000, U32Le(7), 0, PeBuilder::SECTION_CONST);
        pe.AddSection(0x3000, U32Le(8), 0, PeBuilder::SECTION_DATA);
        pe.AddSection(0x4000, {}, 0x800, PeBuilder::SECTION_DATA);
        pe.AddImport("Verlink.dll", { ByOrdinal(10) }).SetExports(1, { 0x1000 }, {});
        return pe;
    }

    orv::TrackedAllocator allocator;
    Bytes file;
    std::unique_ptr<MemoryFileSystem> files;
    std::unique_ptr<ImageLoader> loader;
};

TEST_F(ImageProtectionTest, EachSectionGetsItsProtectionOnceSealedAndNoPageIsEverBoth)
{
    struct Row {
        const char* what;
        bool plus;
        uint16_t machine;
        const char* code;   // what the code section reads back as after Protect
    } rows[] = {
        { "an image for this processor", true, 0x8664, "r-x" },
        { "a PE32 image", false, 0x8664, "r--" },
        { "an image for another processor", true, 0x1C0, "r--" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_EQ(1, Load(Sections(row.plus, row.machine).Build()));
        EXPECT_EQ("rw-", At(0x1000));   // laid out, relocated and bound while writable
        EXPECT_FALSE(AnyPageWritableAndExecutable());
        int marker = 0;
        EXPECT_EQ(1, loader->BindImport("Verlink.dll", ImageOrdinal(10), &marker));
        ASSERT_EQ(1, loader->Protect());
        EXPECT_EQ("r--", At(0));        // headers
        EXPECT_EQ(row.code, At(0x1000));
        EXPECT_EQ("r--", At(0x2000));
        EXPECT_EQ("rw-", At(0x3000));
        EXPECT_EQ("rw-", At(0x4000));   // uninitialised data
        EXPECT_FALSE(AnyPageWritableAndExecutable());
        EXPECT_EQ(row.code[2] == 'x', loader->IsRunnable());
        // The import table may now be read-only: binding is over.
        EXPECT_EQ(0, loader->BindImport("Verlink.dll", ImageOrdinal(10), &marker));
        EXPECT_EQ(8u, loader->GetImage()[0x3000]);
    }
}

TEST_F(ImageProtectionTest, ImagesThatNeedWritableCodeOrRunDataAreRefused)
{
    const Bytes ret = { 0xC3 };
    struct Row {
        const char* what;
        PeBuilder pe;
        int32_t loads;
    } rows[] = {
        { "a section writable and executable", PeBuilder(true).AddSection(0x1000, ret, 0, PeBuilder::SECTION_WRITABLE_CODE), 0 },
        { "the entry point in data",
          PeBuilder(true).AddSection(0x1000, ret).AddSection(0x2000, ret, 0, PeBuilder::SECTION_DATA).SetEntryPoint(0x2000), 0 },
        { "an export in read-only data",
          PeBuilder(true).AddSection(0x1000, ret).AddSection(0x2000, ret, 0, PeBuilder::SECTION_CONST).SetExports(1, { 0x1000, 0x2000 }, {}), 0 },
        { "an export outside the image", PeBuilder(true).AddSection(0x1000, ret).SetExports(20, { 0x7FFFFFF0 }, {}), 0 },
        { "code and data on one page", PeBuilder(true).AddSection(0x1000, ret).AddSection(0x1800, ret, 0, PeBuilder::SECTION_DATA), 0 },
        { "code and data on one page, never run", PeBuilder(false).AddSection(0x1000, ret).AddSection(0x1800, ret, 0, PeBuilder::SECTION_DATA), 1 },
        { "no entry point and empty export slots",
          PeBuilder(true).AddSection(0x1000, ret).AddSection(0x2000, ret, 0, PeBuilder::SECTION_DATA).SetExports(1, { 0, 0x1000, 0 }, {}), 1 },
    };
    for (Row& row : rows) {
        SCOPED_TRACE(row.what);
        row.pe.SetMachine(0x8664);
        EXPECT_EQ(row.loads, Load(row.pe.Build()));
        EXPECT_EQ(row.loads == 1, loader->GetImage() != nullptr);
        if (row.loads == 1) {
            EXPECT_EQ(1, loader->Protect());
            EXPECT_FALSE(AnyPageWritableAndExecutable());
        }
    }
}

}  // namespace
