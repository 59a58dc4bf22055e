// Body signatures in the peer's .ndb text format, "name:target:offset:hexsig": parsing into tokens
// and elements, the choice of the fixed fragment that the automaton looks for, and the check of the
// whole pattern around a place where that fragment was seen.
#pragma once

#include "CoreMemory.h"
#include "TextLines.h"

namespace orv {

// One byte position of a pattern: the byte matches when (byte & mask) == value. "??" has mask 0,
// "a?" and "?a" a nibble mask.
struct PatternToken {
    uint8_t value;
    uint8_t mask;
};

constexpr uint32_t GAP_UNBOUNDED = UINT32_MAX;

// A run of tokens, preceded by a gap of gapMin..gapMax bytes (0..0 for the first element).
struct PatternElement {
    uint32_t tokenStart;
    uint32_t tokenCount;
    uint32_t gapMin;
    uint32_t gapMax;
};

enum OffsetKind : uint32_t { OFFSET_ANY = 0, OFFSET_START = 1, OFFSET_EOF = 2 };

struct BodySignature {
    uint32_t nameOffset;
    uint32_t elementStart;
    uint32_t elementCount;
    uint32_t offsetKind;
    uint32_t offsetValue;   // n of "n" or "EOF-n"
    uint32_t offsetShift;   // m of "n,m": the match may start up to m bytes later
    uint32_t anchorElement; // the element holding the fixed fragment
    uint32_t anchorToken;   // where the fragment starts within that element
    uint32_t anchorLength;
};

// Limits on what one line may ask of the matcher; longer signatures are skipped and counted.
constexpr uint32_t MAX_PATTERN_TOKENS = 4096;
constexpr uint32_t MAX_PATTERN_ELEMENTS = 64;
constexpr uint32_t MIN_ANCHOR_LENGTH = 2;
constexpr uint32_t MAX_ANCHOR_LENGTH = 32;

struct PatternStore {
    Vec<PatternToken> tokens;
    Vec<PatternElement> elements;
};

// Parses the hex field into new elements and tokens of the store; on failure the store is as before.
bool ParseHexPattern(TextSpan hex, PatternStore& store, BodySignature& signature);
bool ParseOffset(TextSpan text, BodySignature& signature);
// Picks the longest run of exact bytes (at most MAX_ANCHOR_LENGTH); false when it is too short.
bool ChooseAnchor(const PatternStore& store, BodySignature& signature);

} // namespace orv
