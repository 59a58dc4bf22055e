// The local and process heaps.
#include <cstring>

#include <gtest/gtest.h>

#include <windows.h>

namespace {

TEST(HeapTest, LocalBlocksKnowTheirSizeAndZeroWhenAsked)
{
    unsigned char* block = static_cast<unsigned char*>(LocalAlloc(LPTR, 100));
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(100u, LocalSize(block));
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(0, block[i]);
    std::memset(block, 0xAB, 100);

    // A fixed block cannot move, so it cannot grow; it stays as it was.
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(nullptr, LocalReAlloc(block, 200, LMEM_ZEROINIT));
    EXPECT_EQ(DWORD(ERROR_NOT_ENOUGH_MEMORY), GetLastError());
    EXPECT_EQ(100u, LocalSize(block));

    unsigned char* grown = static_cast<unsigned char*>(LocalReAlloc(block, 200, LMEM_MOVEABLE | LMEM_ZEROINIT));
    ASSERT_NE(nullptr, grown);
    EXPECT_EQ(200u, LocalSize(grown));
    EXPECT_EQ(0xAB, grown[99]);
    EXPECT_EQ(0, grown[100]);
    EXPECT_EQ(0, grown[199]);
    EXPECT_EQ(nullptr, LocalFree(grown));
}

TEST(HeapTest, ProcessHeapAllocatesResizesAndFrees)
{
    HANDLE heap = GetProcessHeap();
    ASSERT_NE(nullptr, heap);
    char* block = static_cast<char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 16));
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(0, block[15]);
    std::strcpy(block, "payload");
    EXPECT_EQ(nullptr, HeapReAlloc(heap, HEAP_REALLOC_IN_PLACE_ONLY, block, 4096));
    block = static_cast<char*>(HeapReAlloc(heap, 0, block, 4096));
    ASSERT_NE(nullptr, block);
    EXPECT_STREQ("payload", block);
    EXPECT_EQ(4096u, HeapSize(heap, 0, block));
    EXPECT_TRUE(HeapFree(heap, 0, block));
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(nullptr, LocalAlloc(LMEM_FIXED, SIZE_T(-1)));
    EXPECT_EQ(DWORD(ERROR_NOT_ENOUGH_MEMORY), GetLastError());
}

}  // namespace
