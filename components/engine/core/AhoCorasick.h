// One Aho–Corasick automaton over the fixed fragments of all body signatures, so that a file is read
// once whatever the number of signatures. The root and its children have full 256-entry transition
// rows; deeper states keep their edges and failure links. The anchor filter lets the scan pass over
// the long stretches where no fragment can start without stepping through the automaton at all.
#pragma once

#include "AnchorFilter.h"
#include "CoreMemory.h"

namespace orv {

class AhoCorasick {
public:
    // Set on a transition whose target state reports at least one pattern.
    static constexpr uint32_t OUTPUT_FLAG = 0x80000000u;
    static constexpr uint32_t STATE_MASK = 0x7FFFFFFFu;

    void Init(const CoreAllocator* allocator);
    void Release();
    bool AddPattern(const uint8_t* bytes, uint32_t length, uint32_t id);
    bool Build();
    bool IsEmpty() const { return patternCount == 0; }

    // Runs the automaton over data[from..size) from state; stops after the first byte whose
    // transition reports patterns and returns its index (state is then the reporting state), or
    // returns size at the end.
    uint32_t Run(const uint8_t* data, uint32_t from, uint32_t size, uint32_t& state) const;

    // Calls report(context, id) for every pattern that ends in state (own first, then those of
    // shorter suffixes); stops and returns true as soon as report does.
    bool ReportAll(uint32_t state, bool (*report)(void* context, uint32_t id), void* context) const;

    uint32_t StateCount() const { return states.Count(); }

private:
    struct BuildNode {
        uint32_t firstChild;
        uint32_t nextSibling;
        uint32_t outHead;  // 1-based index into buildOutputs, 0 for none
        uint32_t byte;
    };
    struct BuildOutput {
        uint32_t id;
        uint32_t next;
    };
    struct State {
        uint32_t fail;
        uint32_t dict;  // nearest state on the failure chain with own outputs, 0 for none
        uint32_t edgeStart;
        uint32_t edgeCount;
        uint32_t outStart;
        uint32_t outCount;
    };

    uint32_t FindChild(uint32_t node, uint8_t byte) const;
    uint32_t Next(uint32_t current, uint8_t c) const;
    bool OrderStates(Vec<uint32_t>& order, Vec<uint32_t>& newId);
    bool ComputeFailures(const Vec<uint32_t>& order, const Vec<uint32_t>& newId);
    bool CompactEdges(const Vec<uint32_t>& order, const Vec<uint32_t>& newId);
    bool FillDenseRows(uint32_t rootChildren);
    uint32_t Flagged(uint32_t state) const;

    const CoreAllocator* alloc = nullptr;
    Vec<BuildNode> nodes;
    Vec<BuildOutput> buildOutputs;
    Vec<State> states;
    Vec<uint8_t> edgeByte;
    Vec<uint32_t> edgeTarget;
    Vec<uint32_t> outputs;
    Vec<uint32_t> dense;
    uint32_t denseLast = 0;
    uint32_t patternCount = 0;
    AnchorFilter filter;
};

} // namespace orv
