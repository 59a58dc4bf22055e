// The check of a whole body signature around a place where the automaton saw its fixed fragment.
#pragma once

#include "BodyPattern.h"

namespace orv {

// Random access to the bytes of the file being scanned: count bytes at position, or null when they
// lie (partly) past the end or cannot be read.
struct ByteSource {
    const uint8_t* (*bytes)(void* context, uint64_t position, uint32_t count);
    void* context;
    uint64_t size;
};

// Element tests allowed for one candidate and for one file: patterns with several bounded gaps could
// otherwise try every split of a large file, at every place their fragment occurs. A candidate that
// runs out is taken as no match; so are all candidates of a file that spent its whole allowance.
constexpr uint32_t VERIFY_BUDGET = 1u << 16;
constexpr uint32_t FILE_VERIFY_BUDGET = 1u << 26;

constexpr uint64_t NOT_FOUND = UINT64_MAX;
constexpr uint32_t SEARCH_MEMO_SLOTS = 256;

// The last search behind an open gap ("*") per signature and element: later candidates of the same
// signature in the same file usually ask again from further on, and the answer is then known.
struct SearchMemo {
    uint32_t serial;     // the file it belongs to
    uint32_t signature;
    uint32_t element;
    uint32_t forward;
    uint64_t bound;      // searched from here on (forward) or from here back (backward)
    uint64_t found;      // the nearest match, or NOT_FOUND
};

// Verification state of the file being scanned.
struct VerifyState {
    ByteSource source;
    uint32_t budget;
    uint32_t serial;
    SearchMemo memo[SEARCH_MEMO_SLOTS];

    void BeginFile(ByteSource fileSource)
    {
        source = fileSource;
        budget = FILE_VERIFY_BUDGET;
        ++serial;
    }
};

// Checks signature number signatureIndex given that its fragment ends at anchorEnd (offset of the
// fragment's last byte).
bool VerifySignature(const PatternStore& store, const BodySignature& signature, uint32_t signatureIndex,
                     VerifyState& state, uint64_t anchorEnd);

} // namespace orv
