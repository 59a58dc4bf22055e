// ImageLoader over PE32 and PE32+ images built byte by byte: layout, relocation, binding, exports,
// and damaged fields that must neither crash nor reach outside the file or the image.
#include <gtest/gtest.h>

#include <cstring>

#include "ImageLoader.h"
#include "MemoryFileSystem.h"
#include "PeBuilder.h"
#include "TrackedAllocator.h"

namespace {

constexpr const char* PATH = "\\Lib\\Verdane.dll";

class ImageLoaderTest : public ::testing::TestWithParam<bool> {
protected:
    bool Plus() const { return GetParam(); }
    PeBuilder NewImage() const { return PeBuilder(Plus()); }

    int32_t Load(const Bytes& bytes)
    {
        file = bytes;
        files = std::make_unique<MemoryFileSystem>(PATH, file.data(), file.size());
        loader = std::make_unique<ImageLoader>(&allocator, files.get());
        return loader->Load(PATH);
    }
    uint8_t* Image() const { return loader->GetImage(); }
    uint16_t MappedU16(uint32_t rva) const { uint16_t v; std::memcpy(&v, Image() + rva, 2); return v; }
    uint32_t MappedU32(uint32_t rva) const { uint32_t v; std::memcpy(&v, Image() + rva, 4); return v; }
    uint64_t MappedU64(uint32_t rva) const { uint64_t v; std::memcpy(&v, Image() + rva, 8); return v; }
    uint64_t Delta(uint64_t base) const { return reinterpret_cast<uintptr_t>(Image()) - base; }

    orv::TrackedAllocator allocator;
    Bytes file;
    std::unique_ptr<MemoryFileSystem> files;
    std::unique_ptr<ImageLoader> loader;
};

INSTANTIATE_TEST_SUITE_P(Formats, ImageLoaderTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Pe32Plus" : "Pe32"; });

TEST_P(ImageLoaderTest, SectionsLandAtTheirAddressesAndUninitialisedDataIsZero)
{
    PeBuilder pe = NewImage();
    pe.AddSection(0x1000, U32Le(0xA1B2C3D4)).AddSection(0x2000, {}, 0x100).AddSection(0x3000, U32Le(0x55667788));
    ASSERT_EQ(1, Load(pe.Build()));
    EXPECT_EQ(0xA1B2C3D4u, MappedU32(0x1000));
    EXPECT_EQ(0u, MappedU32(0x2000));
    EXPECT_EQ(0x55667788u, MappedU32(0x3000));
    EXPECT_EQ('M', Image()[0]);   // the headers are mapped too
    EXPECT_EQ(uintptr_t(0), reinterpret_cast<uintptr_t>(Image()) % 4096);
}

TEST_P(ImageLoaderTest, WithoutRelocationDirectoryTheImageIsLeftAsLaidOut)
{
    PeBuilder pe = NewImage();
    pe.SetImageBase(0x10000).AddSection(0x1000, U32Le(0x11000));
    ASSERT_EQ(1, Load(pe.Build()));
    EXPECT_EQ(0x11000u, MappedU32(0x1000));
}

TEST_P(ImageLoaderTest, HighLowAddsTheLowerHalfOfTheDelta)
{
    PeBuilder pe = NewImage();
    pe.SetImageBase(0x10000).AddSection(0x1000, U32Le(0x11000));
    pe.AddRelocBlock(0x1000, { HighLow(0), 0 /* padding */ });
    ASSERT_EQ(1, Load(pe.Build()));
    EXPECT_EQ(uint32_t(0x11000 + Delta(0x10000)), MappedU32(0x1000));
}

TEST_P(ImageLoaderTest, HighAddsOnlyTheUpperHalfWithoutRoundingAndLowOnlyTheLowerHalf)
{
    PeBuilder pe = NewImage();
    Bytes data = U16Le(0x1234);
    Bytes low = U16Le(0xFFFF);
    data.insert(data.end(), low.begin(), low.end());
    pe.SetImageBase(0x10000).AddSection(0x1000, data);
    pe.AddRelocBlock(0x1000, { High(0), Low(2) });
    ASSERT_EQ(1, Load(pe.Build()));
    uint32_t delta = uint32_t(Delta(0x10000));
    EXPECT_EQ(uint16_t(0x1234 + (delta >> 16)), MappedU16(0x1000));
    EXPECT_EQ(uint16_t(0xFFFF + delta), MappedU16(0x1002));
}

TEST_P(ImageLoaderTest, ZeroSizedBlockEndsTheWalk)
{
    PeBuilder pe = NewImage();
    pe.SetImageBase(0x10000).AddSection(0x1000, U32Le(0x11000));
    pe.AddRelocBlock(0x1000, {}, 0).AddRelocBlock(0x1000, { HighLow(0) });
    ASSERT_EQ(1, Load(pe.Build()));
    EXPECT_EQ(0x11000u, MappedU32(0x1000));
}

TEST_P(ImageLoaderTest, BlockBeyondTheImageIsSkippedAndTheNextOneApplied)
{
    PeBuilder pe = NewImage();
    pe.SetImageBase(0x10000).AddSection(0x1000, U32Le(0x11000));
    pe.AddRelocBlock(0x80000, { HighLow(0) }).AddRelocBlock(0x1000, { HighLow(0) });
    ASSERT_EQ(1, Load(pe.Build()));
    EXPECT_EQ(uint32_t(0x11000 + Delta(0x10000)), MappedU32(0x1000));
}

TEST_P(ImageLoaderTest, TargetsReachingPastTheImageAreSkippedAndTheWalkGoesOn)
{
    PeBuilder pe = NewImage();
    pe.SetImageBase(0x10000).AddSection(0x1000, U32Le(0x11000));
    // The generated tables take the image's last page, 0x2000: these targets cross its end.
    pe.AddRelocBlock(0x2000, { HighLow(0xFFE), Dir64(0xFFC), Low(0xFFF) }).AddRelocBlock(0x1000, { HighLow(0) });
    ASSERT_EQ(1, Load(pe.Build()));
    ASSERT_EQ(0x3000u, pe.SizeOfImage());
    EXPECT_EQ(uint32_t(0x11000 + Delta(0x10000)), MappedU32(0x1000));
}

TEST(ImageLoaderPlusTest, Dir64AddsTheWholeDelta)
{
    PeBuilder pe(true);
    pe.SetImageBase(0x180000000ull).AddSection(0x1000, U64Le(0x180001000ull));
    pe.AddRelocBlock(0x1000, { Dir64(0) });
    Bytes bytes = pe.Build();
    MemoryFileSystem files(PATH, bytes.data(), bytes.size());
    orv::TrackedAllocator allocator;
    ImageLoader loader(&allocator, &files);
    ASSERT_EQ(1, loader.Load(PATH));
    uint64_t value = 0;
    std::memcpy(&value, loader.GetImage() + 0x1000, 8);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(loader.GetImage()) + 0x1000, value);
}

TEST_P(ImageLoaderTest, ModuleNameMatchesInAnyCaseButImportNamesMatchExactly)
{
    PeBuilder pe = NewImage();
    pe.AddSection(0x1000, U32Le(0)).AddImport("Verlink.dll", { ByOrdinal(10), ByName("OpenThing") });
    ASSERT_EQ(1, Load(pe.Build()));
    int marker = 0;
    EXPECT_EQ(1, loader->BindImport("VERLINK.DLL", ImageOrdinal(10), &marker));
    EXPECT_EQ(0, loader->BindImport("Verlink.dll", "openthing", &marker));
    EXPECT_EQ(1, loader->BindImport("verlink.dll", "OpenThing", &marker));
    EXPECT_EQ(0, loader->BindImport("Other.dll", ImageOrdinal(10), &marker));
    EXPECT_EQ(0, loader->BindImport("Verlink.dll", ImageOrdinal(11), &marker));
    uint64_t expected = reinterpret_cast<uintptr_t>(&marker);
    if (Plus()) {
        EXPECT_EQ(expected, MappedU64(pe.ImportAddressRva(0, 0)));
        EXPECT_EQ(expected, MappedU64(pe.ImportAddressRva(0, 1)));
    } else {
        EXPECT_EQ(uint32_t(expected), MappedU32(pe.ImportAddressRva(0, 0)));
    }
}

TEST_P(ImageLoaderTest, AnOrdinalImportedTwiceBindsOnlyTheFirstEntry)
{
    PeBuilder pe = NewImage();
    pe.AddSection(0x1000, U32Le(0)).AddImport("Verlink.dll", { ByOrdinal(12), ByOrdinal(12) });
    ASSERT_EQ(1, Load(pe.Build()));
    uint32_t secondBefore = MappedU32(pe.ImportAddressRva(0, 1));
    int marker = 0;
    EXPECT_EQ(1, loader->BindImport("Verlink.dll", ImageOrdinal(12), &marker));
    EXPECT_EQ(uint32_t(reinterpret_cast<uintptr_t>(&marker)), MappedU32(pe.ImportAddressRva(0, 0)));
    EXPECT_EQ(secondBefore, MappedU32(pe.ImportAddressRva(0, 1)));
}

TEST_P(ImageLoaderTest, ExportsByOrdinalHonourTheBase)
{
    std::vector<uint32_t> functions(25, 0);
    functions[19] = 0x1010;
    functions[0] = 0x1000;
    PeBuilder pe = NewImage();
    pe.AddSection(0x1000, Bytes(0x20, 0x90)).SetExports(1, functions, {});
    ASSERT_EQ(1, Load(pe.Build()));
    EXPECT_EQ(Image() + 0x1010, loader->GetExport(ImageOrdinal(20)));
    EXPECT_EQ(Image() + 0x1000, loader->GetExport(ImageOrdinal(1)));
    EXPECT_EQ(nullptr, loader->GetExport(ImageOrdinal(0)));    // below Base
    EXPECT_EQ(nullptr, loader->GetExport(ImageOrdinal(26)));   // Base + NumberOfFunctions
    EXPECT_EQ(nullptr, loader->GetExport(ImageOrdinal(2)));    // an empty slot
}

TEST_P(ImageLoaderTest, ExportsByNameSkipEmptySlotsAndShareAFunction)
{
    PeBuilder pe = NewImage();
    pe.AddSection(0x1000, Bytes(0x20, 0x90));
    pe.SetExports(1, { 0, 0x1004, 0x1008 }, { { "Empty", 0 }, { "Scan", 1 }, { "Alias", 1 }, { "Last", 2 }, { "Bad", 7 } });
    ASSERT_EQ(1, Load(pe.Build()));
    EXPECT_EQ(nullptr, loader->GetExport("Empty"));
    EXPECT_EQ(Image() + 0x1004, loader->GetExport("Scan"));
    EXPECT_EQ(Image() + 0x1004, loader->GetExport("Alias"));
    EXPECT_EQ(Image() + 0x1008, loader->GetExport("Last"));
    EXPECT_EQ(nullptr, loader->GetExport("scan"));
    EXPECT_EQ(nullptr, loader->GetExport("Bad"));
    EXPECT_EQ(nullptr, loader->GetExport("Missing"));
}

TEST_P(ImageLoaderTest, MissingFileAllocatesNothingAndTheImageLivesInPagesOfItsOwn)
{
    PeBuilder pe = NewImage();
    pe.AddSection(0x1000, U32Le(1));
    Bytes bytes = pe.Build();
    MemoryFileSystem files(PATH, bytes.data(), bytes.size());
    ImageLoader other(&allocator, &files);
    EXPECT_EQ(0, other.Load("\\Lib\\Other.dll"));
    EXPECT_EQ(0, allocator.LiveCount());
    ASSERT_EQ(1, other.Load(PATH));
    EXPECT_EQ(0, allocator.LiveCount());    // the raw contents went back; the image is not heap
    EXPECT_EQ(1, files.released);           // and the file was closed
    other.Unload();
    EXPECT_EQ(nullptr, other.GetImage());
    EXPECT_EQ(nullptr, other.GetExport(ImageOrdinal(20)));
}

// One damaged field per case: each load either fails cleanly or maps what lies in bounds.
TEST_P(ImageLoaderTest, DamagedHeadersAreRefusedOrBounded)
{
    struct Damage {
        const char* what;
        size_t offset;
        uint32_t value;
        int32_t loads;
    };
    PeBuilder pe = NewImage();
    pe.AddSection(0x1000, U32Le(0x11000)).AddImport("Verlink.dll", { ByOrdinal(10) });
    pe.SetExports(1, { 0x1000 }, { { "Name", 0 } }).AddRelocBlock(0x1000, { HighLow(0) });
    Bytes good = pe.Build();
    uint32_t nt = PeBuilder::NT_OFFSET;
    const Damage damages[] = {
        { "e_lfanew past the file", 0x3C, 0x7FFFFFF0, 0 },
        { "SizeOfImage zero", nt + 0x50, 0, 0 },
        { "SizeOfImage huge", nt + 0x50, 0xFFFFF000, 0 },
        // More sections than the platform's own loader takes.
        { "section count huge", nt + 0x06, 0xFFFF, 0 },
        { "section raw pointer past the file", uint32_t(pe.SectionHeaderOffset(0) + 0x14), 0x7FFFFFF0, 1 },
        // The code then spans the writable tables: refused where it would be run.
        { "section raw size past the file", uint32_t(pe.SectionHeaderOffset(0) + 0x10), 0xFFFFFFF0, Plus() ? 0 : 1 },
        // The exported function is no longer inside any code.
        { "section address past the image", uint32_t(pe.SectionHeaderOffset(0) + 0x0C), 0xFFFFFFF0, 0 },
        { "relocation table past the image", pe.DataDirectoryOffset(5), 0xFFFFFF00, 1 },
        { "relocation size huge", pe.DataDirectoryOffset(5) + 4, 0xFFFFFFFF, 1 },
        { "import table past the image", pe.DataDirectoryOffset(1), 0xFFFFFFF0, 1 },
        { "export table past the image", pe.DataDirectoryOffset(0), 0xFFFFFFF0, 1 },
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        Bytes bad = good;
        PutU32(bad, damage.offset, damage.value);
        EXPECT_EQ(damage.loads, Load(bad));
        int marker = 0;
        loader->BindImport("Verlink.dll", ImageOrdinal(10), &marker);
        loader->GetExport(ImageOrdinal(1));
        loader->GetExport("Name");
        loader->CallEntry(1);
        loader->Unload();
        EXPECT_EQ(0, allocator.LiveCount());
    }
}

TEST_P(ImageLoaderTest, DamagedExportAndImportTablesGiveNothing)
{
    PeBuilder pe = NewImage();
    pe.AddSection(0x1000, U32Le(0)).AddImport("Verlink.dll", { ByOrdinal(10) });
    pe.SetExports(1, { 0x1000 }, { { "Name", 0 } });
    Bytes good = pe.Build();
    uint32_t exportFile = 0;   // file offset of the export directory: generated section is the last
    // The generated section's raw data starts where its header says.
    uint32_t linksHeader = pe.SectionHeaderOffset(1);
    uint32_t linksRva = GetU32(good, linksHeader + 0x0C);
    uint32_t linksRaw = GetU32(good, linksHeader + 0x14);
    exportFile = pe.ExportDirectoryRva() - linksRva + linksRaw;
    uint32_t importFile = pe.ImportDirectoryRva() - linksRva + linksRaw;
    // Counts that overrun the image still find what lies inside it; tables that start outside find nothing.
    struct Damage {
        const char* what;
        size_t offset;
        uint32_t value;
        bool binds;
        bool exports;
    } damages[] = {
        { "function table past the image", exportFile + 0x1C, 0xFFFFFFFC, true, false },
        { "name count huge", exportFile + 0x18, 0xFFFFFFFF, true, true },
        { "names past the image", exportFile + 0x20, 0xFFFFFFF0, true, false },
        { "name ordinals past the image", exportFile + 0x24, 0xFFFFFFF0, true, false },
        { "module name past the image", importFile + 0x0C, 0xFFFFFFF0, false, true },
        { "lookup table past the image", importFile + 0x00, 0xFFFFFFF0, false, true },
        { "address table past the image", importFile + 0x10, 0xFFFFFFF0, false, true },
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        Bytes bad = good;
        PutU32(bad, damage.offset, damage.value);
        ASSERT_EQ(1, Load(bad));
        int marker = 0;
        EXPECT_EQ(damage.binds ? 1 : 0, loader->BindImport("Verlink.dll", ImageOrdinal(10), &marker));
        EXPECT_EQ(damage.exports, loader->GetExport("Name") != nullptr);
        EXPECT_EQ(nullptr, loader->GetExport("Missing"));
    }
}

// mov [rcx + 0x2000], edx ; ret -- stores the reason in the data section after the code.
Bytes StoreReasonCode()
{
    return { 0x89, 0x91, 0x00, 0x20, 0x00, 0x00, 0xC3 };
}

TEST(ImageLoaderEntryTest, OnlyAnImageForThisProcessorIsEntered)
{
    for (uint16_t machine : { uint16_t(0x8664), uint16_t(0x1C0), uint16_t(0x14C) }) {
        SCOPED_TRACE(machine);
        PeBuilder pe(true);
        pe.SetMachine(machine).AddSection(0x1000, StoreReasonCode()).SetEntryPoint(0x1000);
        pe.AddSection(0x2000, {}, 0x200, PeBuilder::SECTION_DATA);
        Bytes bytes = pe.Build();
        MemoryFileSystem files(PATH, bytes.data(), bytes.size());
        orv::TrackedAllocator allocator;
        ImageLoader loader(&allocator, &files);
        ASSERT_EQ(1, loader.Load(PATH));
        loader.CallEntry(1);
        uint32_t stored = 0;
        std::memcpy(&stored, loader.GetImage() + 0x2000, 4);
        EXPECT_EQ(machine == 0x8664 ? 1u : 0u, stored);
        EXPECT_EQ(machine == 0x8664, loader.IsRunnable());
    }
}

TEST(ImageLoaderEntryTest, APe32ImageIsNeverEntered)
{
    PeBuilder pe(false);
    pe.SetMachine(0x8664).AddSection(0x1000, StoreReasonCode()).SetEntryPoint(0x1000);
    pe.AddSection(0x2000, {}, 0x200, PeBuilder::SECTION_DATA);
    Bytes bytes = pe.Build();
    MemoryFileSystem files(PATH, bytes.data(), bytes.size());
    orv::TrackedAllocator allocator;
    ImageLoader loader(&allocator, &files);
    ASSERT_EQ(1, loader.Load(PATH));
    loader.CallEntry(1);
    EXPECT_FALSE(loader.IsRunnable());
    EXPECT_EQ(0, loader.GetImage()[0x2000]);
}

}  // namespace
