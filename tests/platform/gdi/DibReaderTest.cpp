// Packed DIBs from resources: what is accepted, and what damaged headers are refused.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "DibReader.h"

namespace {

std::vector<uint8_t> PackedDib(int width, int height, int bitCount, uint32_t used, size_t tableEntries)
{
    size_t stride = (size_t(width) * bitCount + 31) / 32 * 4;
    std::vector<uint8_t> data(40 + tableEntries * 4 + stride * size_t(height < 0 ? -height : height));
    BITMAPINFOHEADER header { 40, width, height, 1, WORD(bitCount), BI_RGB, 0, 0, 0, used, 0 };
    std::memcpy(data.data(), &header, 40);
    return data;
}

}  // namespace

TEST(DibReaderTest, EightBitDibWithFullTableAndUsedCount)
{
    auto full = PackedDib(3, 2, 8, 0, 256);
    full[40 + 4 * 7 + 2] = 0xAB;                          // red of entry 7
    full[40 + 256 * 4] = 7;                               // bottom-up: the first stored row is y = 1
    std::unique_ptr<gdi::BitmapObject> bitmap(gdi::BitmapFromDib(full.data(), full.size()));
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(256u, bitmap->colors.size());
    EXPECT_EQ(0xAB0000u, bitmap->Get(0, 1));
    auto sixteen = PackedDib(3, 2, 8, 16, 16);
    std::unique_ptr<gdi::BitmapObject> small(gdi::BitmapFromDib(sixteen.data(), sixteen.size()));
    ASSERT_TRUE(small);
    EXPECT_EQ(16u, small->colors.size());
}

TEST(DibReaderTest, DamagedHeadersAreRefused)
{
    struct Case { const char* name; std::vector<uint8_t> data; };
    auto truncated = PackedDib(4, 4, 8, 0, 256);
    truncated.pop_back();
    auto tooManyColours = PackedDib(4, 4, 4, 17, 17);
    auto badBits = PackedDib(4, 4, 7, 0, 0);
    auto zeroWidth = PackedDib(0, 4, 24, 0, 0);
    auto huge = PackedDib(1, 1, 24, 0, 0);
    int32_t side = 0x7FFFFFFF;
    std::memcpy(huge.data() + 4, &side, 4);
    auto rle = PackedDib(4, 4, 8, 0, 256);
    rle[16] = BI_RLE8;
    auto badHeader = PackedDib(4, 4, 24, 0, 0);
    badHeader[0] = 41 + 200;
    const Case cases[] = { { "truncated pixels", truncated }, { "colour count above bit depth", tooManyColours },
                           { "bit count 7", badBits }, { "zero width", zeroWidth }, { "huge width", huge },
                           { "RLE", rle }, { "header size", badHeader }, { "empty", {} } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gdi::DibLayout layout;
        EXPECT_FALSE(gdi::ReadDibLayout(c.data.data(), c.data.size(), layout));
        EXPECT_EQ(nullptr, gdi::BitmapFromDib(c.data.data(), c.data.size()));
    }
}

TEST(DibReaderTest, TopDownTwentyFourBitNeedsNoTable)
{
    auto data = PackedDib(1, -2, 24, 0, 0);
    data[40 + 2] = 0xFF;                                  // first stored row is y = 0 when top-down
    std::unique_ptr<gdi::BitmapObject> bitmap(gdi::BitmapFromDib(data.data(), data.size()));
    ASSERT_TRUE(bitmap);
    EXPECT_TRUE(bitmap->colors.empty());
    EXPECT_EQ(0xFF0000u, bitmap->Get(0, 0));
    EXPECT_EQ(0u, bitmap->Get(0, 1));
}
