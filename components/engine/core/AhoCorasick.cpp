// Building the automaton: a trie of linked children, renumbered breadth first so that the root's
// children are states 1..n, then failure links, then compact rows.
#include "AhoCorasick.h"

namespace orv {

void AhoCorasick::Init(const CoreAllocator* allocator)
{
    alloc = allocator;
    nodes.Init(allocator);
    buildOutputs.Init(allocator);
    states.Init(allocator);
    edgeByte.Init(allocator);
    edgeTarget.Init(allocator);
    outputs.Init(allocator);
    dense.Init(allocator);
    denseLast = 0;
    patternCount = 0;
    filter.Init(allocator);
    nodes.Grow(1);
}

void AhoCorasick::Release()
{
    nodes.Release();
    buildOutputs.Release();
    states.Release();
    edgeByte.Release();
    edgeTarget.Release();
    outputs.Release();
    dense.Release();
    filter.Release();
}

uint32_t AhoCorasick::FindChild(uint32_t node, uint8_t byte) const
{
    for (uint32_t child = nodes[node].firstChild; child; child = nodes[child].nextSibling)
        if (nodes[child].byte == byte)
            return child;
    return 0;
}

bool AhoCorasick::AddPattern(const uint8_t* bytes, uint32_t length, uint32_t id)
{
    if (length == 0 || nodes.Count() == 0 || !filter.AddFragment(bytes, length))
        return false;
    uint32_t node = 0;
    for (uint32_t i = 0; i < length; ++i) {
        uint32_t child = FindChild(node, bytes[i]);
        if (!child) {
            child = nodes.Count();
            if (child >= STATE_MASK || !nodes.Grow(1))
                return false;
            nodes[child].byte = bytes[i];
            nodes[child].nextSibling = nodes[node].firstChild;
            nodes[node].firstChild = child;
        }
        node = child;
    }
    if (!buildOutputs.Push({ id, nodes[node].outHead }))
        return false;
    nodes[node].outHead = buildOutputs.Count();
    ++patternCount;
    return true;
}

// Breadth-first order: order[newId] = old node, newId[old node] = new id.
bool AhoCorasick::OrderStates(Vec<uint32_t>& order, Vec<uint32_t>& newId)
{
    uint32_t count = nodes.Count();
    if (!order.Reserve(count) || !newId.Grow(count) || !states.Grow(count))
        return false;
    order.Push(0);
    for (uint32_t head = 0; head < order.Count(); ++head)
        for (uint32_t child = nodes[order[head]].firstChild; child; child = nodes[child].nextSibling) {
            newId[child] = order.Count();
            order.Push(child);
        }
    return true;
}

bool AhoCorasick::ComputeFailures(const Vec<uint32_t>& order, const Vec<uint32_t>& newId)
{
    Vec<uint32_t> oldFail;
    oldFail.Init(alloc);
    if (!oldFail.Grow(nodes.Count()))
        return false;
    // Most failure chains end at the root, whose list of children is the longest.
    uint32_t rootChild[256] = {};
    for (uint32_t child = nodes[0].firstChild; child; child = nodes[child].nextSibling)
        rootChild[nodes[child].byte] = child;
    for (uint32_t i = 0; i < order.Count(); ++i) {
        uint32_t node = order[i];
        for (uint32_t child = nodes[node].firstChild; child; child = nodes[child].nextSibling) {
            uint32_t target = 0;
            for (uint32_t f = oldFail[node]; node != 0; f = oldFail[f]) {
                uint8_t byte = uint8_t(nodes[child].byte);
                target = f == 0 ? rootChild[byte] : FindChild(f, byte);
                if (target || f == 0)
                    break;
            }
            oldFail[child] = target;
            State& state = states[newId[child]];
            state.fail = newId[target];
            const State& failState = states[state.fail];
            state.dict = nodes[target].outHead ? newId[target] : failState.dict;
        }
    }
    oldFail.Release();
    return true;
}

uint32_t AhoCorasick::Flagged(uint32_t state) const
{
    const State& s = states[state];
    return s.outCount || s.dict ? state | OUTPUT_FLAG : state;
}

bool AhoCorasick::CompactEdges(const Vec<uint32_t>& order, const Vec<uint32_t>& newId)
{
    for (uint32_t i = 0; i < order.Count(); ++i) {
        State& state = states[i];
        state.outStart = outputs.Count();
        for (uint32_t out = nodes[order[i]].outHead; out; out = buildOutputs[out - 1].next)
            if (!outputs.Push(buildOutputs[out - 1].id))
                return false;
        state.outCount = outputs.Count() - state.outStart;
    }
    for (uint32_t i = 0; i < order.Count(); ++i) {
        State& state = states[i];
        state.edgeStart = edgeByte.Count();
        for (uint32_t child = nodes[order[i]].firstChild; child; child = nodes[child].nextSibling) {
            if (!edgeByte.Push(uint8_t(nodes[child].byte)) || !edgeTarget.Push(Flagged(newId[child])))
                return false;
        }
        state.edgeCount = edgeByte.Count() - state.edgeStart;
    }
    return true;
}

bool AhoCorasick::FillDenseRows(uint32_t rootChildren)
{
    denseLast = rootChildren;
    if (!dense.Grow((denseLast + 1) * 256))
        return false;
    for (uint32_t state = 0; state <= denseLast; ++state) {
        uint32_t* row = dense.Data() + state * 256;
        if (state > 0)
            memcpy(row, dense.Data(), 256 * sizeof(uint32_t));
        const State& s = states[state];
        for (uint32_t e = 0; e < s.edgeCount; ++e)
            row[edgeByte[s.edgeStart + e]] = edgeTarget[s.edgeStart + e];
    }
    return true;
}

bool AhoCorasick::Build()
{
    Vec<uint32_t> order;
    Vec<uint32_t> newId;
    order.Init(alloc);
    newId.Init(alloc);
    bool built = OrderStates(order, newId) && ComputeFailures(order, newId) && CompactEdges(order, newId);
    // Depth-one states are exactly the root's children: they come first in breadth-first order.
    uint32_t rootChildren = 0;
    for (uint32_t child = built ? nodes[0].firstChild : 0; child; child = nodes[child].nextSibling)
        ++rootChildren;
    if (built)
        built = FillDenseRows(rootChildren);
    if (built)
        built = filter.Build();
    order.Release();
    newId.Release();
    nodes.Release();
    buildOutputs.Release();
    return built;
}

// One exact step from any state.
inline uint32_t AhoCorasick::Next(uint32_t current, uint8_t c) const
{
    for (;;) {
        if (current <= denseLast)
            return dense[(current << 8) | c];
        const State& s = states[current];
        uint32_t e = s.edgeStart;
        uint32_t end = e + s.edgeCount;
        while (e < end && edgeByte[e] != c)
            ++e;
        if (e < end)
            return edgeTarget[e];
        current = s.fail;
    }
}

// The hot loop of every scan. The filter passes over the windows where no fragment starts; from a
// window it lets through, the automaton runs exactly from the root, over the whole window and one
// byte more, and then until it is back at depth one or less. There every fragment that started
// earlier has been reported or has failed, so the filter takes over again: from the last byte when
// that byte leaves the automaton at depth one (a fragment may start there), else after it.
uint32_t AhoCorasick::Run(const uint8_t* data, uint32_t from, uint32_t size, uint32_t& state) const
{
    uint32_t current = state;
    uint32_t i = from;
    uint32_t exactUntil = from;  // the exact run goes on at least up to here
    bool filtering = current == 0;
    for (;;) {
        if (filtering) {
            i = filter.Skip(data, i, size);
            current = 0;
            exactUntil = i + filter.Stride() + 1;
            filtering = false;
        }
        if (i >= size)
            break;
        uint32_t next = Next(current, data[i]);
        current = next & STATE_MASK;
        if (next & OUTPUT_FLAG) {
            state = current;
            return i;
        }
        ++i;
        if (current <= denseLast && i >= exactUntil) {
            i -= current != 0 ? 1 : 0;
            filtering = true;
        }
    }
    state = current;
    return size;
}

bool AhoCorasick::ReportAll(uint32_t state, bool (*report)(void* context, uint32_t id), void* context) const
{
    for (uint32_t s = state; s; s = states[s].dict) {
        const State& current = states[s];
        for (uint32_t i = 0; i < current.outCount; ++i)
            if (report(context, outputs[current.outStart + i]))
                return true;
        if (current.dict == s)
            break;
    }
    return false;
}

} // namespace orv
