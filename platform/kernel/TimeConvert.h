// Conversions between host time stamps and FILETIME values.
#pragma once

#include <ctime>

#include <wce/WinTypes.h>

namespace wce {

// 100 ns intervals between 1601-01-01 and 1970-01-01.
constexpr int64_t FILETIME_UNIX_EPOCH = 116444736000000000LL;

FILETIME FileTimeFromTimespec(const timespec& time);
timespec TimespecFromFileTime(const FILETIME& time);

inline uint64_t FileTimeValue(const FILETIME& time)
{
    return (uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

inline FILETIME MakeFileTime(uint64_t value)
{
    return FILETIME { DWORD(value), DWORD(value >> 32) };
}

}  // namespace wce
