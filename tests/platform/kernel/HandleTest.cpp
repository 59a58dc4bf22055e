// The handle table: values the platform's code can keep, and closed handles that stay closed.
#include "DeviceRoot.h"

namespace {

using HandleTest = DeviceRootTest;

TEST_F(HandleTest, ClosedHandleIsRefusedEvenWhenItsSlotIsReused)
{
    HANDLE first = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, first);
    ASSERT_TRUE(CloseHandle(first));
    HANDLE second = CreateEventW(nullptr, TRUE, FALSE, nullptr);   // takes the freed slot
    ASSERT_NE(nullptr, second);
    EXPECT_NE(first, second);
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(SetEvent(first));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(second, 0));   // untouched by the stale handle
    CloseHandle(second);
}

TEST_F(HandleTest, HandlesFitIn31BitsAndNameOneTypeOnly)
{
    WriteHost("f.txt", "x");
    HANDLE file = CreateFileW(u"\\f.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_LE(reinterpret_cast<uintptr_t>(file), uintptr_t(0x7FFFFFFF));
    EXPECT_NE(nullptr, file);

    WIN32_FIND_DATAW data;
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(FindNextFileW(file, &data));       // a file is not a search
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(file, 0));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_TRUE(CloseHandle(file));
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
}

}  // namespace
