// The load report: what the engine made of every database file it was told to load, as text a
// user can read to see why a signature of theirs has no effect.
#pragma once

#include "CoreMemory.h"
#include "LoadStats.h"
#include "SignatureDatabase.h"

namespace orv {

// A growing text; without memory it stops growing and says so through Failed.
class ReportText {
public:
    void Init(const CoreAllocator* allocator) { bytes.Init(allocator); }
    void Release() { bytes.Release(); }
    ReportText& Text(const char* text);
    ReportText& Span(TextSpan text);
    ReportText& Number(uint64_t value);
    // A number with at least width digits, zeros in front.
    ReportText& Padded(uint64_t value, uint32_t width);
    const char* Data() const { return bytes.Data(); }
    uint32_t Size() const { return bytes.Count(); }
    bool Failed() const { return failed; }

private:
    Vec<char> bytes;
    bool failed = false;
};

enum LoadOutcome : uint32_t {
    LOAD_DONE,        // read and parsed
    LOAD_MISSING,     // not found, unreadable or too large
    LOAD_NOT_A_KIND,  // an extension the engine does not read
};

struct LoadedFile {
    char name[96];
    DatabaseKind kind;
    LoadOutcome outcome;
    FileStats stats;
};

// One file's lines of the report.
void ReportFile(ReportText& out, const LoadedFile& file);
// The closing line with the totals over all files.
void ReportTotals(ReportText& out, const FileStats& totals, uint32_t files);

} // namespace orv
