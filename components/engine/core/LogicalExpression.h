// The logical expression of a logical signature over its subsignatures: indexes, "&" and "|"
// (grouped from the right, as the peer reads them: "0&1|2" is "0&(1|2)"), parentheses, and the
// count forms "A=X", "A>X", "A<X", each optionally ",Y". A count form over a single subsignature
// counts its matches; over a parenthesised block, the matches of all subsignatures in it, with Y
// the least number of different ones among them that must have matched.
#pragma once

#include "CoreMemory.h"
#include "TextLines.h"

namespace orv {

constexpr uint32_t MAX_SUBSIGNATURES = 64;

struct ExpressionNode {
    uint32_t kind;      // NODE_*
    uint32_t left;      // child nodes of "&" and "|"; the subsignature of an index
    uint32_t right;
    uint32_t compare;   // '=', '>' or '<' of a count form
    uint64_t x;
    uint32_t y;
    bool hasY;
    bool single;        // the count form is over one subsignature, not a block
    uint64_t mask;      // the subsignatures the node refers to
};

enum ExpressionNodeKind : uint32_t { NODE_INDEX, NODE_AND, NODE_OR, NODE_COUNT };

// Parses text into nodes appended to the vector; root is the top node. highest is the largest
// subsignature index used. False on a syntax error, nesting deeper than the parser allows, or an
// index of 64 or more.
bool ParseExpression(TextSpan text, Vec<ExpressionNode>& nodes, uint32_t& root, uint32_t& highest);

// counts(context, subsignature) gives the matches of one subsignature of the signature.
struct MatchCounts {
    uint32_t (*count)(const void* context, uint32_t subsignature);
    const void* context;
};

bool EvaluateExpression(const Vec<ExpressionNode>& nodes, uint32_t root, MatchCounts counts);
// Whether more matches can only ever turn the expression true, never false ("=" and "<" can).
bool IsMonotone(const Vec<ExpressionNode>& nodes, uint32_t root);

} // namespace orv
