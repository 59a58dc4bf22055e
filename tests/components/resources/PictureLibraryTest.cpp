// The program's pictures: three 8-bit bottom-up bitmaps with full colour tables and their image
// size, and the two-image icon, as the program module finds them once the image is attached.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "ResourceIds.h"
#include "ResourceLibrary.h"

namespace {

struct PictureRule {
    UINT id;
    int width, height;
};

const PictureRule PICTURES[] = { { IDB_MAIN_WIDE, 240, 270 }, { IDB_PAGE_BACKGROUND, 240, 270 },
                                 { IDB_WELCOME, 176, 180 } };

}  // namespace

TEST(PictureLibraryTest, BitmapsAreEightBitBottomUpWithFullTablesAndImageSize)
{
    ResourceLibrary pictures(u"OrvMobilePictures.dll");
    ASSERT_NE(nullptr, pictures.Module());
    for (const PictureRule& rule : PICTURES) {
        SCOPED_TRACE(testing::Message() << "bitmap " << rule.id);
        ByteReader dib = pictures.Bytes(RT_BITMAP, rule.id);
        uint32_t headerSize = 0, width = 0, height = 0, imageSize = 0, used = 0;
        uint16_t bits = 0;
        ASSERT_TRUE(dib.ReadU32(0, headerSize) && dib.ReadU32(4, width) && dib.ReadU32(8, height) &&
                    dib.ReadU16(14, bits) && dib.ReadU32(20, imageSize) && dib.ReadU32(32, used));
        EXPECT_EQ(40u, headerSize);
        EXPECT_EQ(uint32_t(rule.width), width);
        EXPECT_EQ(uint32_t(rule.height), height);   // positive: bottom-up
        EXPECT_EQ(8, bits);
        EXPECT_TRUE(used == 0 || used == 256);
        uint32_t stride = (width + 3) & ~3u;
        EXPECT_EQ(stride * height, imageSize);
        EXPECT_EQ(40 + 256 * 4 + imageSize, dib.Size());   // the pixels end the resource
    }
}

TEST(PictureLibraryTest, LoadBitmapFromTheProgramModuleGivesThePictureSize)
{
    ResourceLibrary pictures(u"OrvMobilePictures.dll");
    ASSERT_NE(nullptr, pictures.Module());
    for (const PictureRule& rule : PICTURES) {
        SCOPED_TRACE(testing::Message() << "bitmap " << rule.id);
        HBITMAP bitmap = LoadBitmapW(pictures.Module(), MAKEINTRESOURCEW(rule.id));
        ASSERT_NE(nullptr, bitmap);
        BITMAP record {};
        EXPECT_EQ(int(sizeof(record)), GetObjectW(bitmap, sizeof(record), &record));
        EXPECT_EQ(rule.width, record.bmWidth);
        EXPECT_EQ(rule.height, record.bmHeight);
        EXPECT_TRUE(DeleteObject(bitmap));
    }
    EXPECT_EQ(nullptr, LoadBitmapW(pictures.Module(), MAKEINTRESOURCEW(111)));
}

TEST(PictureLibraryTest, IconGroupHoldsSixteenAndThirtyTwoPixelImages)
{
    ResourceLibrary pictures(u"OrvMobilePictures.dll");
    ByteReader group = pictures.Bytes(RT_GROUP_ICON, IDI_APP);
    uint16_t reserved = 1, type = 0, count = 0;
    ASSERT_TRUE(group.ReadU16(0, reserved) && group.ReadU16(2, type) && group.ReadU16(4, count));
    EXPECT_EQ(1, type);
    ASSERT_EQ(2, count);
    std::set<int> sizes;
    for (uint16_t i = 0; i < count; ++i) {
        uint8_t width = 0;
        uint16_t iconId = 0;
        ASSERT_TRUE(group.ReadU8(6 + 14 * i, width) && group.ReadU16(6 + 14 * i + 12, iconId));
        sizes.insert(width);
        EXPECT_GT(pictures.Bytes(RT_ICON, iconId).Size(), 40u);
    }
    EXPECT_EQ((std::set<int> { 16, 32 }), sizes);
}

TEST(PictureLibraryTest, AttachedImageGivesTheProgramModuleItsPictures)
{
    std::string path = std::string(ORV_RES_DIR) + "/OrvMobilePictures.dll";
    FILE* file = fopen(path.c_str(), "rb");
    ASSERT_NE(nullptr, file);
    std::vector<uint8_t> image;
    for (int c; (c = fgetc(file)) != EOF;)
        image.push_back(uint8_t(c));
    fclose(file);
    ASSERT_TRUE(WceSetModuleResourceImage(nullptr, image.data(), DWORD(image.size())));
    HBITMAP bitmap = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_WELCOME));
    ASSERT_NE(nullptr, bitmap);
    BITMAP record {};
    GetObjectW(bitmap, sizeof(record), &record);
    EXPECT_EQ(176, record.bmWidth);
    DeleteObject(bitmap);
}
