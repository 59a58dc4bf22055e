// Parsing of body patterns and the choice of their fragment.
#include "BodyPattern.h"

namespace orv {
namespace {

uint32_t SaturatingAdd(uint32_t a, uint32_t b)
{
    return a > GAP_UNBOUNDED - b ? GAP_UNBOUNDED : a + b;
}

uint64_t SaturatingAdd64(uint64_t a, uint64_t b)
{
    return a > SPAN_UNBOUNDED - b ? SPAN_UNBOUNDED : a + b;
}

// "{n}", "{-n}", "{n-}", "{n-m}" between the braces.
bool ParseGap(TextSpan inner, uint32_t& gapMin, uint32_t& gapMax)
{
    uint32_t dash = inner.size;
    for (uint32_t i = 0; i < inner.size; ++i)
        if (inner.text[i] == '-') {
            dash = i;
            break;
        }
    uint64_t low = 0;
    uint64_t high = 0;
    TextSpan left { inner.text, dash };
    if (dash == inner.size) {
        if (!ParseDecimal(left, GAP_UNBOUNDED - 1, low))
            return false;
        gapMin = gapMax = uint32_t(low);
        return true;
    }
    TextSpan right { inner.text + dash + 1, inner.size - dash - 1 };
    if (left.size == 0 && right.size == 0)
        return false;
    if (left.size && !ParseDecimal(left, GAP_UNBOUNDED - 1, low))
        return false;
    if (right.size && !ParseDecimal(right, GAP_UNBOUNDED - 1, high))
        return false;
    gapMin = uint32_t(low);
    gapMax = right.size ? uint32_t(high) : GAP_UNBOUNDED;
    return gapMin <= gapMax;
}

bool ParseToken(char high, char low, PatternToken& token)
{
    int h = high == '?' ? 0 : HexDigit(high);
    int l = low == '?' ? 0 : HexDigit(low);
    if (h < 0 || l < 0)
        return false;
    token.mask = uint8_t((high == '?' ? 0 : 0xF0) | (low == '?' ? 0 : 0x0F));
    token.value = uint8_t((h << 4 | l) & token.mask);
    return true;
}

// The extended forms that need more than a masked byte per position.
bool IsUnsupportedWildcard(char c)
{
    return c == '(' || c == ')' || c == '|' || c == '!' || c == '[' || c == ']';
}

struct HexParser {
    PatternStore& store;
    BodySignature& signature;
    RefusalReason reason = REFUSED_HEX;
    uint32_t pendingMin = 0;
    uint32_t pendingMax = 0;
    bool inElement = false;

    void AddGap(uint32_t gapMin, uint32_t gapMax)
    {
        pendingMin = SaturatingAdd(pendingMin, gapMin);
        pendingMax = SaturatingAdd(pendingMax, gapMax);
        inElement = false;
    }
    bool AddToken(PatternToken token)
    {
        if (!inElement) {
            if (signature.elementCount == MAX_PATTERN_ELEMENTS)
                return Fail(REFUSED_LIMITS);
            PatternElement element {};
            element.tokenStart = store.tokens.Count();
            element.gapMin = pendingMin;
            element.gapMax = pendingMax;
            if (!store.elements.Push(element))
                return Fail(REFUSED_MEMORY);
            ++signature.elementCount;
            pendingMin = pendingMax = 0;
            inElement = true;
        }
        PatternElement& element = store.elements[store.elements.Count() - 1];
        if (element.tokenCount >= MAX_PATTERN_TOKENS)
            return Fail(REFUSED_LIMITS);
        if (!store.tokens.Push(token))
            return Fail(REFUSED_MEMORY);
        ++element.tokenCount;
        return true;
    }
    bool Fail(RefusalReason why)
    {
        reason = why;
        return false;
    }
    // A gap at the start or the end still asks for its bytes: the peer counts them as wildcards.
    bool Parse(TextSpan hex)
    {
        uint32_t i = 0;
        while (i < hex.size) {
            char c = hex.text[i];
            if (c == '*') {
                AddGap(0, GAP_UNBOUNDED);
                ++i;
            } else if (c == '{') {
                uint32_t close = i + 1;
                while (close < hex.size && hex.text[close] != '}')
                    ++close;
                uint32_t gapMin = 0, gapMax = 0;
                if (close == hex.size || !ParseGap({ hex.text + i + 1, close - i - 1 }, gapMin, gapMax))
                    return Fail(REFUSED_HEX);
                AddGap(gapMin, gapMax);
                i = close + 1;
            } else if (IsUnsupportedWildcard(c)) {
                return Fail(REFUSED_WILDCARD);
            } else {
                PatternToken token;
                if (hex.size - i < 2 || !ParseToken(c, hex.text[i + 1], token))
                    return Fail(IsUnsupportedWildcard(hex.size - i < 2 ? c : hex.text[i + 1]) ? REFUSED_WILDCARD : REFUSED_HEX);
                if (!AddToken(token))
                    return false;
                i += 2;
            }
        }
        signature.trailMin = pendingMin;
        return signature.elementCount > 0 || Fail(REFUSED_HEX);
    }
};

// Picks the longest run of exact bytes (at most MAX_ANCHOR_LENGTH); false when it is too short.
bool ChooseAnchor(const PatternStore& store, BodySignature& signature)
{
    uint32_t bestLength = 0;
    for (uint32_t e = 0; e < signature.elementCount; ++e) {
        const PatternElement& element = store.elements[signature.elementStart + e];
        uint32_t run = 0;
        for (uint32_t t = 0; t <= element.tokenCount; ++t) {
            if (t < element.tokenCount && store.tokens[element.tokenStart + t].mask == 0xFF) {
                ++run;
                continue;
            }
            if (run > bestLength) {
                bestLength = run;
                signature.anchorElement = e;
                signature.anchorToken = t - run;
            }
            run = 0;
        }
    }
    signature.anchorLength = bestLength < MAX_ANCHOR_LENGTH ? bestLength : MAX_ANCHOR_LENGTH;
    return bestLength >= MIN_ANCHOR_LENGTH;
}

// The distances from each element before the anchor to the anchor element's start, which bound
// where the matcher looks for them once the anchor has been seen.
void MeasureSpans(PatternStore& store, const BodySignature& signature)
{
    uint64_t low = 0;
    uint64_t high = 0;
    for (uint32_t e = signature.anchorElement; e-- > 0;) {
        PatternElement& element = store.elements[signature.elementStart + e];
        const PatternElement& next = store.elements[signature.elementStart + e + 1];
        low = SaturatingAdd64(low, uint64_t(element.tokenCount) + next.gapMin);
        uint64_t gap = next.gapMax == GAP_UNBOUNDED ? SPAN_UNBOUNDED : next.gapMax;
        high = SaturatingAdd64(high, SaturatingAdd64(element.tokenCount, gap));
        element.toAnchorMin = low;
        element.toAnchorMax = high;
    }
}

} // namespace

bool ParseBodyPattern(TextSpan hex, PatternStore& store, BodySignature& signature, RefusalReason& reason)
{
    uint32_t tokenMark = store.tokens.Count();
    uint32_t elementMark = store.elements.Count();
    signature.elementStart = elementMark;
    signature.elementCount = 0;
    signature.trailMin = 0;
    HexParser parser { store, signature };
    bool parsed = parser.Parse(hex);
    reason = parser.reason;
    if (parsed && !ChooseAnchor(store, signature)) {
        parsed = false;
        reason = REFUSED_NO_ANCHOR;
    }
    if (!parsed) {
        store.tokens.Truncate(tokenMark);
        store.elements.Truncate(elementMark);
        return false;
    }
    MeasureSpans(store, signature);
    return true;
}

void DropPattern(PatternStore& store, const BodySignature& signature)
{
    store.tokens.Truncate(store.elements[signature.elementStart].tokenStart);
    store.elements.Truncate(signature.elementStart);
}

// The other forms of the peer's format (entry point, sections) need file-type knowledge.
bool ParseOffset(TextSpan text, BodySignature& signature)
{
    signature.offsetKind = OFFSET_ANY;
    signature.offsetValue = 0;
    signature.offsetShift = 0;
    if (text.Equals("*"))
        return true;
    TextSpan number = text;
    signature.offsetKind = OFFSET_START;
    if (text.StartsWith("EOF-")) {
        signature.offsetKind = OFFSET_EOF;
        number = { text.text + 4, text.size - 4 };
    }
    uint32_t comma = number.size;
    for (uint32_t i = 0; i < number.size; ++i)
        if (number.text[i] == ',') {
            comma = i;
            break;
        }
    uint64_t value = 0;
    if (!ParseDecimal({ number.text, comma }, UINT32_MAX, value))
        return false;
    signature.offsetValue = uint32_t(value);
    if (comma == number.size)
        return true;
    if (!ParseDecimal({ number.text + comma + 1, number.size - comma - 1 }, UINT32_MAX, value))
        return false;
    signature.offsetShift = uint32_t(value);
    return true;
}

} // namespace orv
