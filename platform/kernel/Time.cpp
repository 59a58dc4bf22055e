// Local and system time, FILETIME conversions and the tick count; WCE_FAKE_TIME fixes the clock.
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <windows.h>

#include "TimeConvert.h"

namespace wce {
namespace {

constexpr int64_t TICKS_PER_SECOND = 10000000;
constexpr int64_t TICKS_PER_DAY = TICKS_PER_SECOND * 86400;
constexpr int64_t MAX_OFFSET_MINUTES = 24 * 60;

// Days from 1601-01-01 to the given civil date (proleptic Gregorian calendar).
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day)
{
    year -= month <= 2;
    int64_t era = (year >= 0 ? year : year - 399) / 400;
    unsigned yearOfEra = unsigned(year - era * 400);
    unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    int64_t daysFrom1970 = era * 146097 + int64_t(dayOfEra) - 719468;
    return daysFrom1970 + 134774;   // 1601-01-01 .. 1970-01-01
}

void CivilFromDays(int64_t daysFrom1601, int64_t& year, unsigned& month, unsigned& day)
{
    int64_t z = daysFrom1601 - 134774 + 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    unsigned dayOfEra = unsigned(z - era * 146097);
    unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    unsigned mp = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = int64_t(yearOfEra) + era * 400 + (month <= 2);
}

bool IsLeapYear(unsigned year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned DaysInMonth(unsigned year, unsigned month)
{
    static const unsigned days[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool IsValidSystemTime(const SYSTEMTIME& time)
{
    return time.wYear >= 1601 && time.wYear <= 30827 && time.wMonth >= 1 && time.wMonth <= 12 &&
           time.wDay >= 1 && time.wDay <= DaysInMonth(time.wYear, time.wMonth) && time.wHour < 24 &&
           time.wMinute < 60 && time.wSecond < 60 && time.wMilliseconds < 1000;
}

uint64_t TicksFromSystemTime(const SYSTEMTIME& time)
{
    int64_t days = DaysFromCivil(time.wYear, time.wMonth, time.wDay);
    int64_t seconds = time.wHour * 3600 + time.wMinute * 60 + time.wSecond;
    return uint64_t(days * TICKS_PER_DAY + seconds * TICKS_PER_SECOND + time.wMilliseconds * 10000LL);
}

SYSTEMTIME SystemTimeFromTicks(uint64_t ticks)
{
    int64_t days = int64_t(ticks / uint64_t(TICKS_PER_DAY));
    int64_t rest = int64_t(ticks % uint64_t(TICKS_PER_DAY));
    int64_t year = 0;
    unsigned month = 0;
    unsigned day = 0;
    CivilFromDays(days, year, month, day);
    SYSTEMTIME time {};
    time.wYear = WORD(year);
    time.wMonth = WORD(month);
    time.wDayOfWeek = WORD((days + 1) % 7);   // 1601-01-01 was a Monday
    time.wDay = WORD(day);
    time.wHour = WORD(rest / (3600 * TICKS_PER_SECOND));
    time.wMinute = WORD(rest / (60 * TICKS_PER_SECOND) % 60);
    time.wSecond = WORD(rest / TICKS_PER_SECOND % 60);
    time.wMilliseconds = WORD(rest / 10000 % 1000);
    return time;
}

// The fixed local time of WCE_FAKE_TIME, in ticks; false when it is not set or not a valid time.
bool FakeLocalTicks(uint64_t& ticks)
{
    const char* text = std::getenv("WCE_FAKE_TIME");
    unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (text == nullptr || std::sscanf(text, "%4u-%2u-%2uT%2u:%2u:%2u", &y, &mo, &d, &h, &mi, &s) != 6)
        return false;
    SYSTEMTIME time { WORD(y), WORD(mo), 0, WORD(d), WORD(h), WORD(mi), WORD(s), 0 };
    if (y > 0xFFFF || !IsValidSystemTime(time))
        return false;
    ticks = TicksFromSystemTime(time);
    return true;
}

// Local time minus system time, in ticks.
int64_t LocalBias()
{
    uint64_t fake = 0;
    if (FakeLocalTicks(fake)) {
        const char* text = std::getenv("WCE_FAKE_UTC_OFFSET");
        long minutes = text != nullptr ? std::strtol(text, nullptr, 10) : 0;
        if (minutes < -MAX_OFFSET_MINUTES || minutes > MAX_OFFSET_MINUTES)
            minutes = 0;
        return int64_t(minutes) * 60 * TICKS_PER_SECOND;
    }
    time_t now = time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    return int64_t(local.tm_gmtoff) * TICKS_PER_SECOND;
}

uint64_t SystemTicksNow()
{
    uint64_t fake = 0;
    if (FakeLocalTicks(fake))
        return fake - uint64_t(LocalBias());
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    return FileTimeValue(FileTimeFromTimespec(now));
}

}  // namespace

FILETIME FileTimeFromTimespec(const timespec& time)
{
    int64_t ticks = int64_t(time.tv_sec) * TICKS_PER_SECOND + time.tv_nsec / 100 + FILETIME_UNIX_EPOCH;
    return MakeFileTime(ticks < 0 ? 0 : uint64_t(ticks));
}

timespec TimespecFromFileTime(const FILETIME& time)
{
    int64_t ticks = int64_t(FileTimeValue(time) & 0x7FFFFFFFFFFFFFFFULL) - FILETIME_UNIX_EPOCH;
    int64_t seconds = ticks / TICKS_PER_SECOND;
    int64_t rest = ticks % TICKS_PER_SECOND;
    if (rest < 0) {
        rest += TICKS_PER_SECOND;
        --seconds;
    }
    return timespec { time_t(seconds), long(rest * 100) };
}

}  // namespace wce

void GetSystemTime(LPSYSTEMTIME lpSystemTime)
{
    *lpSystemTime = wce::SystemTimeFromTicks(wce::SystemTicksNow());
}

void GetLocalTime(LPSYSTEMTIME lpSystemTime)
{
    *lpSystemTime = wce::SystemTimeFromTicks(wce::SystemTicksNow() + uint64_t(wce::LocalBias()));
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime)
{
    if (lpSystemTime == nullptr || lpFileTime == nullptr || !wce::IsValidSystemTime(*lpSystemTime)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpFileTime = wce::MakeFileTime(wce::TicksFromSystemTime(*lpSystemTime));
    return TRUE;
}

// Values with the top bit set are not times.
BOOL FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime)
{
    if (lpFileTime == nullptr || lpSystemTime == nullptr || (lpFileTime->dwHighDateTime & 0x80000000u)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpSystemTime = wce::SystemTimeFromTicks(wce::FileTimeValue(*lpFileTime));
    return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime)
{
    if (lpFileTime == nullptr || lpLocalFileTime == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpLocalFileTime = wce::MakeFileTime(wce::FileTimeValue(*lpFileTime) + uint64_t(wce::LocalBias()));
    return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* lpLocalFileTime, LPFILETIME lpFileTime)
{
    if (lpFileTime == nullptr || lpLocalFileTime == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpFileTime = wce::MakeFileTime(wce::FileTimeValue(*lpLocalFileTime) - uint64_t(wce::LocalBias()));
    return TRUE;
}

LONG CompareFileTime(const FILETIME* lpFileTime1, const FILETIME* lpFileTime2)
{
    uint64_t a = wce::FileTimeValue(*lpFileTime1);
    uint64_t b = wce::FileTimeValue(*lpFileTime2);
    return a < b ? -1 : a > b ? 1 : 0;
}

// Milliseconds since the host started; wraps after 49.7 days as on the device.
DWORD GetTickCount()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return DWORD(uint64_t(now.tv_sec) * 1000 + uint64_t(now.tv_nsec) / 1000000);
}
