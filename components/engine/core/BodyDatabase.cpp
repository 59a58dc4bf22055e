// Loading body signatures and running the automaton over a file.
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

void BodyDatabase::Load(const char* text, uint32_t size, NamePool& names, const IgnoreList& ignores, FileStats& stats)
{
    LoadLines(text, size, stats, [&](TextSpan line) { return ParseLine(line, names, ignores); });
}

// "name:target:offset:hexsig", optionally followed by the minimum and maximum engine levels. Only
// target 0 (any file) is understood: the other targets need file-type parsers.
LineVerdict BodyDatabase::ParseLine(TextSpan line, NamePool& names, const IgnoreList& ignores)
{
    TextSpan fields[6];
    uint32_t count = SplitFields(line, fields, 6);
    bool levelAccepts = true;
    uint32_t minimum = 0;
    if (count < 4 || count > 6 || fields[0].size == 0 || !ParseLevels(fields + 4, count - 4, levelAccepts, minimum))
        return LineVerdict::Refused(REFUSED_SYNTAX);
    if (!levelAccepts)
        return LineVerdict::OtherLevel();
    if (ignores.Ignores(fields[0], line))
        return LineVerdict::Ignored();
    if (!fields[1].Equals("0")) {
        uint64_t target = 0;
        return LineVerdict::Refused(ParseDecimal(fields[1], UINT32_MAX, target) ? REFUSED_TARGET : REFUSED_SYNTAX);
    }
    BodySignature signature;
    memset(&signature, 0, sizeof signature);
    signature.owner = NO_OWNER;
    if (!ParseOffset(fields[2], signature))
        return LineVerdict::Refused(REFUSED_OFFSET);
    RefusalReason reason = REFUSED_HEX;
    if (!ParseBodyPattern(fields[3], store, signature, reason))
        return LineVerdict::Refused(reason);
    signature.nameOffset = names.Add(fields[0]);
    if (signature.nameOffset != UINT32_MAX && signatures.Push(signature))
        return LineVerdict::Kept(KEPT_BODY);
    DropPattern(store, signature);
    return LineVerdict::Refused(REFUSED_MEMORY);
}

bool BodyDatabase::AddSubsignature(TextSpan offset, TextSpan hex, uint32_t owner, uint32_t counter,
                                   RefusalReason& reason)
{
    BodySignature signature;
    memset(&signature, 0, sizeof signature);
    signature.nameOffset = UINT32_MAX;
    signature.owner = owner;
    signature.counter = counter;
    if (!ParseOffset(offset, signature)) {
        reason = REFUSED_OFFSET;
        return false;
    }
    if (!ParseBodyPattern(hex, store, signature, reason))
        return false;
    if (signatures.Push(signature))
        return true;
    DropPattern(store, signature);
    reason = REFUSED_MEMORY;
    return false;
}

void BodyDatabase::RollBack(uint32_t mark)
{
    if (mark >= signatures.Count())
        return;
    DropPattern(store, signatures[mark]);
    signatures.Truncate(mark);
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

struct FragmentReport {
    BodyMatcher* matcher;
    uint64_t fragmentEnd;
};

} // namespace

// The automaton reports shorter fragments that end here too; each signature knows its own length.
bool BodyDatabase::ReportFragment(void* context, uint32_t signature)
{
    FragmentReport& report = *static_cast<FragmentReport*>(context);
    report.matcher->OnFragment(signature, report.fragmentEnd);
    return report.matcher->Found() != NO_SIGNATURE;
}

uint32_t BodyDatabase::ScanChunk(const uint8_t* data, uint32_t size, uint64_t base, uint32_t& state,
                                 BodyMatcher& matcher) const
{
    if (signatures.Count() == 0)
        return NO_SIGNATURE;
    for (uint32_t i = 0; i < size; ++i) {
        i = automaton.Run(data, i, size, state);
        if (i == size)
            break;
        FragmentReport report { &matcher, base + i };
        if (automaton.ReportAll(state, ReportFragment, &report))
            return matcher.Found();
    }
    matcher.Advance(base + size);
    return matcher.Found();
}

} // namespace orv
