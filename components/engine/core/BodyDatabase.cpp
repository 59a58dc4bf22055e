// Loading body signatures and running them over a file.
#include "BodyDatabase.h"

namespace orv {

void BodyDatabase::Init(const CoreAllocator* allocator)
{
    store.tokens.Init(allocator);
    store.elements.Init(allocator);
    signatures.Init(allocator);
    automaton.Init(allocator);
}

void BodyDatabase::Release()
{
    store.tokens.Release();
    store.elements.Release();
    signatures.Release();
    automaton.Release();
}

void BodyDatabase::Load(const char* text, uint32_t size, NamePool& names, LoadStats& stats)
{
    LoadLines(text, size, stats, [&](TextSpan line) { return ParseLine(line, names); });
}

// "name:target:offset:hexsig", optionally followed by the peer's minimum and maximum engine levels,
// which we ignore. Only target 0 (any file) is understood: the other targets need file-type parsers.
bool BodyDatabase::ParseLine(TextSpan line, NamePool& names)
{
    TextSpan fields[6];
    uint32_t count = SplitFields(line, fields, 6);
    if (count < 4 || count > 6 || !fields[1].Equals("0"))
        return false;
    BodySignature signature;
    memset(&signature, 0, sizeof signature);
    if (!ParseOffset(fields[2], signature))
        return false;
    if (!ParseHexPattern(fields[3], store, signature))
        return false;
    if (ChooseAnchor(store, signature)) {
        signature.nameOffset = names.Add(fields[0]);
        if (signature.nameOffset != UINT32_MAX && signatures.Push(signature))
            return true;
    }
    store.tokens.Truncate(store.elements[signature.elementStart].tokenStart);
    store.elements.Truncate(signature.elementStart);
    return false;
}

bool BodyDatabase::Finish()
{
    uint8_t fragment[MAX_ANCHOR_LENGTH];
    for (uint32_t i = 0; i < signatures.Count(); ++i) {
        const BodySignature& signature = signatures[i];
        const PatternElement& element = store.elements[signature.elementStart + signature.anchorElement];
        for (uint32_t b = 0; b < signature.anchorLength; ++b)
            fragment[b] = store.tokens[element.tokenStart + signature.anchorToken + b].value;
        if (!automaton.AddPattern(fragment, signature.anchorLength, i))
            return false;
    }
    return automaton.Build();
}

namespace {

struct CandidateCheck {
    const PatternStore* store;
    const Vec<BodySignature>* signatures;
    VerifyState* verify;
    uint64_t anchorEnd;
    uint32_t found;
};

} // namespace

bool BodyDatabase::CheckCandidate(void* context, uint32_t signature)
{
    CandidateCheck& check = *static_cast<CandidateCheck*>(context);
    const BodySignature& candidate = (*check.signatures)[signature];
    // The automaton reports shorter fragments that end here too; each one knows its own length.
    if (!VerifySignature(*check.store, candidate, signature, *check.verify, check.anchorEnd))
        return false;
    check.found = signature;
    return true;
}

uint32_t BodyDatabase::ScanChunk(const uint8_t* data, uint32_t size, uint64_t base, uint32_t& state,
                                 VerifyState& verify) const
{
    if (signatures.Count() == 0)
        return NO_SIGNATURE;
    for (uint32_t i = 0; i < size; ++i) {
        i = automaton.Run(data, i, size, state);
        if (i == size)
            break;
        CandidateCheck check { &store, &signatures, &verify, base + i, NO_SIGNATURE };
        if (automaton.ReportAll(state, CheckCandidate, &check))
            return check.found;
    }
    return NO_SIGNATURE;
}

} // namespace orv
