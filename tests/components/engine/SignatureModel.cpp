// The randomized tests' signature models and plain matcher.
#include "SignatureModel.h"

#include <algorithm>

std::string RandomText(std::mt19937& random, size_t length, uint32_t alphabet)
{
    std::string text(length, '\0');
    for (char& c : text)
        c = char(alphabet == 256 ? random() : 'a' + random() % alphabet);
    return text;
}

namespace {

std::string RenderToken(orv::PatternToken token)
{
    static const char* digits = "0123456789abcdef";
    std::string out;
    out += token.mask & 0xF0 ? digits[token.value >> 4] : '?';
    out += token.mask & 0x0F ? digits[token.value & 15] : '?';
    return out;
}

std::string RenderGap(uint32_t low, uint32_t high, std::mt19937& random)
{
    if (high == UINT32_MAX)
        return low == 0 && random() % 2 ? "*" : "{" + std::to_string(low) + "-}";
    if (low == high)
        return low <= 2 && random() % 2 ? std::string(2 * low, '?') : "{" + std::to_string(low) + "}";
    if (low == 0 && random() % 2)
        return "{-" + std::to_string(high) + "}";
    return "{" + std::to_string(low) + "-" + std::to_string(high) + "}";
}

void PickGap(std::mt19937& random, uint32_t scale, uint32_t& low, uint32_t& high)
{
    low = random() % (4 * scale);
    high = random() % 4 == 0 ? UINT32_MAX : low + random() % (5 * scale);
}

// Whether a match may start at start in a file of size bytes.
bool OffsetAllows(const SignatureModel& model, size_t start, size_t size)
{
    if (model.kind == orv::OFFSET_ANY)
        return true;
    if (model.kind == orv::OFFSET_EOF && model.value > size)
        return false;
    size_t base = model.kind == orv::OFFSET_EOF ? size - model.value : model.value;
    return start >= base && start - base <= model.shift;
}

// Marks [from + low, from + high] (high UINT32_MAX: to the end) in a difference array.
void MarkRange(std::vector<int>& marks, size_t from, uint32_t low, uint32_t high)
{
    size_t size = marks.size() - 1;
    if (from + low > size)
        return;
    size_t last = high == UINT32_MAX || from + high >= size ? size : from + high + 1;
    ++marks[from + low];
    --marks[last];
}

uint32_t GapSample(std::mt19937& random, uint32_t low, uint32_t high)
{
    uint32_t top = high == UINT32_MAX ? low + 12 : high;
    return low + random() % (top - low + 1);
}

} // namespace

SignatureModel MakeSignature(std::mt19937& random, std::string& hex, uint32_t scale)
{
    SignatureModel model;
    uint32_t count = 1 + random() % 3;
    uint32_t anchored = random() % count;
    for (uint32_t e = 0; e < count; ++e) {
        SignatureModel::Element element;
        if (e > 0 || random() % 3 == 0) {
            PickGap(random, scale, element.gapMin, element.gapMax);
            hex += RenderGap(element.gapMin, element.gapMax, random);
        }
        uint32_t length = 1 + random() % 6;
        for (uint32_t t = 0; t < length; ++t) {
            uint8_t byte = uint8_t('a' + random() % 4);
            uint32_t form = random() % 8;
            orv::PatternToken token { byte, 0xFF };
            if (form == 0)
                token = { 0, 0 };
            else if (form == 1)
                token = { uint8_t(byte & 0xF0), 0xF0 };
            else if (form == 2)
                token = { uint8_t(byte & 0x0F), 0x0F };
            element.tokens.push_back(token);
        }
        if (e == anchored)
            for (uint32_t t = 0, run = 2 + random() % 6; t < run; ++t)
                element.tokens.push_back({ uint8_t('a' + random() % 4), 0xFF });
        for (orv::PatternToken token : element.tokens)
            hex += RenderToken(token);
        model.elements.push_back(element);
    }
    if (random() % 4 == 0) {
        PickGap(random, scale, model.trailMin, model.trailMax);
        hex += RenderGap(model.trailMin, model.trailMax, random);
    }
    return model;
}

void PickOffset(std::mt19937& random, SignatureModel& model)
{
    uint32_t form = random() % 6;
    if (form >= 2)
        return;
    model.kind = form == 0 ? orv::OFFSET_START : orv::OFFSET_EOF;
    model.value = random() % 40;
    model.shift = random() % 2 ? random() % 20 : 0;
    model.offset = (form == 0 ? "" : "EOF-") + std::to_string(model.value);
    if (model.shift)
        model.offset += "," + std::to_string(model.shift);
}

// Every end offset (of the last byte) of a match, found the plain way: the places where each element
// may start, element by element, spread over the gaps with difference arrays.
std::vector<size_t> PlainMatchEnds(const SignatureModel& model, const std::string& data)
{
    size_t size = data.size();
    std::vector<int> marks(size + 1, 0);
    for (size_t s = 0; s <= size; ++s)
        if (OffsetAllows(model, s, size))
            MarkRange(marks, s, model.elements[0].gapMin, model.elements[0].gapMax);
    std::vector<size_t> ends;
    for (size_t e = 0; e < model.elements.size(); ++e) {
        const auto& tokens = model.elements[e].tokens;
        std::vector<int> next(size + 1, 0);
        int open = 0;
        for (size_t p = 0; p + tokens.size() <= size; ++p) {
            open += marks[p];
            if (open <= 0)
                continue;
            bool match = true;
            for (size_t t = 0; t < tokens.size() && match; ++t)
                match = (uint8_t(data[p + t]) & tokens[t].mask) == tokens[t].value;
            if (!match)
                continue;
            size_t end = p + tokens.size();
            if (e + 1 < model.elements.size())
                MarkRange(next, end, model.elements[e + 1].gapMin, model.elements[e + 1].gapMax);
            else if (size - end >= model.trailMin)
                ends.push_back(end - 1);
        }
        marks.swap(next);
    }
    return ends;
}

void Plant(std::mt19937& random, const SignatureModel& model, std::string& data)
{
    std::string instance;
    for (const auto& element : model.elements) {
        instance += RandomText(random, GapSample(random, element.gapMin, element.gapMax), 4);
        for (orv::PatternToken token : element.tokens)
            instance += char(token.value | (uint8_t('a' + random() % 4) & ~token.mask));
    }
    size_t trail = GapSample(random, model.trailMin, model.trailMax);
    instance += RandomText(random, trail, 4);
    // Some instances go at the very end, with their trailing gap cut short, so that the bytes a
    // trailing gap asks for are sometimes missing.
    bool atEnd = random() % 3 == 0;
    if (atEnd)
        instance.resize(instance.size() - random() % (trail + 1));
    if (instance.size() > data.size())
        return;
    size_t at = atEnd ? data.size() - instance.size() : random() % (data.size() - instance.size() + 1);
    if (model.kind != orv::OFFSET_ANY) {
        size_t base = model.kind == orv::OFFSET_START ? model.value : data.size() - std::min<size_t>(model.value, data.size());
        at = base + random() % (model.shift + 1);
    }
    if (at + instance.size() <= data.size())
        data.replace(at, instance.size(), instance);
}
