// What loading one database file did with its lines: signatures kept by kind, lines ignored by the
// ignore lists or meant for other engine levels, and lines refused, by reason with their first line
// numbers, so that the load report can tell a user why a signature of theirs has no effect.
#pragma once

#include <stdint.h>

#include "TextLines.h"

namespace orv {

// The functionality level the engine answers to in the levels that signature lines name: that of
// the peer release whose formats it follows, so that both skip the same lines.
constexpr uint32_t FUNCTIONALITY_LEVEL = 216;
// The peer accepts a hash signature of any size ("*") only from lines that require this level.
constexpr uint32_t ANY_SIZE_LEVEL = 73;

enum KeptKind : uint32_t {
    KEPT_BODY,
    KEPT_LOGICAL,
    KEPT_SUBSIGNATURE,
    KEPT_MD5,
    KEPT_SHA1,
    KEPT_SHA256,
    KEPT_ALLOW_MD5,
    KEPT_ALLOW_SHA1,
    KEPT_ALLOW_SHA256,
    KEPT_IGNORE,
    KEPT_KIND_COUNT
};

enum RefusalReason : uint32_t {
    REFUSED_SYNTAX,         // wrong number of fields, empty name, bad number
    REFUSED_TARGET,         // a target type other than 0 (any file)
    REFUSED_OFFSET,         // an offset form that needs file-type knowledge
    REFUSED_HEX,            // not a hex pattern
    REFUSED_WILDCARD,       // alternatives, anchored bytes, boundaries
    REFUSED_NO_ANCHOR,      // no two fixed bytes in a row
    REFUSED_LIMITS,         // too many runs or too long a run
    REFUSED_HASH,           // a digest of the wrong length or with non-hex digits
    REFUSED_ANY_SIZE_LEVEL, // size "*" without the level it requires
    REFUSED_TARGET_BLOCK,   // a logical signature's target block: no target, unknown keys
    REFUSED_EXPRESSION,     // a logical expression that does not parse or fit its subsignatures
    REFUSED_MODIFIER,       // subsignature modifiers (::i, ::w, ::f, ::a)
    REFUSED_PCRE,           // regular-expression subsignatures
    REFUSED_BYTE_COMPARE,   // byte-compare subsignatures
    REFUSED_MACRO,          // macro subsignatures
    REFUSED_MEMORY,         // the engine ran out of memory
    REFUSAL_REASON_COUNT
};

constexpr uint32_t REPORTED_LINES = 5;  // line numbers kept per reason

struct FileStats {
    uint32_t kept[KEPT_KIND_COUNT] = {};
    uint32_t ignored = 0;     // named in an ignore list
    uint32_t otherLevel = 0;  // for engine levels that do not include ours
    uint32_t refused[REFUSAL_REASON_COUNT] = {};
    uint32_t refusedLines[REFUSAL_REASON_COUNT][REPORTED_LINES] = {};

    uint32_t Kept() const;
    uint32_t Refused() const;
    void Refuse(RefusalReason reason, uint32_t lineNumber);
    void Add(const FileStats& other);
};

// What one line came to: kept as a signature of some kind, ignored, for another level, or refused.
struct LineVerdict {
    enum Outcome : uint32_t { KEPT, IGNORED, OTHER_LEVEL, REFUSED } outcome;
    uint32_t detail;  // the KeptKind or the RefusalReason

    static LineVerdict Kept(KeptKind kind) { return { KEPT, kind }; }
    static LineVerdict Refused(RefusalReason reason) { return { REFUSED, reason }; }
    static LineVerdict Ignored() { return { IGNORED, 0 }; }
    static LineVerdict OtherLevel() { return { OTHER_LEVEL, 0 }; }
};

void CountVerdict(FileStats& stats, LineVerdict verdict, uint32_t lineNumber);

// The optional minimum and maximum level fields of a line (either may be absent or empty): true
// when our level lies between them; refused when a field is not a number.
bool ParseLevels(const TextSpan* fields, uint32_t count, bool& accepts, uint32_t& minimum);

// Hands each line of a database that is neither blank nor a comment to parse(line), which returns
// its LineVerdict, and counts the verdicts with their line numbers.
template <typename Parse>
void LoadLines(const char* text, uint32_t size, FileStats& stats, Parse parse)
{
    LineCursor lines(text, size);
    TextSpan line;
    uint32_t number = 0;
    while (lines.Next(line)) {
        ++number;
        if (line.size == 0 || line.text[0] == '#')
            continue;
        CountVerdict(stats, parse(line), number);
    }
}

} // namespace orv
