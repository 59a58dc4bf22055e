// Wording of the load report.
#include "LoadReport.h"

namespace orv {
namespace {

// Singular and plural of each kind.
const char* const KEPT_NAMES[KEPT_KIND_COUNT][2] = {
    { "body signature", "body signatures" },
    { "logical signature", "logical signatures" },
    { "subsignature", "subsignatures" },
    { "MD5 hash signature", "MD5 hash signatures" },
    { "SHA-1 hash signature", "SHA-1 hash signatures" },
    { "SHA-256 hash signature", "SHA-256 hash signatures" },
    { "allowed file by MD5", "allowed files by MD5" },
    { "allowed file by SHA-1", "allowed files by SHA-1" },
    { "allowed file by SHA-256", "allowed files by SHA-256" },
    { "signature name to ignore", "signature names to ignore" },
};

const char* const REASON_NAMES[REFUSAL_REASON_COUNT] = {
    "malformed line (fields, name or number)",
    "target type other than 0 (any file)",
    "offset other than *, n, n,m, EOF-n or EOF-n,m",
    "not a hex pattern",
    "alternatives, anchored bytes or boundaries in the pattern",
    "no two fixed bytes in a row",
    "more than 64 runs, or a run longer than 4096 bytes",
    "hash of the wrong length or with a non-hex digit",
    "size * without the minimum engine level 73",
    "target block without Target, or with keys other than Engine (first) and Target",
    "logical expression that does not parse or does not use each subsignature",
    "subsignature modifiers (::i, ::w, ::f, ::a)",
    "regular-expression subsignature",
    "byte-compare subsignature",
    "macro subsignature",
    "out of memory",
};

void ReportKept(ReportText& out, const FileStats& stats)
{
    bool any = false;
    for (uint32_t kind = 0; kind < KEPT_KIND_COUNT; ++kind) {
        if (!stats.kept[kind])
            continue;
        out.Text(any ? ", " : " ").Number(stats.kept[kind]).Text(" ").Text(KEPT_NAMES[kind][stats.kept[kind] == 1 ? 0 : 1]);
        any = true;
    }
    if (!any)
        out.Text(" no signatures");
    if (stats.ignored)
        out.Text("; ").Number(stats.ignored).Text(" ignored by the ignore lists");
    if (stats.otherLevel)
        out.Text("; ").Number(stats.otherLevel).Text(" for other engine levels");
    if (stats.Refused())
        out.Text("; ").Number(stats.Refused()).Text(stats.Refused() == 1 ? " line refused" : " lines refused");
}

} // namespace

ReportText& ReportText::Text(const char* text)
{
    uint32_t length = 0;
    while (text[length])
        ++length;
    return Span({ text, length });
}

ReportText& ReportText::Span(TextSpan text)
{
    char* room = failed ? nullptr : bytes.Grow(text.size);
    if (room)
        memcpy(room, text.text, text.size);
    else
        failed = failed || text.size > 0;
    return *this;
}

ReportText& ReportText::Number(uint64_t value) { return Padded(value, 1); }

ReportText& ReportText::Padded(uint64_t value, uint32_t width)
{
    char digits[24];
    uint32_t count = 0;
    do {
        digits[sizeof digits - 1 - count++] = char('0' + value % 10);
        value /= 10;
    } while (value && count < sizeof digits);
    while (count < width && count < sizeof digits)
        digits[sizeof digits - 1 - count++] = '0';
    return Span({ digits + sizeof digits - count, count });
}

void ReportFile(ReportText& out, const LoadedFile& file)
{
    out.Text(file.name).Text(":");
    if (file.outcome == LOAD_MISSING) {
        out.Text(" not found, unreadable or larger than 256 MiB\r\n");
        return;
    }
    if (file.outcome == LOAD_NOT_A_KIND) {
        out.Text(" not a kind of database the engine reads (.ndb .hdb .hsb .ldb .fp .sfp .ign2)\r\n");
        return;
    }
    ReportKept(out, file.stats);
    out.Text("\r\n");
    for (uint32_t reason = 0; reason < REFUSAL_REASON_COUNT; ++reason) {
        uint32_t count = file.stats.refused[reason];
        if (!count)
            continue;
        out.Text("  ").Number(count).Text(" refused, ").Text(REASON_NAMES[reason]).Text(": line");
        out.Text(count > 1 ? "s " : " ");
        for (uint32_t i = 0; i < count && i < REPORTED_LINES; ++i)
            out.Text(i ? ", " : "").Number(file.stats.refusedLines[reason][i]);
        out.Text(count > REPORTED_LINES ? ", ...\r\n" : "\r\n");
    }
}

void ReportTotals(ReportText& out, const FileStats& totals, uint32_t files)
{
    out.Text("total over ").Number(files).Text(files == 1 ? " file:" : " files:");
    ReportKept(out, totals);
    out.Text("\r\n");
}

} // namespace orv
