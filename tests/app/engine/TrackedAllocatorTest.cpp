// TrackedAllocator: the record of live blocks, its growth, slot reuse and clean-up, through the
// same table the engine calls.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include <windows.h>

#include <wce/Automation.h>

#include "TrackedAllocator.h"

namespace {

class TrackedAllocatorTest : public ::testing::Test {
protected:
    void SetUp() override { wce::automation::ResetMessageBoxes(); }
    void* Alloc(uint32_t size) { return allocator.table->Alloc(&allocator, size); }
    void Free(void* block) { allocator.table->Free(&allocator, block); }

    orv::TrackedAllocator allocator;
};

TEST_F(TrackedAllocatorTest, TheRecordGrowsBy256AtThe257thBlock)
{
    std::vector<void*> blocks;
    for (int i = 0; i < 256; ++i)
        blocks.push_back(Alloc(8));
    EXPECT_EQ(256, allocator.Capacity());
    blocks.push_back(Alloc(8));
    EXPECT_EQ(512, allocator.Capacity());
    EXPECT_EQ(257, allocator.LiveCount());
    for (void* block : blocks)
        Free(block);
    EXPECT_EQ(0, allocator.LiveCount());
    EXPECT_EQ(257, allocator.SlotCount());   // never shrinks
}

TEST_F(TrackedAllocatorTest, AFreedSlotIsReused)
{
    void* first = Alloc(16);
    void* second = Alloc(16);
    Alloc(16);
    Free(second);
    EXPECT_EQ(3, allocator.SlotCount());
    void* again = Alloc(32);
    ASSERT_NE(nullptr, again);
    EXPECT_EQ(3, allocator.SlotCount());
    EXPECT_EQ(3, allocator.LiveCount());
    Free(first);
    EXPECT_EQ(2, allocator.LiveCount());
}

TEST_F(TrackedAllocatorTest, ReallocOfNullAllocatesAndReallocKeepsTheContents)
{
    char* block = static_cast<char*>(allocator.table->Realloc(&allocator, nullptr, 4));
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(1, allocator.LiveCount());
    std::memcpy(block, "abc", 4);
    char* grown = static_cast<char*>(allocator.table->Realloc(&allocator, block, 100000));
    ASSERT_NE(nullptr, grown);
    EXPECT_STREQ("abc", grown);
    EXPECT_EQ(1, allocator.LiveCount());
    Free(grown);
    EXPECT_EQ(0, allocator.LiveCount());
}

TEST_F(TrackedAllocatorTest, PositionsSevenAndEightReachAllocAndFree)
{
    void* block = allocator.table->AllocBlock(&allocator, 10);
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(1, allocator.LiveCount());
    allocator.table->FreeBlock(&allocator, block);
    EXPECT_EQ(0, allocator.LiveCount());
    EXPECT_EQ(&allocator, allocator.table->Self1(&allocator));
    EXPECT_EQ(0, allocator.table->Unused6(&allocator));
}

TEST_F(TrackedAllocatorTest, FreeingAForeignOrFreedBlockShowsTheBoxAndReleasesNothing)
{
    void* block = Alloc(8);
    Free(block);
    Free(block);                    // twice
    int local = 0;
    Free(&local);                   // never ours: the heap must not see it
    allocator.table->Realloc(&allocator, &local, 64);
    auto boxes = wce::automation::GetMessageBoxHistory();
    ASSERT_EQ(3u, boxes.size());
    EXPECT_EQ(u"Free", boxes[0].text);
    EXPECT_EQ(u"Mem", boxes[0].caption);
    EXPECT_EQ(MB_ICONERROR, boxes[0].style & 0xF0);
    EXPECT_EQ(0, allocator.LiveCount());
}

TEST_F(TrackedAllocatorTest, DestroyReleasesTheLiveBlocksAndLeavesAnEmptyRecord)
{
    Alloc(1);
    void* freed = Alloc(2);
    Alloc(3);
    Alloc(4);
    Free(freed);
    allocator.table->Destroy(&allocator, 0);
    EXPECT_EQ(0, allocator.LiveCount());
    EXPECT_EQ(0, allocator.Capacity());
    EXPECT_TRUE(wce::automation::GetMessageBoxHistory().empty());
    EXPECT_NE(nullptr, Alloc(5));   // still usable afterwards
}

}  // namespace
