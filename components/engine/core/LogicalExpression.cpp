// Parsing and evaluating logical expressions. Parsing recurses on parentheses and on the right
// operand, both bounded by MAX_DEPTH, so that a hostile line cannot exhaust the stack.
#include "LogicalExpression.h"

namespace orv {
namespace {

constexpr uint32_t MAX_DEPTH = 64;
constexpr uint32_t MAX_NODES = 512;  // per expression

struct ExpressionParser {
    TextSpan text;
    Vec<ExpressionNode>& nodes;
    uint32_t firstNode;
    uint32_t position = 0;
    uint32_t highest = 0;

    char Peek() const { return position < text.size ? text.text[position] : '\0'; }

    bool Number(uint64_t limit, uint64_t& value)
    {
        uint32_t start = position;
        while (position < text.size && text.text[position] >= '0' && text.text[position] <= '9')
            ++position;
        return ParseDecimal({ text.text + start, position - start }, limit, value);
    }

    bool Add(const ExpressionNode& node, uint32_t& index)
    {
        if (nodes.Count() - firstNode >= MAX_NODES || !nodes.Push(node))
            return false;
        index = nodes.Count() - 1;
        return true;
    }

    bool Primary(uint32_t depth, uint32_t& index, bool& single)
    {
        if (Peek() == '(') {
            ++position;
            single = false;
            if (!Expression(depth + 1, index) || Peek() != ')')
                return false;
            ++position;
            return true;
        }
        uint64_t subsignature = 0;
        if (!Number(MAX_SUBSIGNATURES - 1, subsignature))
            return false;
        if (subsignature > highest)
            highest = uint32_t(subsignature);
        single = true;
        ExpressionNode node {};
        node.kind = NODE_INDEX;
        node.left = uint32_t(subsignature);
        node.mask = uint64_t(1) << subsignature;
        return Add(node, index);
    }

    bool Operand(uint32_t depth, uint32_t& index)
    {
        bool single = false;
        if (!Primary(depth, index, single))
            return false;
        char compare = Peek();
        if (compare != '=' && compare != '>' && compare != '<')
            return true;
        ++position;
        ExpressionNode node {};
        node.kind = NODE_COUNT;
        node.compare = uint32_t(compare);
        node.single = single;
        node.mask = nodes[index].mask;
        uint64_t y = 0;
        if (!Number(UINT32_MAX, node.x))
            return false;
        if (Peek() == ',') {
            ++position;
            if (!Number(UINT32_MAX, y))
                return false;
            node.hasY = true;
            node.y = uint32_t(y);
        }
        return Add(node, index);
    }

    bool Expression(uint32_t depth, uint32_t& index)
    {
        if (depth > MAX_DEPTH || !Operand(depth, index))
            return false;
        char op = Peek();
        if (op != '&' && op != '|')
            return true;
        ++position;
        uint32_t right = 0;
        if (!Expression(depth + 1, right))
            return false;
        ExpressionNode node {};
        node.kind = op == '&' ? NODE_AND : NODE_OR;
        node.left = index;
        node.right = right;
        node.mask = nodes[index].mask | nodes[right].mask;
        return Add(node, index);
    }
};

struct Evaluator {
    const Vec<ExpressionNode>& nodes;
    MatchCounts counts;

    bool CountHolds(const ExpressionNode& node) const
    {
        uint64_t total = 0;
        uint32_t distinct = 0;
        for (uint32_t i = 0; i < MAX_SUBSIGNATURES; ++i) {
            if (!(node.mask >> i & 1))
                continue;
            uint32_t count = counts.count(counts.context, i);
            total += count;
            distinct += count ? 1 : 0;
        }
        bool holds = node.compare == '=' ? total == node.x : node.compare == '>' ? total > node.x : total < node.x;
        return holds && (node.single || !node.hasY || distinct >= node.y);
    }

    // Depth is bounded by the parser's.
    bool Value(uint32_t index) const
    {
        const ExpressionNode& node = nodes[index];
        if (node.kind == NODE_INDEX)
            return counts.count(counts.context, node.left) > 0;
        if (node.kind == NODE_COUNT)
            return CountHolds(node);
        if (node.kind == NODE_AND)
            return Value(node.left) && Value(node.right);
        return Value(node.left) || Value(node.right);
    }
};

bool Monotone(const Vec<ExpressionNode>& nodes, uint32_t index)
{
    const ExpressionNode& node = nodes[index];
    if (node.kind == NODE_COUNT)
        return node.compare == '>';  // more matches, and more different ones, keep "more than" true
    if (node.kind == NODE_INDEX)
        return true;
    return Monotone(nodes, node.left) && Monotone(nodes, node.right);
}

} // namespace

bool ParseExpression(TextSpan text, Vec<ExpressionNode>& nodes, uint32_t& root, uint32_t& highest)
{
    uint32_t mark = nodes.Count();
    ExpressionParser parser { text, nodes, mark };
    if (parser.Expression(0, root) && parser.position == text.size) {
        highest = parser.highest;
        return true;
    }
    nodes.Truncate(mark);
    return false;
}

bool EvaluateExpression(const Vec<ExpressionNode>& nodes, uint32_t root, MatchCounts counts)
{
    return Evaluator { nodes, counts }.Value(root);
}

bool IsMonotone(const Vec<ExpressionNode>& nodes, uint32_t root) { return Monotone(nodes, root); }

} // namespace orv
