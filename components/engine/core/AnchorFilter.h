// The filter in front of the automaton. Most places of a file start no fragment, and the filter
// finds that out with a lookup or two instead of a step of the automaton per byte: a bit table over
// hashed four-byte grams from the first bytes of every fragment tells whether a window of `stride`
// start positions may hold the start of one. Only the windows it lets through are run through the
// automaton. A window it lets through may hold nothing (grams share bits), but a window that holds
// a fragment start is never held back.
#pragma once

#include "CoreMemory.h"

namespace orv {

class AnchorFilter {
public:
    static constexpr uint32_t GRAM = 4;
    static constexpr uint32_t MAX_STRIDE = 8;
    // Fragments shorter than this cannot give two grams; their first byte pair goes into a table of
    // its own, tested at every start position of a window.
    static constexpr uint32_t SHORT_FRAGMENT = GRAM + 1;
    // Bytes of each fragment the filter looks at: the grams at offsets 0..stride.
    static constexpr uint32_t HEAD_BYTES = MAX_STRIDE + GRAM;
    // Gram table: about 64 bits per gram, so that one gram in some 60 gets through and a window
    // (two grams) in some thousands; at most 1 MiB, which stays in the second-level cache.
    static constexpr uint32_t MIN_TABLE_BITS = 12;
    static constexpr uint32_t MAX_TABLE_BITS = 23;
    static constexpr uint64_t BITS_PER_GRAM = 64;

    void Init(const CoreAllocator* allocator);
    void Release();
    // Remembers the head of one fragment; Build turns the heads into the tables.
    bool AddFragment(const uint8_t* bytes, uint32_t length);
    // Chooses the stride from the shortest fragment and fills the tables; false without memory.
    bool Build();

    uint32_t Stride() const { return stride; }

    // The first window start at or after from whose window [start, start + stride) may hold the
    // start of a fragment, or the first start whose window no longer fits before size (the caller
    // runs the automaton over that tail).
    uint32_t Skip(const uint8_t* data, uint32_t from, uint32_t size) const;

private:
    struct Head {
        uint8_t bytes[HEAD_BYTES];
        uint8_t length;  // the fragment's length, counted up to 255
    };

    // The top bits of a 64-bit multiplicative hash, as many as the largest table has, cut to this
    // table's size: every byte of the gram reaches them, and the fixed shift keeps the scan loop
    // free of variable shifts. The gram is read as one machine word; the table is built and tested
    // with the same reading, so the byte order does not matter.
    uint32_t Slot(const uint8_t* p) const
    {
        uint32_t word;
        __builtin_memcpy(&word, p, sizeof word);
        return uint32_t((word * 0x9E3779B97F4A7C15ull) >> (64 - MAX_TABLE_BITS)) & slotMask;
    }
    // 1 when the gram at p is in the table (or shares its bit), else 0.
    uint32_t GramBit(const uint8_t* p) const
    {
        uint32_t slot = Slot(p);
        return (grams[slot >> 3] >> (slot & 7)) & 1;
    }
    // The pair at p, read as one machine half-word like the grams.
    static uint32_t Pair(const uint8_t* p)
    {
        uint16_t pair;
        __builtin_memcpy(&pair, p, sizeof pair);
        return pair;
    }
    uint32_t PairBit(const uint8_t* p) const
    {
        uint32_t pair = Pair(p);
        return (pairs[pair >> 3] >> (pair & 7)) & 1;
    }
    uint32_t ShortestLongHead() const;
    bool FillTables();

    Vec<Head> heads;
    Vec<uint8_t> gramTable;
    const uint8_t* grams = nullptr;  // gramTable's bytes once built
    uint32_t slotMask = 0;
    uint32_t stride = 1;
    bool hasShort = false;     // a fragment of two to four bytes: pairs are tested too
    bool passAll = false;      // a fragment of one byte: every window goes to the automaton
    uint8_t pairs[65536 / 8];  // first byte pairs of the short fragments
};

} // namespace orv
