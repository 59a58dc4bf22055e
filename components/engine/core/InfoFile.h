// The database info files of the library folder: "version=a.b.c" and "date=YYYY-MM-DD" lines, and
// the index, "file=NAME" lines naming the signature files to load, in order.
#pragma once

#include <stdint.h>

#include "TextLines.h"

namespace orv {

// The library folder's info file, written by the build; the one orv-dbimport writes for the
// databases it installed; and the engine's report of its last load.
inline constexpr char INFO_FILE[] = "orv.info";
inline constexpr char IMPORT_INFO_FILE[] = "orv-import.info";
inline constexpr char REPORT_FILE[] = "orv-load.txt";

struct EngineInfo {
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
    uint32_t year = 0;
    uint32_t month = 0;
    uint32_t day = 0;
};

constexpr uint32_t MAX_INDEX_FILES = 64;
constexpr uint32_t MAX_INDEX_NAME = 96;

struct DatabaseIndex {
    uint32_t count = 0;
    uint32_t refused = 0;  // "file=" lines whose names could lead outside the library folder, or too many
    char names[MAX_INDEX_FILES][MAX_INDEX_NAME];

    // Takes a name relative to the library folder: letters, digits, '.', '-', '_' and '\' between
    // folder names; no "..", nothing absolute.
    bool Add(TextSpan name);
};

// Lines it does not understand, and values out of range, leave the fields as they were; index may
// be null when the file's index is of no interest.
void ParseInfoFile(const char* text, uint32_t size, EngineInfo& info, DatabaseIndex* index = nullptr);

} // namespace orv
