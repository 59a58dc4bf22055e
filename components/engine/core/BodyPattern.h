// Body patterns in the peer's extended hex format (".ndb" lines and the subsignatures of logical
// signatures): parsing into tokens and elements, the offset a match must start at, and the choice
// of the fixed fragment that the automaton looks for.
#pragma once

#include "CoreMemory.h"
#include "LoadStats.h"
#include "TextLines.h"

namespace orv {

// One byte position of a pattern: the byte matches when (byte & mask) == value. "??" has mask 0,
// "a?" and "?a" a nibble mask.
struct PatternToken {
    uint8_t value;
    uint8_t mask;
};

constexpr uint32_t GAP_UNBOUNDED = UINT32_MAX;
constexpr uint64_t SPAN_UNBOUNDED = UINT64_MAX;

// A run of tokens, preceded by a gap of gapMin..gapMax bytes; the first element's gap is the
// pattern's leading gap ("{2}8c0d..." needs two bytes before the run).
struct PatternElement {
    uint32_t tokenStart;
    uint32_t tokenCount;
    uint32_t gapMin;
    uint32_t gapMax;
    // For elements before the anchor element: how far this element's start may lie before the
    // anchor element's start (SPAN_UNBOUNDED past an open gap).
    uint64_t toAnchorMin;
    uint64_t toAnchorMax;
};

enum OffsetKind : uint32_t { OFFSET_ANY = 0, OFFSET_START = 1, OFFSET_EOF = 2 };

constexpr uint32_t NO_OWNER = UINT32_MAX;

struct BodySignature {
    uint32_t nameOffset;    // the virus name of an .ndb signature
    uint32_t owner;         // the logical signature a subsignature belongs to, or NO_OWNER
    uint32_t counter;       // a subsignature's match counter
    uint32_t elementStart;
    uint32_t elementCount;
    uint32_t offsetKind;
    uint32_t offsetValue;   // n of "n" or "EOF-n"
    uint32_t offsetShift;   // m of "n,m": the match may start up to m bytes later
    uint32_t trailMin;      // bytes a trailing gap needs after the last element
    uint32_t anchorElement; // the element holding the fixed fragment
    uint32_t anchorToken;   // where the fragment starts within that element
    uint32_t anchorLength;
};

// Limits on what one pattern may ask of the matcher; longer ones are refused and counted.
constexpr uint32_t MAX_PATTERN_TOKENS = 4096;
constexpr uint32_t MAX_PATTERN_ELEMENTS = 64;
constexpr uint32_t MIN_ANCHOR_LENGTH = 2;
constexpr uint32_t MAX_ANCHOR_LENGTH = 32;

struct PatternStore {
    Vec<PatternToken> tokens;
    Vec<PatternElement> elements;
};

// Parses the hex field into new elements and tokens of the store and picks the fragment for the
// automaton; on failure the store is as before and reason says why.
bool ParseBodyPattern(TextSpan hex, PatternStore& store, BodySignature& signature, RefusalReason& reason);
// "*", "n", "n,m", "EOF-n", "EOF-n,m".
bool ParseOffset(TextSpan text, BodySignature& signature);
// Undoes the last ParseBodyPattern of signature.
void DropPattern(PatternStore& store, const BodySignature& signature);

} // namespace orv
