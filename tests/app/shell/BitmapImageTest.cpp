// BitmapImage: building DIB sections and palettes from bitmap data, and refusing damaged data.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "BitmapImage.h"
#include "common/ByteReader.h"

namespace {

void PutU32(std::vector<uint8_t>& out, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = uint8_t(value >> (8 * i));
}

// A bitmap resource: 40-byte header, colour table, bottom-up rows.
std::vector<uint8_t> Dib(int width, int height, uint16_t bits, uint32_t usedColours, uint32_t tableEntries)
{
    const uint32_t stride = ((bits * uint32_t(width) + 31) / 32) * 4;
    std::vector<uint8_t> dib(40 + tableEntries * 4 + stride * uint32_t(height), 0);
    PutU32(dib, 0, 40);
    PutU32(dib, 4, uint32_t(width));
    PutU32(dib, 8, uint32_t(height));
    dib[12] = 1;
    dib[14] = uint8_t(bits);
    PutU32(dib, 32, usedColours);
    for (uint32_t i = 0; i < tableEntries; ++i)
        dib[40 + i * 4 + 2] = uint8_t(i);   // red = index
    return dib;
}

UINT PaletteSize(HPALETTE palette)
{
    return palette ? GetPaletteEntries(palette, 0, 0, nullptr) : 0;
}

class BitmapImageTest : public ::testing::Test {
protected:
    void TearDown() override { image.Release(); }
    BitmapImage image;
};

TEST_F(BitmapImageTest, EightBitWithoutUsedColoursGetsFullPalette)
{
    std::vector<uint8_t> dib = Dib(4, 2, 8, 0, 256);
    HBITMAP bitmap = image.CreateFromDib(dib.data(), uint32_t(dib.size()), false);
    ASSERT_NE(nullptr, bitmap);
    image.bitmap = bitmap;
    EXPECT_EQ(256u, PaletteSize(image.palette));
    EXPECT_EQ(4, image.GetWidth(nullptr));
    EXPECT_EQ(2, image.GetHeight(nullptr));
}

TEST_F(BitmapImageTest, UsedColoursSetsPaletteSize)
{
    std::vector<uint8_t> dib = Dib(4, 2, 8, 16, 16);
    image.bitmap = image.CreateFromDib(dib.data(), uint32_t(dib.size()), false);
    ASSERT_NE(nullptr, image.bitmap);
    EXPECT_EQ(16u, PaletteSize(image.palette));
}

TEST_F(BitmapImageTest, TwentyFourBitHasNoPalette)
{
    std::vector<uint8_t> dib = Dib(3, 3, 24, 0, 0);
    image.bitmap = image.CreateFromDib(dib.data(), uint32_t(dib.size()), false);
    EXPECT_NE(nullptr, image.bitmap);
    EXPECT_EQ(nullptr, image.palette);
}

TEST_F(BitmapImageTest, DamagedHeadersAreRefused)
{
    struct Row {
        const char* name;
        std::vector<uint8_t> dib;
    };
    std::vector<Row> rows;
    rows.push_back({ "core header", Dib(4, 2, 8, 0, 256) });
    PutU32(rows.back().dib, 0, 12);
    rows.push_back({ "bit count 7", Dib(4, 2, 8, 0, 256) });
    rows.back().dib[14] = 7;
    rows.push_back({ "image size past the data", Dib(4, 2, 8, 0, 256) });
    PutU32(rows.back().dib, 20, 0x7FFFFFFF);
    rows.push_back({ "colour table past the data", Dib(4, 2, 8, 0, 256) });
    PutU32(rows.back().dib, 32, 100000);
    rows.push_back({ "negative height", Dib(4, 2, 8, 0, 256) });
    PutU32(rows.back().dib, 8, uint32_t(-2));
    rows.push_back({ "truncated header", Dib(4, 2, 8, 0, 256) });
    rows.back().dib.resize(20);
    rows.push_back({ "image size short of the rows", Dib(4, 2, 8, 0, 256) });
    PutU32(rows.back().dib, 20, 7);
    rows.push_back({ "more colours than eight bits index", Dib(4, 2, 8, 300, 300) });
    rows.push_back({ "run-length compressed", Dib(4, 2, 8, 0, 256) });
    PutU32(rows.back().dib, 16, 1);
    rows.push_back({ "bit fields on eight bits", Dib(4, 2, 8, 0, 256) });
    PutU32(rows.back().dib, 16, 3);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        BitmapImage empty;
        EXPECT_EQ(nullptr, empty.CreateFromDib(row.dib.data(), uint32_t(row.dib.size()), false));
        EXPECT_EQ(nullptr, empty.palette);
    }
}

// The colour at (0, 0) of the picture once drawn into a 32-bit canvas.
COLORREF DrawnColour(BitmapImage& image)
{
    BITMAPINFO info {};
    info.bmiHeader = { sizeof(BITMAPINFOHEADER), 2, 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
    void* bits = nullptr;
    HDC canvasDc = CreateCompatibleDC(nullptr);
    HBITMAP canvas = CreateDIBSection(canvasDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(canvasDc, canvas);
    RECT all { 0, 0, 2, 2 };
    image.Draw(canvasDc, &all);
    COLORREF colour = GetPixel(canvasDc, 0, 0);
    SelectObject(canvasDc, old);
    DeleteObject(canvas);
    DeleteDC(canvasDc);
    return colour;
}

// The header's image size may exceed what the rows need (padding): only the rows are copied into
// the section's memory, from where the resource's pixels begin.
TEST_F(BitmapImageTest, AnImageSizeBeyondTheRowsCopiesOnlyTheRows)
{
    std::vector<uint8_t> dib = Dib(1, 1, 8, 2, 2);
    dib[40 + 4 + 2] = 0xFF;                 // colour 1 is red
    dib.resize(40 + 2 * 4);
    dib.push_back(1);                       // the row: colour 1, then its padding
    dib.resize(dib.size() + 4095, 0xAB);    // padding the header's image size counts
    PutU32(dib, 20, 4096);
    image.bitmap = image.CreateFromDib(dib.data(), uint32_t(dib.size()), false);
    ASSERT_NE(nullptr, image.bitmap);
    image.width = image.height = 1;
    EXPECT_EQ(RGB(0xFF, 0, 0), DrawnColour(image));
}

// A 16-bit picture with bit-field masks: the masks behind the header go into the section too.
TEST_F(BitmapImageTest, BitFieldMasksAreCopiedWithTheHeader)
{
    std::vector<uint8_t> dib(40 + 12 + 4, 0);
    PutU32(dib, 0, 40);
    PutU32(dib, 4, 1);
    PutU32(dib, 8, 1);
    dib[12] = 1;
    dib[14] = 16;
    PutU32(dib, 16, 3);
    PutU32(dib, 40, 0x001F);   // "red" mask on the low bits: only a copied mask says so
    PutU32(dib, 44, 0x07E0);
    PutU32(dib, 48, 0xF800);
    dib[52] = 0x1F;            // the pixel: all of the first mask
    image.bitmap = image.CreateFromDib(dib.data(), uint32_t(dib.size()), false);
    ASSERT_NE(nullptr, image.bitmap);
    image.width = image.height = 1;
    EXPECT_EQ(RGB(0xFF, 0, 0), DrawnColour(image));
}

TEST_F(BitmapImageTest, FileFormNeedsMagicAndTakesPixelsAtItsOffset)
{
    std::vector<uint8_t> dib = Dib(2, 2, 8, 0, 256);
    std::vector<uint8_t> file(14, 0);
    file[0] = 'B';
    file[1] = 'M';
    file.insert(file.end(), dib.begin(), dib.end());
    PutU32(file, 10, uint32_t(14 + 40 + 256 * 4));
    image.bitmap = image.CreateFromDib(file.data(), uint32_t(file.size()), true);
    EXPECT_NE(nullptr, image.bitmap);
    file[0] = 'X';
    BitmapImage other;
    EXPECT_EQ(nullptr, other.CreateFromDib(file.data(), uint32_t(file.size()), true));
    PutU32(file, 10, 0xFFFFFFF0);
    file[0] = 'B';
    EXPECT_EQ(nullptr, other.CreateFromDib(file.data(), uint32_t(file.size()), true));
}

TEST_F(BitmapImageTest, ColourCountOfCoreHeaderReadsItsBitCount)
{
    uint8_t core[12] = { 12, 0, 0, 0, 4, 0, 4, 0, 1, 0, 4, 0 };
    EXPECT_EQ(16u, ColorCount(ByteReader(core, sizeof core)));
    core[10] = 24;
    EXPECT_EQ(0u, ColorCount(ByteReader(core, sizeof core)));
}

TEST_F(BitmapImageTest, ReleaseEmptiesTheObject)
{
    std::vector<uint8_t> dib = Dib(4, 2, 8, 0, 256);
    image.bitmap = image.CreateFromDib(dib.data(), uint32_t(dib.size()), false);
    EXPECT_EQ(1, image.Release());
    EXPECT_EQ(nullptr, image.bitmap);
    EXPECT_EQ(nullptr, image.palette);
    EXPECT_EQ(0, image.width);
}

} // namespace
