// One Aho–Corasick automaton over the fixed fragments of all body signatures, so that a file is read
// once whatever the number of signatures. The root and its children have full 256-entry transition
// rows (almost every byte of a file passes through them); deeper states keep sorted edges and
// failure links.
#pragma once

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

    // Returns the next state, with OUTPUT_FLAG when it reports patterns.
    uint32_t Step(uint32_t state, uint8_t byte) const
    {
        for (;;) {
            if (state <= denseLast)
                return dense[(state << 8) | byte];
            const State& s = states[state];
            const uint8_t* edgeBytes = edgeByte.Data() + s.edgeStart;
            for (uint32_t i = 0; i < s.edgeCount; ++i)
                if (edgeBytes[i] == byte)
                    return edgeTarget[s.edgeStart + i];
            state = s.fail;
        }
    }

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
};

} // namespace orv
