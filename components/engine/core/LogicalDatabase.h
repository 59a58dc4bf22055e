// Logical signatures (.ldb): "Name;TargetDescriptionBlock;LogicalExpression;Subsig0;Subsig1;...".
// The target block must name target 0 (any file) and may give the engine levels ("Engine:51-255",
// first); the subsignatures are body patterns with an optional "offset:" in front, matched by the
// same automaton and matcher as the .ndb signatures, and counted. The expression is evaluated on
// the counts.
#pragma once

#include "BodyDatabase.h"
#include "LogicalExpression.h"

namespace orv {

struct LogicalSignature {
    uint32_t nameOffset;
    uint32_t root;          // of its expression nodes
    uint32_t firstCounter;  // its subsignatures count in firstCounter, firstCounter + 1, ...
    bool monotone;          // once true, it stays true as the file goes on
};

class LogicalDatabase {
public:
    void Init(const CoreAllocator* allocator);
    void Release();
    void Load(const char* text, uint32_t size, NamePool& names, const IgnoreList& ignores, BodyDatabase& body,
              FileStats& stats);
    uint32_t Count() const { return signatures.Count(); }
    uint32_t CounterCount() const { return counters; }
    const LogicalSignature& Signature(uint32_t index) const { return signatures[index]; }
    bool Matches(uint32_t index, const BodyMatcher& matcher) const;
    // The logical signatures whose expressions hold without any match ("0=0"): they are evaluated
    // for every file, the others only for files where one of their subsignatures matched.
    const Vec<uint32_t>& TrueWithoutMatches() const { return trueWithoutMatches; }

private:
    LineVerdict ParseLine(TextSpan line, NamePool& names, const IgnoreList& ignores, BodyDatabase& body);
    LineVerdict AddSubsignatures(const TextSpan* fields, uint32_t count, BodyDatabase& body);
    bool Keep(const LogicalSignature& signature);

    Vec<LogicalSignature> signatures;
    Vec<ExpressionNode> nodes;
    Vec<uint32_t> trueWithoutMatches;
    uint32_t counters = 0;
};

} // namespace orv
