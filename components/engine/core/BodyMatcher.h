// The check of whole body patterns over one file, without a search budget. The automaton finds the
// anchor element of a pattern (the one holding its fragment); the elements around it are found by
// looking at the places they may start, which each signature keeps as a list of intervals per
// element: an occurrence of element i at p opens [p + len + gapMin, p + len + gapMax] for element
// i + 1. Occurrences of an element are met in file order, so every list is consumed from the
// front, every place is looked at most once per signature and element, and an element whose
// follower is already open to the end of the file ("*") need not be looked for again. The work is
// linear in the file; the lists hold only the intervals that are still ahead.
#pragma once

#include "BodyPattern.h"
#include "ByteSource.h"

namespace orv {

constexpr uint32_t NO_SIGNATURE = UINT32_MAX;

class BodyMatcher {
public:
    void Init(const CoreAllocator* allocator);
    void Release();
    // Sizes the per-file tables once, so that scanning files allocates nothing in the common case;
    // false without memory.
    bool Reserve(uint32_t signatureCount, uint32_t counters, uint32_t owners);
    // Starts a file. counters and owners size the per-file tables of subsignature matches and of
    // logical signatures touched.
    void Begin(const PatternStore& store, const Vec<BodySignature>& signatures, uint32_t counters, uint32_t owners,
               ByteSource source);
    // The automaton saw signature's fragment end at fragmentEnd (the offset of its last byte).
    void OnFragment(uint32_t signature, uint64_t fragmentEnd);
    // Every byte before fed has been seen by the automaton: looks for the elements that follow an
    // anchor up to there. At the end of the file fed is its size.
    void Advance(uint64_t fed);

    // The first .ndb signature confirmed, or NO_SIGNATURE.
    uint32_t Found() const { return found; }
    // Matches of a subsignature so far (distinct end positions of its last element).
    uint32_t Count(uint32_t counter) const;
    // Logical signatures whose subsignatures matched since the last TakeTouched; cleared by it.
    const Vec<uint32_t>& Touched() const { return touched; }
    void TakeTouched();
    // Memory ran out during this file: its verdict cannot be trusted.
    bool Failed() const { return failed; }

private:
    struct Interval {
        uint64_t start;
        uint64_t end;    // inclusive; SPAN_UNBOUNDED when open to the end of the file
        uint32_t next;   // 0 ends the list (node 0 is never used)
    };
    struct ElementState {
        uint32_t head;
        uint32_t tail;
        uint64_t done;   // places before this were looked at; SPAN_UNBOUNDED: never again
    };
    struct Active {
        uint32_t signature;
        uint32_t firstElement;
        bool pending;    // elements after the anchor have places to look at
    };
    struct Tag {
        uint32_t serial;
        uint32_t index;  // into active; UINT32_MAX: the signature cannot match in this file
    };
    struct Counter {
        uint32_t serial;
        uint32_t value;
    };

    const BodySignature& Signature(uint32_t s) const { return (*signatures)[s]; }
    const PatternElement& Element(const BodySignature& sig, uint32_t i) const
    {
        return store->elements[sig.elementStart + i];
    }
    bool StartWindow(const BodySignature& sig, uint64_t& start, uint64_t& end) const;
    bool MatchesAt(const PatternElement& element, const uint8_t* bytes) const;
    bool ElementAt(const PatternElement& element, uint64_t position) const;
    Active* Activate(uint32_t s);
    void Append(ElementState& state, uint64_t start, uint64_t end);
    void PopFront(ElementState& state);
    void SkipTo(ElementState& state, uint64_t position);
    bool Contains(ElementState& state, uint64_t position);
    void Occur(Active& active, uint32_t element, uint64_t position);
    void Matched(uint32_t s);
    void ScanElement(Active& active, uint32_t element, uint64_t limit);
    void ScanRange(Active& active, uint32_t element, uint64_t from, uint64_t to);
    void CatchUpPrefix(Active& active, uint64_t anchorStart);

    const CoreAllocator* alloc = nullptr;
    const PatternStore* store = nullptr;
    const Vec<BodySignature>* signatures = nullptr;
    ByteSource source {};
    uint32_t serial = 0;
    uint32_t found = NO_SIGNATURE;
    bool failed = false;
    uint32_t freeNodes = 0;
    Vec<Interval> nodes;
    Vec<ElementState> elements;
    Vec<Active> active;
    Vec<uint32_t> pending;
    Vec<Tag> tags;           // per signature: its Active in this file
    Vec<Counter> counts;     // per subsignature
    Vec<uint32_t> ownerMark; // per logical signature: the serial it was last touched in
    Vec<uint32_t> touched;
};

} // namespace orv
