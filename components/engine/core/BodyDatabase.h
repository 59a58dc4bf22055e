// The body signatures of all .ndb files and the subsignatures of all logical signatures, and the
// one automaton over their fragments.
#pragma once

#include "AhoCorasick.h"
#include "BodyMatcher.h"
#include "IgnoreList.h"
#include "NamePool.h"

namespace orv {

class BodyDatabase {
public:
    void Init(const CoreAllocator* allocator);
    void Release();
    void Load(const char* text, uint32_t size, NamePool& names, const IgnoreList& ignores, FileStats& stats);
    // Adds one subsignature of logical signature owner ("offset:hex" already split); false with the
    // reason when the pattern is refused.
    bool AddSubsignature(TextSpan offset, TextSpan hex, uint32_t owner, uint32_t counter, RefusalReason& reason);
    // Signatures added after Mark are dropped by RollBack (a logical signature refused half-way).
    uint32_t Mark() const { return signatures.Count(); }
    void RollBack(uint32_t mark);
    // Builds the automaton; false without memory.
    bool Finish();
    bool IsEmpty() const { return signatures.Count() == 0; }
    uint32_t Count() const { return signatures.Count(); }
    uint32_t StateCount() const { return automaton.StateCount(); }

    // Feeds one chunk that starts at file offset base; state carries the automaton across chunks
    // (start with 0). Returns the first confirmed .ndb signature, or NO_SIGNATURE.
    uint32_t ScanChunk(const uint8_t* data, uint32_t size, uint64_t base, uint32_t& state, BodyMatcher& matcher) const;
    uint32_t NameOffset(uint32_t signature) const { return signatures[signature].nameOffset; }
    const PatternStore& Store() const { return store; }
    const Vec<BodySignature>& Signatures() const { return signatures; }

private:
    LineVerdict ParseLine(TextSpan line, NamePool& names, const IgnoreList& ignores);
    static bool ReportFragment(void* context, uint32_t signature);

    PatternStore store;
    Vec<BodySignature> signatures;
    AhoCorasick automaton;
};

} // namespace orv
