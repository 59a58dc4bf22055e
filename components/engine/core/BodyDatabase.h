// The body signatures of all .ndb files and the automaton over their fragments.
#pragma once

#include "AhoCorasick.h"
#include "PatternVerifier.h"
#include "NamePool.h"

namespace orv {

constexpr uint32_t NO_SIGNATURE = UINT32_MAX;

class BodyDatabase {
public:
    void Init(const CoreAllocator* allocator);
    void Release();
    void Load(const char* text, uint32_t size, NamePool& names, LoadStats& stats);
    // Builds the automaton; false without memory.
    bool Finish();
    bool IsEmpty() const { return signatures.Count() == 0; }
    uint32_t Count() const { return signatures.Count(); }
    uint32_t StateCount() const { return automaton.StateCount(); }

    // Feeds one chunk that starts at file offset base; state carries the automaton across chunks
    // (start with 0). Returns the index of the first confirmed signature, or NO_SIGNATURE.
    // verify holds the file's source and verification allowance.
    uint32_t ScanChunk(const uint8_t* data, uint32_t size, uint64_t base, uint32_t& state,
                       VerifyState& verify) const;
    uint32_t NameOffset(uint32_t signature) const { return signatures[signature].nameOffset; }

private:
    bool ParseLine(TextSpan line, NamePool& names);
    static bool CheckCandidate(void* context, uint32_t signature);

    PatternStore store;
    Vec<BodySignature> signatures;
    AhoCorasick automaton;
};

} // namespace orv
