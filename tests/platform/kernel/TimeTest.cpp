// Time: conversions between SYSTEMTIME and FILETIME, and the fake clock tests run on.
#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

#include <windows.h>

namespace {

uint64_t Value(const FILETIME& time)
{
    return (uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

TEST(TimeTest, SystemTimeAndFileTimeConvertBothWays)
{
    struct Row { SYSTEMTIME time; uint64_t ticks; WORD dayOfWeek; } rows[] = {
        { { 1601, 1, 0, 1, 0, 0, 0, 0 }, 0, 1 },
        { { 1970, 1, 0, 1, 0, 0, 0, 0 }, 116444736000000000ULL, 4 },
        { { 2000, 1, 0, 1, 0, 0, 0, 0 }, 125911584000000000ULL, 6 },
        { { 2004, 2, 0, 29, 23, 59, 59, 999 }, 127225727999990000ULL, 0 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.time.wYear);
        FILETIME file {};
        ASSERT_TRUE(SystemTimeToFileTime(&row.time, &file));
        EXPECT_EQ(row.ticks, Value(file));
        SYSTEMTIME back {};
        ASSERT_TRUE(FileTimeToSystemTime(&file, &back));
        EXPECT_EQ(row.time.wYear, back.wYear);
        EXPECT_EQ(row.time.wMonth, back.wMonth);
        EXPECT_EQ(row.time.wDay, back.wDay);
        EXPECT_EQ(row.time.wHour, back.wHour);
        EXPECT_EQ(row.time.wMinute, back.wMinute);
        EXPECT_EQ(row.time.wSecond, back.wSecond);
        EXPECT_EQ(row.time.wMilliseconds, back.wMilliseconds);
        EXPECT_EQ(row.dayOfWeek, back.wDayOfWeek);
    }
}

TEST(TimeTest, InvalidTimesAreRefused)
{
    SYSTEMTIME bad[] = {
        { 1900, 2, 0, 29, 0, 0, 0, 0 }, { 2006, 13, 0, 1, 0, 0, 0, 0 }, { 2006, 4, 0, 31, 0, 0, 0, 0 },
        { 2006, 1, 0, 1, 24, 0, 0, 0 }, { 1600, 12, 0, 31, 0, 0, 0, 0 }, { 2006, 1, 0, 0, 0, 0, 0, 0 },
    };
    for (const SYSTEMTIME& time : bad) {
        FILETIME file { 0xCCCCCCCC, 0xCCCCCCCC };
        SetLastError(0xDEADBEEF);
        EXPECT_FALSE(SystemTimeToFileTime(&time, &file));
        EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
        EXPECT_EQ(0xCCCCCCCCu, file.dwLowDateTime);
    }
    FILETIME huge { 0, 0x80000000u };
    SYSTEMTIME out {};
    EXPECT_FALSE(FileTimeToSystemTime(&huge, &out));
}

class FakeClockTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        unsetenv("WCE_FAKE_TIME");
        unsetenv("WCE_FAKE_UTC_OFFSET");
    }
};

TEST_F(FakeClockTest, FakeTimeFixesLocalAndSystemTime)
{
    setenv("WCE_FAKE_TIME", "2006-09-15T10:20:30", 1);
    SYSTEMTIME local {};
    SYSTEMTIME system {};
    GetLocalTime(&local);
    GetSystemTime(&system);
    EXPECT_EQ(2006, local.wYear);
    EXPECT_EQ(9, local.wMonth);
    EXPECT_EQ(15, local.wDay);
    EXPECT_EQ(5, local.wDayOfWeek);   // a Friday
    EXPECT_EQ(10, local.wHour);
    EXPECT_EQ(20, local.wMinute);
    EXPECT_EQ(30, local.wSecond);
    EXPECT_EQ(0, std::memcmp(&local, &system, sizeof local));
}

TEST_F(FakeClockTest, UtcOffsetSeparatesLocalFromSystemTime)
{
    setenv("WCE_FAKE_TIME", "2006-09-15T01:00:00", 1);
    setenv("WCE_FAKE_UTC_OFFSET", "120", 1);
    SYSTEMTIME system {};
    GetSystemTime(&system);
    EXPECT_EQ(14, system.wDay);
    EXPECT_EQ(23, system.wHour);

    FILETIME utc {};
    ASSERT_TRUE(SystemTimeToFileTime(&system, &utc));
    FILETIME local {};
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    EXPECT_EQ(Value(utc) + 2ULL * 3600 * 10000000, Value(local));
    FILETIME back {};
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
    EXPECT_EQ(Value(utc), Value(back));
}

}  // namespace
