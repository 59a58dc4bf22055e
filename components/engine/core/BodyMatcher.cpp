// The per-file check of body patterns: anchors from the automaton, interval lists for the rest.
#include "BodyMatcher.h"

namespace orv {
namespace {

// Places looked at per read: the bytes they need stay within the scanner's verification cache.
constexpr uint32_t SCAN_BLOCK = 8192;

} // namespace

void BodyMatcher::Init(const CoreAllocator* allocator)
{
    alloc = allocator;
    nodes.Init(allocator);
    elements.Init(allocator);
    active.Init(allocator);
    pending.Init(allocator);
    tags.Init(allocator);
    counts.Init(allocator);
    ownerMark.Init(allocator);
    touched.Init(allocator);
    serial = 0;
}

void BodyMatcher::Release()
{
    nodes.Release();
    elements.Release();
    active.Release();
    pending.Release();
    tags.Release();
    counts.Release();
    ownerMark.Release();
    touched.Release();
}

void BodyMatcher::Begin(const PatternStore& patterns, const Vec<BodySignature>& all, uint32_t counters, uint32_t owners,
                        ByteSource file)
{
    store = &patterns;
    signatures = &all;
    source = file;
    found = NO_SIGNATURE;
    failed = false;
    freeNodes = 0;
    nodes.Truncate(0);
    elements.Truncate(0);
    active.Truncate(0);
    pending.Truncate(0);
    touched.Truncate(0);
    // The tables are stamped with the file's serial instead of being cleared for every file; they
    // are cleared only when the serial comes round again.
    if (++serial == 0) {
        tags.Truncate(0);
        counts.Truncate(0);
        ownerMark.Truncate(0);
        serial = 1;
    }
    failed = !nodes.Grow(1) || !Reserve(all.Count(), counters, owners);
}

bool BodyMatcher::Reserve(uint32_t signatureCount, uint32_t counters, uint32_t owners)
{
    return (tags.Count() >= signatureCount || tags.Grow(signatureCount - tags.Count()))
        && (counts.Count() >= counters || counts.Grow(counters - counts.Count()))
        && (ownerMark.Count() >= owners || ownerMark.Grow(owners - ownerMark.Count())) && nodes.Reserve(64)
        && elements.Reserve(64) && active.Reserve(16) && pending.Reserve(16) && touched.Reserve(16);
}

uint32_t BodyMatcher::Count(uint32_t counter) const
{
    return counter < counts.Count() && counts[counter].serial == serial ? counts[counter].value : 0;
}

void BodyMatcher::TakeTouched()
{
    // Marks hold the serial; a logical signature taken off the list may be touched again later in
    // the same file, so the marks of the taken ones are cleared.
    for (uint32_t i = 0; i < touched.Count(); ++i)
        ownerMark[touched[i]] = 0;
    touched.Truncate(0);
}

// Where the first element may start: the offset's window widened by the leading gap.
bool BodyMatcher::StartWindow(const BodySignature& sig, uint64_t& start, uint64_t& end) const
{
    uint64_t base = 0;
    uint64_t last = SPAN_UNBOUNDED;
    if (sig.offsetKind != OFFSET_ANY) {
        base = sig.offsetValue;
        if (sig.offsetKind == OFFSET_EOF) {
            if (source.size < base)
                return false;
            base = source.size - base;
        }
        last = base + sig.offsetShift;
    }
    const PatternElement& first = Element(sig, 0);
    start = base + first.gapMin;
    end = last == SPAN_UNBOUNDED || first.gapMax == GAP_UNBOUNDED ? SPAN_UNBOUNDED : last + first.gapMax;
    return start < source.size;
}

bool BodyMatcher::MatchesAt(const PatternElement& element, const uint8_t* bytes) const
{
    const PatternToken* tokens = store->tokens.Data() + element.tokenStart;
    for (uint32_t i = 0; i < element.tokenCount; ++i)
        if ((bytes[i] & tokens[i].mask) != tokens[i].value)
            return false;
    return true;
}

bool BodyMatcher::ElementAt(const PatternElement& element, uint64_t position) const
{
    const uint8_t* bytes = source.bytes(source.context, position, element.tokenCount);
    return bytes && MatchesAt(element, bytes);
}

BodyMatcher::Active* BodyMatcher::Activate(uint32_t s)
{
    Tag& tag = tags[s];
    if (tag.serial == serial)
        return tag.index == UINT32_MAX ? nullptr : &active[tag.index];
    tag.serial = serial;
    tag.index = UINT32_MAX;  // dead for this file until set up below
    const BodySignature& sig = Signature(s);
    uint64_t start = 0, end = 0;
    if (!StartWindow(sig, start, end))
        return nullptr;
    uint32_t first = elements.Count();
    if (!elements.Grow(sig.elementCount) || !active.Push({ s, first, false })) {
        failed = true;
        return nullptr;
    }
    tag.index = active.Count() - 1;
    Append(elements[first], start, end);
    return &active[tag.index];
}

void BodyMatcher::Append(ElementState& state, uint64_t start, uint64_t end)
{
    if (state.done == SPAN_UNBOUNDED)
        return;
    if (state.tail) {
        Interval& last = nodes[state.tail];
        if (last.end == SPAN_UNBOUNDED)
            return;
        if (start <= last.end + 1) {
            if (end > last.end)
                last.end = end;
            return;
        }
    }
    uint32_t node = freeNodes;
    if (node) {
        freeNodes = nodes[node].next;
    } else {
        node = nodes.Count();
        if (!nodes.Grow(1)) {
            failed = true;
            return;
        }
    }
    nodes[node] = { start, end, 0 };
    if (state.tail)
        nodes[state.tail].next = node;
    else
        state.head = node;
    state.tail = node;
}

void BodyMatcher::PopFront(ElementState& state)
{
    uint32_t node = state.head;
    state.head = nodes[node].next;
    if (!state.head)
        state.tail = 0;
    nodes[node].next = freeNodes;
    freeNodes = node;
}

void BodyMatcher::SkipTo(ElementState& state, uint64_t position)
{
    if (state.done < position)
        state.done = position;
    while (state.head && nodes[state.head].end < position)
        PopFront(state);
}

bool BodyMatcher::Contains(ElementState& state, uint64_t position)
{
    while (state.head && nodes[state.head].end < position)
        PopFront(state);
    return state.head && nodes[state.head].start <= position;
}

void BodyMatcher::Matched(uint32_t s)
{
    const BodySignature& sig = Signature(s);
    if (sig.owner == NO_OWNER) {
        if (found == NO_SIGNATURE)
            found = s;
        return;
    }
    Counter& count = counts[sig.counter];
    if (count.serial != serial)
        count = { serial, 0 };
    if (count.value != UINT32_MAX)
        ++count.value;
    if (ownerMark[sig.owner] != serial) {
        ownerMark[sig.owner] = serial;
        if (!touched.Push(sig.owner))
            failed = true;
    }
}

// Element index found at position: opens the places of the next one, or completes a match.
void BodyMatcher::Occur(Active& state, uint32_t index, uint64_t position)
{
    const BodySignature& sig = Signature(state.signature);
    uint64_t end = position + Element(sig, index).tokenCount;
    if (index + 1 == sig.elementCount) {
        if (end <= source.size && source.size - end >= sig.trailMin)
            Matched(state.signature);
        return;
    }
    const PatternElement& next = Element(sig, index + 1);
    uint64_t last = next.gapMax == GAP_UNBOUNDED ? SPAN_UNBOUNDED : end + next.gapMax;
    Append(elements[state.firstElement + index + 1], end + next.gapMin, last);
    if (index + 1 > sig.anchorElement && !state.pending) {
        state.pending = true;
        if (!pending.Push(uint32_t(&state - active.Data())))
            failed = true;
    }
}

// Looks at the places of element index from its list up to limit (the last start whose bytes are
// all in hand).
void BodyMatcher::ScanElement(Active& state, uint32_t index, uint64_t limit)
{
    const BodySignature& sig = Signature(state.signature);
    ElementState* element = &elements[state.firstElement + index];
    uint32_t length = Element(sig, index).tokenCount;
    if (source.size < length) {
        element->done = SPAN_UNBOUNDED;
        return;
    }
    if (limit > source.size - length)
        limit = source.size - length;
    while (element->head && found == NO_SIGNATURE && element->done != SPAN_UNBOUNDED) {
        Interval interval = nodes[element->head];
        uint64_t from = interval.start > element->done ? interval.start : element->done;
        uint64_t to = interval.end < limit ? interval.end : limit;
        if (from <= to) {
            ScanRange(state, index, from, to);
            if (element->done == SPAN_UNBOUNDED)
                break;
            element->done = to + 1;
        }
        if (interval.end > limit)
            break;
        PopFront(*element);
    }
    if (element->done == SPAN_UNBOUNDED)
        while (element->head)
            PopFront(*element);
}

void BodyMatcher::ScanRange(Active& state, uint32_t index, uint64_t from, uint64_t to)
{
    const BodySignature& sig = Signature(state.signature);
    const PatternElement& element = Element(sig, index);
    uint32_t first = state.firstElement;
    bool last = index + 1 == sig.elementCount;
    for (uint64_t position = from; position <= to;) {
        uint64_t left = to - position + 1;
        uint32_t places = left < SCAN_BLOCK ? uint32_t(left) : SCAN_BLOCK;
        const uint8_t* bytes = source.bytes(source.context, position, places + element.tokenCount - 1);
        if (!bytes)
            places = 1;  // a read that cannot serve the block is tried place by place
        for (uint32_t i = 0; i < places; ++i) {
            if (bytes ? !MatchesAt(element, bytes + i) : !ElementAt(element, position + i))
                continue;
            Occur(state, index, position + i);
            if (found != NO_SIGNATURE || failed)
                return;
            // Once the next element may start anywhere up to the end, later places add nothing.
            const ElementState& next = elements[first + index + (last ? 0 : 1)];
            if (!last && next.tail && nodes[next.tail].end == SPAN_UNBOUNDED) {
                elements[first + index].done = SPAN_UNBOUNDED;
                return;
            }
        }
        position += places;
    }
}

// The elements before the anchor, brought up to the anchor's start: each is looked for only where it
// could still lead to an anchor at or after anchorStart.
void BodyMatcher::CatchUpPrefix(Active& state, uint64_t anchorStart)
{
    const BodySignature& sig = Signature(state.signature);
    for (uint32_t i = 0; i < sig.anchorElement && found == NO_SIGNATURE && !failed; ++i) {
        const PatternElement& element = Element(sig, i);
        if (anchorStart < element.toAnchorMin)
            return;
        if (element.toAnchorMax != SPAN_UNBOUNDED && anchorStart > element.toAnchorMax)
            SkipTo(elements[state.firstElement + i], anchorStart - element.toAnchorMax);
        ScanElement(state, i, anchorStart - element.toAnchorMin);
    }
}

void BodyMatcher::OnFragment(uint32_t s, uint64_t fragmentEnd)
{
    if (found != NO_SIGNATURE || failed)
        return;
    const BodySignature& sig = Signature(s);
    uint64_t before = uint64_t(sig.anchorToken) + sig.anchorLength;
    if (fragmentEnd + 1 < before)
        return;
    uint64_t start = fragmentEnd + 1 - before;
    const PatternElement& anchor = Element(sig, sig.anchorElement);
    if (!ElementAt(anchor, start))
        return;
    if (sig.elementCount == 1) {
        // Most signatures are one run: no per-file state is needed for them.
        uint64_t first = 0, last = 0;
        if (StartWindow(sig, first, last) && first <= start && start <= last) {
            uint64_t end = start + anchor.tokenCount;
            if (end <= source.size && source.size - end >= sig.trailMin)
                Matched(s);
        }
        return;
    }
    Active* state = Activate(s);
    if (!state)
        return;
    uint32_t index = uint32_t(state - active.Data());
    CatchUpPrefix(*state, start);
    Active& current = active[index];
    if (found == NO_SIGNATURE && Contains(elements[current.firstElement + sig.anchorElement], start))
        Occur(current, sig.anchorElement, start);
}

void BodyMatcher::Advance(uint64_t fed)
{
    uint32_t kept = 0;
    for (uint32_t p = 0; p < pending.Count() && found == NO_SIGNATURE && !failed; ++p) {
        uint32_t index = pending[p];
        const BodySignature& sig = Signature(active[index].signature);
        bool more = false;
        for (uint32_t i = sig.anchorElement + 1; i < sig.elementCount && found == NO_SIGNATURE; ++i) {
            uint32_t length = Element(sig, i).tokenCount;
            if (fed >= length)
                ScanElement(active[index], i, fed - length);
            const ElementState& element = elements[active[index].firstElement + i];
            more = more || (element.head && element.done != SPAN_UNBOUNDED);
        }
        active[index].pending = more;
        if (more)
            pending[kept++] = index;
    }
    pending.Truncate(kept);
}

} // namespace orv
