// Verification of body signatures: the element holding the fragment is placed, then the elements
// before it are matched backwards and those after it forwards, trying the gap lengths each allows.
#include "PatternVerifier.h"

namespace orv {
namespace {

struct Verifier {
    const PatternStore& store;
    const BodySignature& signature;
    uint32_t signatureIndex;
    VerifyState& state;
    uint32_t budget;

    const PatternElement& Element(uint32_t index) const { return store.elements[signature.elementStart + index]; }

    bool MatchAt(uint32_t index, uint64_t position)
    {
        const PatternElement& element = Element(index);
        const uint8_t* bytes = state.source.bytes(state.source.context, position, element.tokenCount);
        if (!bytes)
            return false;
        const PatternToken* tokens = store.tokens.Data() + element.tokenStart;
        for (uint32_t i = 0; i < element.tokenCount; ++i)
            if ((bytes[i] & tokens[i].mask) != tokens[i].value)
                return false;
        return true;
    }

    bool Spend()
    {
        if (budget == 0 || state.budget == 0)
            return false;
        --budget;
        --state.budget;
        return true;
    }

    bool OffsetAccepts(uint64_t start) const
    {
        uint64_t base = signature.offsetValue;
        if (signature.offsetKind == OFFSET_ANY)
            return true;
        if (signature.offsetKind == OFFSET_EOF) {
            if (state.source.size < base)
                return false;
            base = state.source.size - base;
        }
        return start >= base && start - base <= signature.offsetShift;
    }

    SearchMemo& MemoSlot(uint32_t index, bool forward)
    {
        uint32_t hash = (signatureIndex * 31 + index * 2 + (forward ? 1 : 0)) % SEARCH_MEMO_SLOTS;
        return state.memo[hash];
    }

    // The nearest place of element index at or after from (forward) or at or before from
    // (backward); each place tried is taken from the file's allowance only.
    uint64_t Search(uint32_t index, uint64_t from, bool forward)
    {
        SearchMemo& memo = MemoSlot(index, forward);
        bool known = memo.serial == state.serial && memo.signature == signatureIndex && memo.element == index
            && memo.forward == uint32_t(forward);
        if (known && forward && from >= memo.bound && (memo.found == NOT_FOUND || from <= memo.found))
            return memo.found;
        if (known && !forward && from <= memo.bound && (memo.found == NOT_FOUND || from >= memo.found))
            return memo.found;
        uint64_t length = Element(index).tokenCount;
        uint64_t found = NOT_FOUND;
        if (forward) {
            for (uint64_t at = from; length <= state.source.size && at <= state.source.size - length && state.budget; ++at, --state.budget)
                if (MatchAt(index, at)) {
                    found = at;
                    break;
                }
        } else {
            for (uint64_t at = from + 1; at-- > 0 && state.budget; --state.budget)
                if (MatchAt(index, at)) {
                    found = at;
                    break;
                }
        }
        memo = { state.serial, signatureIndex, index, uint32_t(forward), from, found };
        return found;
    }

    // Elements index, index + 1, ... after the previous element ended at position.
    bool Forward(uint32_t index, uint64_t position)
    {
        if (index == signature.elementCount)
            return true;
        const PatternElement& element = Element(index);
        if (state.source.size < position || state.source.size - position < element.tokenCount)
            return false;
        // When the next gap is open (or nothing follows), a later place of this element can reach
        // only what the earliest place reaches, so the earliest one decides.
        bool earliestWins = index + 1 == signature.elementCount || Element(index + 1).gapMax == GAP_UNBOUNDED;
        if (earliestWins && element.gapMax == GAP_UNBOUNDED) {
            if (uint64_t(element.gapMin) > state.source.size - position)
                return false;
            uint64_t at = Search(index, position + element.gapMin, true);
            return at != NOT_FOUND && Forward(index + 1, at + element.tokenCount);
        }
        uint64_t room = state.source.size - position - element.tokenCount;
        uint64_t gapMax = element.gapMax < room ? element.gapMax : room;
        for (uint64_t gap = element.gapMin; gap <= gapMax && Spend(); ++gap) {
            if (!MatchAt(index, position + gap))
                continue;
            if (Forward(index + 1, position + gap + element.tokenCount))
                return true;
            if (earliestWins)
                return false;
        }
        return false;
    }

    // Elements index, index - 1, ... before the element index + 1, which starts at following.
    bool Backward(int32_t index, uint64_t following)
    {
        if (index < 0)
            return OffsetAccepts(following);
        const PatternElement& element = Element(uint32_t(index));
        const PatternElement& next = Element(uint32_t(index) + 1);
        if (following < uint64_t(element.tokenCount) + next.gapMin)
            return false;
        // The mirror of Forward: the latest place decides when the gap before it is open.
        bool latestWins = index == 0 ? signature.offsetKind == OFFSET_ANY : element.gapMax == GAP_UNBOUNDED;
        if (latestWins && next.gapMax == GAP_UNBOUNDED) {
            uint64_t at = Search(uint32_t(index), following - next.gapMin - element.tokenCount, false);
            return at != NOT_FOUND && Backward(index - 1, at);
        }
        uint64_t room = following - element.tokenCount;
        uint64_t gapMax = next.gapMax < room ? next.gapMax : room;
        for (uint64_t gap = next.gapMin; gap <= gapMax && Spend(); ++gap) {
            uint64_t start = following - gap - element.tokenCount;
            if (!MatchAt(uint32_t(index), start))
                continue;
            if (Backward(index - 1, start))
                return true;
            if (latestWins)
                return false;
        }
        return false;
    }
};

} // namespace

bool VerifySignature(const PatternStore& store, const BodySignature& signature, uint32_t signatureIndex,
                     VerifyState& state, uint64_t anchorEnd)
{
    uint64_t before = uint64_t(signature.anchorToken) + signature.anchorLength;
    if (anchorEnd + 1 < before || state.budget == 0)
        return false;
    uint64_t start = anchorEnd + 1 - before;
    Verifier verifier { store, signature, signatureIndex, state, VERIFY_BUDGET };
    uint32_t length = store.elements[signature.elementStart + signature.anchorElement].tokenCount;
    return verifier.Spend() && verifier.MatchAt(signature.anchorElement, start)
        && verifier.Backward(int32_t(signature.anchorElement) - 1, start)
        && verifier.Forward(signature.anchorElement + 1, start + length);
}

} // namespace orv
