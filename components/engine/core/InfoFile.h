// The database info file beside the databases: "version=a.b.c" and "date=YYYY-MM-DD" lines.
#pragma once

#include <stdint.h>

namespace orv {

struct EngineInfo {
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
    uint32_t year = 0;
    uint32_t month = 0;
    uint32_t day = 0;
};

// Lines it does not understand, and values out of range, leave the fields as they were.
void ParseInfoFile(const char* text, uint32_t size, EngineInfo& info);

} // namespace orv
