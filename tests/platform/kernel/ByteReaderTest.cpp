// ByteReader and ByteCursor: reads at the very end, offsets that would wrap, bounded strings.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "common/ByteReader.h"

namespace {

const uint8_t BYTES[] = { 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 'h', 0, 'i', 0, 0, 0 };

TEST(ByteReaderTest, ReadsLittleEndianUpToTheLastByteAndNoFurther)
{
    ByteReader reader(BYTES, 8);
    uint16_t u16 = 0;
    uint32_t u32 = 0;
    uint64_t u64 = 0;
    EXPECT_TRUE(reader.ReadU64(0, u64));
    EXPECT_EQ(0x0807060504030201ull, u64);
    EXPECT_TRUE(reader.ReadU32(4, u32));
    EXPECT_EQ(0x08070605u, u32);
    EXPECT_TRUE(reader.ReadU16(6, u16));
    EXPECT_EQ(0x0807, u16);

    u32 = 0xCCCCCCCC;
    EXPECT_FALSE(reader.ReadU32(5, u32));        // one byte short
    EXPECT_EQ(0xCCCCCCCCu, u32);                 // a failed read leaves the output alone
    EXPECT_FALSE(reader.ReadU64(1, u64));
    EXPECT_FALSE(reader.ReadU16(SIZE_MAX, u16)); // offsets that would wrap around
    EXPECT_FALSE(reader.ReadU32(SIZE_MAX - 1, u32));
    EXPECT_FALSE(reader.Contains(4, SIZE_MAX - 2));
    EXPECT_TRUE(reader.Contains(8, 0));
}

TEST(ByteReaderTest, SubReadersStartAtZeroAndStayInside)
{
    ByteReader reader(BYTES, sizeof BYTES);
    ByteReader sub;
    ASSERT_TRUE(reader.Sub(2, 4, sub));
    uint32_t value = 0;
    EXPECT_TRUE(sub.ReadU32(0, value));
    EXPECT_EQ(0x06050403u, value);
    uint8_t byte = 0;
    EXPECT_FALSE(sub.ReadU8(4, byte));
    EXPECT_FALSE(reader.Sub(10, 5, sub));
    EXPECT_EQ(0u, reader.From(sizeof BYTES + 1).Size());
    EXPECT_EQ(nullptr, ByteReader(nullptr, 10).Pointer(0, 1));
}

TEST(ByteReaderTest, StringsNeedTheirTerminatorWithinReach)
{
    ByteReader reader(BYTES, sizeof BYTES);
    std::u16string text;
    size_t used = 0;
    ASSERT_TRUE(reader.ReadUtf16Z(8, 10, text, used));
    EXPECT_EQ(u"hi", text);
    EXPECT_EQ(6u, used);
    EXPECT_FALSE(reader.ReadUtf16Z(8, 1, text, used));           // longer than allowed
    EXPECT_FALSE(ByteReader(BYTES, 12).ReadUtf16Z(8, 10, text, used)); // terminator cut off
    EXPECT_TRUE(reader.ReadUtf16(8, 2, text));
    EXPECT_FALSE(reader.ReadUtf16(8, SIZE_MAX / 2 + 1, text));

    std::string narrow;
    ASSERT_TRUE(reader.ReadStringZ(8, 4, narrow, used));
    EXPECT_EQ("h", narrow);
    EXPECT_FALSE(ByteReader(BYTES, 9).ReadStringZ(8, 4, narrow, used));
}

TEST(ByteReaderTest, CursorFailureSticksAndStopsAdvancing)
{
    ByteReader reader(BYTES, sizeof BYTES);
    ByteCursor cursor(reader);
    EXPECT_EQ(0x0201, cursor.U16());
    cursor.Align(4);
    EXPECT_EQ(4u, cursor.Offset());
    EXPECT_EQ(0x08070605u, cursor.U32());
    EXPECT_EQ(u"hi", cursor.Utf16Z(8));
    EXPECT_TRUE(cursor.Ok());
    cursor.U32();                                 // nothing is left
    EXPECT_FALSE(cursor.Ok());
    EXPECT_EQ(0u, cursor.U16());
    EXPECT_EQ(0u, cursor.Remaining());
}

}  // namespace
