// Counting what the database loads did.
#include "LoadStats.h"

namespace orv {

uint32_t FileStats::Kept() const
{
    uint32_t total = 0;
    for (uint32_t kind = 0; kind < KEPT_KIND_COUNT; ++kind)
        if (kind != KEPT_SUBSIGNATURE)  // part of a logical signature, not a signature of its own
            total += kept[kind];
    return total;
}

uint32_t FileStats::Refused() const
{
    uint32_t total = 0;
    for (uint32_t reason = 0; reason < REFUSAL_REASON_COUNT; ++reason)
        total += refused[reason];
    return total;
}

void FileStats::Refuse(RefusalReason reason, uint32_t lineNumber)
{
    if (refused[reason] < REPORTED_LINES)
        refusedLines[reason][refused[reason]] = lineNumber;
    ++refused[reason];
}

// Totals over several files: the line numbers belong to their own files and are not carried.
void FileStats::Add(const FileStats& other)
{
    for (uint32_t kind = 0; kind < KEPT_KIND_COUNT; ++kind)
        kept[kind] += other.kept[kind];
    ignored += other.ignored;
    otherLevel += other.otherLevel;
    for (uint32_t reason = 0; reason < REFUSAL_REASON_COUNT; ++reason)
        refused[reason] += other.refused[reason];
}

void CountVerdict(FileStats& stats, LineVerdict verdict, uint32_t lineNumber)
{
    if (verdict.outcome == LineVerdict::KEPT)
        ++stats.kept[verdict.detail];
    else if (verdict.outcome == LineVerdict::IGNORED)
        ++stats.ignored;
    else if (verdict.outcome == LineVerdict::OTHER_LEVEL)
        ++stats.otherLevel;
    else
        stats.Refuse(RefusalReason(verdict.detail), lineNumber);
}

bool ParseLevels(const TextSpan* fields, uint32_t count, bool& accepts, uint32_t& minimum)
{
    uint64_t low = 0;
    uint64_t high = UINT32_MAX;
    if (count > 0 && fields[0].size && !ParseDecimal(fields[0], UINT32_MAX, low))
        return false;
    if (count > 1 && fields[1].size && !ParseDecimal(fields[1], UINT32_MAX, high))
        return false;
    minimum = uint32_t(low);
    accepts = low <= FUNCTIONALITY_LEVEL && FUNCTIONALITY_LEVEL <= high;
    return true;
}

} // namespace orv
