// Loading logical signatures and evaluating them on a file's subsignature counts.
#include "LogicalDatabase.h"

namespace orv {
namespace {

constexpr uint32_t MAX_TARGET_ITEMS = 16;

// "X-Y", "X-" or "X": whether our level lies in the range.
bool ParseEngineRange(TextSpan value, bool& accepts)
{
    uint32_t dash = FindChar(value, '-');
    TextSpan levels[2] = { { value.text, dash }, {} };
    if (dash < value.size)
        levels[1] = { value.text + dash + 1, value.size - dash - 1 };
    uint32_t minimum = 0;
    return levels[0].size && ParseLevels(levels, 2, accepts, minimum);
}

// "Engine:X-Y,Target:0": the engine range must come first, the target must be there; other keys
// (file size, entry point, containers, icons) are not understood.
LineVerdict CheckTargetBlock(TextSpan block)
{
    TextSpan items[MAX_TARGET_ITEMS];
    uint32_t count = SplitFields(block, items, MAX_TARGET_ITEMS, ',');
    if (count > MAX_TARGET_ITEMS)
        return LineVerdict::Refused(REFUSED_TARGET_BLOCK);
    bool accepts = true;
    bool hasTarget = false;
    bool targetZero = false;
    for (uint32_t i = 0; i < count; ++i) {
        TextSpan pair[2];
        if (SplitFields(items[i], pair, 2) != 2)
            return LineVerdict::Refused(REFUSED_TARGET_BLOCK);
        uint64_t target = 0;
        if (pair[0].Equals("Engine") && i == 0) {
            if (!ParseEngineRange(pair[1], accepts))
                return LineVerdict::Refused(REFUSED_TARGET_BLOCK);
        } else if (pair[0].Equals("Target") && !hasTarget && ParseDecimal(pair[1], UINT32_MAX, target)) {
            hasTarget = true;
            targetZero = target == 0;
        } else {
            return LineVerdict::Refused(REFUSED_TARGET_BLOCK);
        }
    }
    if (!accepts)
        return LineVerdict::OtherLevel();
    if (!hasTarget)
        return LineVerdict::Refused(REFUSED_TARGET_BLOCK);
    return targetZero ? LineVerdict::Kept(KEPT_LOGICAL) : LineVerdict::Refused(REFUSED_TARGET);
}

// The subsignature forms that are not body patterns are told apart by their characters.
bool UnsupportedSubsignature(TextSpan text, RefusalReason& reason)
{
    for (uint32_t i = 0; i < text.size; ++i) {
        char c = text.text[i];
        if (c == ':' && i + 1 < text.size && text.text[i + 1] == ':')
            reason = REFUSED_MODIFIER;
        else if (c == '/')
            reason = REFUSED_PCRE;
        else if (c == '#')
            reason = REFUSED_BYTE_COMPARE;
        else if (c == '$')
            reason = REFUSED_MACRO;
        else
            continue;
        return true;
    }
    return false;
}

struct CountContext {
    const BodyMatcher* matcher;
    uint32_t firstCounter;
};

uint32_t CountOf(const void* context, uint32_t subsignature)
{
    const CountContext& self = *static_cast<const CountContext*>(context);
    return self.matcher->Count(self.firstCounter + subsignature);
}

uint32_t NoMatches(const void*, uint32_t) { return 0; }

} // namespace

void LogicalDatabase::Init(const CoreAllocator* allocator)
{
    signatures.Init(allocator);
    nodes.Init(allocator);
    trueWithoutMatches.Init(allocator);
    counters = 0;
}

void LogicalDatabase::Release()
{
    signatures.Release();
    nodes.Release();
    trueWithoutMatches.Release();
}

void LogicalDatabase::Load(const char* text, uint32_t size, NamePool& names, const IgnoreList& ignores,
                           BodyDatabase& body, FileStats& stats)
{
    LoadLines(text, size, stats, [&](TextSpan line) {
        uint32_t before = body.Count();
        LineVerdict verdict = ParseLine(line, names, ignores, body);
        stats.kept[KEPT_SUBSIGNATURE] += body.Count() - before;
        return verdict;
    });
}

LineVerdict LogicalDatabase::AddSubsignatures(const TextSpan* fields, uint32_t count, BodyDatabase& body)
{
    RefusalReason reason = REFUSED_HEX;
    for (uint32_t i = 0; i < count; ++i)
        if (UnsupportedSubsignature(fields[i], reason))
            return LineVerdict::Refused(reason);
    uint32_t mark = body.Mark();
    for (uint32_t i = 0; i < count; ++i) {
        TextSpan offset { "*", 1 };
        TextSpan hex = fields[i];
        uint32_t colon = FindChar(hex, ':');
        if (colon < hex.size) {
            offset = { hex.text, colon };
            hex = { hex.text + colon + 1, hex.size - colon - 1 };
        }
        if (!body.AddSubsignature(offset, hex, signatures.Count(), counters + i, reason)) {
            body.RollBack(mark);
            return LineVerdict::Refused(reason);
        }
    }
    return LineVerdict::Kept(KEPT_LOGICAL);
}

LineVerdict LogicalDatabase::ParseLine(TextSpan line, NamePool& names, const IgnoreList& ignores, BodyDatabase& body)
{
    TextSpan fields[3 + MAX_SUBSIGNATURES];
    uint32_t count = SplitFields(line, fields, 3 + MAX_SUBSIGNATURES, ';');
    if (count < 4 || count > 3 + MAX_SUBSIGNATURES || fields[0].size == 0)
        return LineVerdict::Refused(REFUSED_SYNTAX);
    LineVerdict target = CheckTargetBlock(fields[1]);
    if (target.outcome != LineVerdict::KEPT)
        return target;
    if (ignores.Ignores(fields[0], line))
        return LineVerdict::Ignored();
    uint32_t nodeMark = nodes.Count();
    LogicalSignature signature {};
    uint32_t highest = 0;
    // Like the peer, every subsignature must be used by the expression and no other.
    if (!ParseExpression(fields[2], nodes, signature.root, highest) || highest + 1 != count - 3) {
        nodes.Truncate(nodeMark);
        return LineVerdict::Refused(REFUSED_EXPRESSION);
    }
    uint32_t mark = body.Mark();
    LineVerdict verdict = AddSubsignatures(fields + 3, count - 3, body);
    if (verdict.outcome == LineVerdict::KEPT) {
        signature.firstCounter = counters;
        signature.monotone = IsMonotone(nodes, signature.root);
        signature.nameOffset = names.Add(fields[0]);
        if (Keep(signature))
            counters += count - 3;
        else
            verdict = LineVerdict::Refused(REFUSED_MEMORY);
    }
    if (verdict.outcome != LineVerdict::KEPT) {
        body.RollBack(mark);
        nodes.Truncate(nodeMark);
    }
    return verdict;
}

bool LogicalDatabase::Keep(const LogicalSignature& signature)
{
    if (signature.nameOffset == UINT32_MAX || !signatures.Push(signature))
        return false;
    if (!EvaluateExpression(nodes, signature.root, { NoMatches, nullptr }) || trueWithoutMatches.Push(signatures.Count() - 1))
        return true;
    signatures.Truncate(signatures.Count() - 1);
    return false;
}

bool LogicalDatabase::Matches(uint32_t index, const BodyMatcher& matcher) const
{
    CountContext context { &matcher, signatures[index].firstCounter };
    return EvaluateExpression(nodes, signatures[index].root, { CountOf, &context });
}

} // namespace orv
