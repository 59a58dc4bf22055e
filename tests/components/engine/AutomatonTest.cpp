// The automaton with its filter, and whole body signatures, against plain searches over random data:
// a faster matcher must not miss a fragment or a signature that a byte-by-byte search finds.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "CoreTestSupport.h"
#include "core/AhoCorasick.h"

namespace {

using Report = std::pair<uint64_t, uint32_t>;  // end offset of a fragment, its id

std::string RandomText(std::mt19937& random, size_t length, uint32_t alphabet)
{
    std::string text(length, '\0');
    for (char& c : text)
        c = char(alphabet == 256 ? random() : 'a' + random() % alphabet);
    return text;
}

// Fragments of the given lengths; the data holds some of them whole and some cut short, so that
// the automaton goes deep and comes back up often.
struct FragmentCase {
    std::vector<std::string> fragments;
    std::string data;
};

FragmentCase MakeFragmentCase(std::mt19937& random, uint32_t minLength, uint32_t maxLength, uint32_t alphabet)
{
    FragmentCase result;
    for (int i = 0; i < 40; ++i)
        result.fragments.push_back(RandomText(random, minLength + random() % (maxLength - minLength + 1), alphabet));
    result.data = RandomText(random, 3000 + random() % 3000, alphabet);
    for (int i = 0; i < 30; ++i) {
        const std::string& fragment = result.fragments[random() % result.fragments.size()];
        size_t keep = random() % 3 == 0 ? fragment.size() - 1 : fragment.size();
        size_t at = random() % (result.data.size() - fragment.size());
        result.data.replace(at, keep, fragment.substr(0, keep));
    }
    return result;
}

std::vector<Report> PlainSearch(const FragmentCase& test)
{
    std::vector<Report> reports;
    for (uint32_t id = 0; id < test.fragments.size(); ++id) {
        const std::string& fragment = test.fragments[id];
        for (size_t at = test.data.find(fragment); at != std::string::npos; at = test.data.find(fragment, at + 1))
            reports.push_back({ at + fragment.size() - 1, id });
    }
    std::sort(reports.begin(), reports.end());
    return reports;
}

// Runs the automaton over the data in chunks of random sizes, as a file is fed, and collects every
// report.
std::vector<Report> AutomatonSearch(const FragmentCase& test, std::mt19937& random)
{
    orv::CoreAllocator allocator = HeapAllocator();
    orv::AhoCorasick automaton;
    automaton.Init(&allocator);
    for (uint32_t id = 0; id < test.fragments.size(); ++id)
        automaton.AddPattern(reinterpret_cast<const uint8_t*>(test.fragments[id].data()),
                             uint32_t(test.fragments[id].size()), id);
    EXPECT_TRUE(automaton.Build());
    struct Collect {
        std::vector<Report>* reports;
        uint64_t end;
        static bool Add(void* context, uint32_t id)
        {
            Collect& self = *static_cast<Collect*>(context);
            self.reports->push_back({ self.end, id });
            return false;
        }
    };
    std::vector<Report> reports;
    const uint8_t* data = reinterpret_cast<const uint8_t*>(test.data.data());
    uint32_t state = 0;
    for (size_t base = 0; base < test.data.size();) {
        uint32_t size = uint32_t(std::min<size_t>(1 + random() % 700, test.data.size() - base));
        for (uint32_t i = 0; i < size; ++i) {
            i = automaton.Run(data + base, i, size, state);
            if (i == size)
                break;
            Collect collect { &reports, base + i };
            automaton.ReportAll(state, Collect::Add, &collect);
        }
        base += size;
    }
    automaton.Release();
    std::sort(reports.begin(), reports.end());
    return reports;
}

// Short fragments (tested at every position), fragments long enough for the widest windows, one
// byte fragments (every window passes), and mixes, over narrow and full alphabets.
TEST(AutomatonTest, ReportsEveryOccurrenceThePlainSearchFinds)
{
    struct Shape {
        uint32_t minLength, maxLength, alphabet;
    };
    const Shape shapes[] = { { 2, 6, 3 },    { 5, 9, 4 },     { 12, 30, 4 },  { 8, 24, 256 }, { 2, 24, 256 },
                             { 1, 4, 3 },    { 6, 40, 2 },    { 9, 12, 16 },  { 5, 5, 256 },  { 8, 8, 256 },
                             { 12, 12, 256 }, { 16, 16, 256 } };
    std::mt19937 random(11);
    for (const Shape& shape : shapes)
        for (int round = 0; round < 12; ++round) {
            SCOPED_TRACE(std::to_string(shape.minLength) + "-" + std::to_string(shape.maxLength) + "/"
                         + std::to_string(shape.alphabet) + " round " + std::to_string(round));
            FragmentCase test = MakeFragmentCase(random, shape.minLength, shape.maxLength, shape.alphabet);
            ASSERT_EQ(PlainSearch(test), AutomatonSearch(test, random));
        }
}

// A body signature as the test builds it: elements of tokens with the gap before each (the first
// one's is the leading gap), a trailing gap, and the offset its match must start at.
struct SignatureModel {
    struct Element {
        uint32_t gapMin = 0, gapMax = 0;  // gapMax UINT32_MAX for an open gap
        std::vector<orv::PatternToken> tokens;
    };
    std::vector<Element> elements;
    uint32_t trailMin = 0, trailMax = 0;
    std::string offset = "*";
    uint32_t kind = orv::OFFSET_ANY, value = 0, shift = 0;
};

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

// Tokens over a four-letter alphabet, so that near misses are common; one element holds a run of
// at least two fixed bytes for the automaton. Gaps grow with scale; a third of the signatures
// begin with a gap and a quarter end with one.
SignatureModel MakeSignature(std::mt19937& random, std::string& hex, uint32_t scale = 1)
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

bool PlainMatch(const SignatureModel& model, const std::string& data) { return !PlainMatchEnds(model, data).empty(); }

uint32_t GapSample(std::mt19937& random, uint32_t low, uint32_t high)
{
    uint32_t top = high == UINT32_MAX ? low + 12 : high;
    return low + random() % (top - low + 1);
}

// Writes a match of the model at a random place (or where its offset wants it), if it fits.
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

struct SignatureRound {
    uint32_t gapScale;
    size_t minFile, maxFile;
    int files;
};

// Random signatures, each alone and all together, over files with some of them planted: alone, a
// signature is found exactly when a plain search finds it; together, the engine names one exactly
// when some signature matches, and the one it names does.
void CheckSignatureRound(std::mt19937& random, const SignatureRound& shape)
{
    std::vector<SignatureModel> models;
    std::vector<std::unique_ptr<LoadedDatabase>> alone;
    std::string body;
    for (int i = 0; i < 25; ++i) {
        std::string hex;
        models.push_back(MakeSignature(random, hex, shape.gapScale));
        PickOffset(random, models.back());
        std::string line = "S" + std::to_string(i) + ":0:" + models.back().offset + ":" + hex + "\n";
        alone.push_back(std::make_unique<LoadedDatabase>("", "", line));
        ASSERT_EQ(1u, alone.back()->Kept()) << line;
        body += line;
    }
    LoadedDatabase all("", "", body);
    ASSERT_TRUE(all.built);
    for (int file = 0; file < shape.files; ++file) {
        std::string data = RandomText(random, shape.minFile + random() % (shape.maxFile - shape.minFile), 8);
        for (int plant = random() % 3; plant > 0; --plant)
            Plant(random, models[random() % models.size()], data);
        SCOPED_TRACE(data.size() < 2000 ? data : "file " + std::to_string(file));
        std::set<std::string> expected;
        uint32_t chunk = 1 + random() % uint32_t(data.size() / 2 + 1);
        for (size_t i = 0; i < models.size(); ++i) {
            std::string name = "S" + std::to_string(i);
            bool matches = PlainMatch(models[i], data);
            if (matches)
                expected.insert(name);
            ASSERT_EQ(matches ? name : "", alone[i]->Scan(data, chunk)) << body;
        }
        std::string found = all.Scan(data, chunk);
        EXPECT_EQ(expected.empty(), found.empty()) << found;
        if (!found.empty()) {
            EXPECT_EQ(1u, expected.count(found)) << found;
        }
    }
}

// Wildcards, nibbles, every gap form, leading and trailing gaps and offsets; then gaps of thousands
// of bytes, which no search budget may cut short.
TEST(AutomatonTest, SignaturesAgreeWithAPlainMatcher)
{
    std::mt19937 random(5);
    const SignatureRound rounds[] = { { 1, 20, 620, 60 }, { 1, 20, 620, 60 }, { 1, 20, 620, 60 },
                                      { 1, 20, 620, 60 }, { 1, 20, 620, 60 }, { 1, 20, 620, 60 },
                                      { 1500, 8000, 40000, 8 },  { 1500, 8000, 40000, 8 } };
    for (size_t round = 0; round < std::size(rounds); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        CheckSignatureRound(random, rounds[round]);
    }
}

// A logical expression as a tree, rendered the way the peer reads it ("&" and "|" grouped from the
// right, a count form binding to the operand just before it) and evaluated here on plain counts.
struct ExpressionModel {
    int kind = 0;  // 0 index, 1 "&", 2 "|", 3 count form
    uint32_t index = 0;
    char compare = '=';
    uint32_t x = 0, y = 0;
    bool hasY = false;
    std::vector<ExpressionModel> children;

    std::set<uint32_t> Indexes() const
    {
        std::set<uint32_t> all;
        if (kind == 0)
            all.insert(index);
        for (const auto& child : children)
            for (uint32_t i : child.Indexes())
                all.insert(i);
        return all;
    }
    bool Value(const std::vector<uint32_t>& counts) const
    {
        if (kind == 0)
            return counts[index] > 0;
        if (kind == 1)
            return children[0].Value(counts) && children[1].Value(counts);
        if (kind == 2)
            return children[0].Value(counts) || children[1].Value(counts);
        uint64_t total = 0;
        uint32_t distinct = 0;
        for (uint32_t i : children[0].Indexes()) {
            total += counts[i];
            distinct += counts[i] > 0;
        }
        bool holds = compare == '=' ? total == x : compare == '>' ? total > x : total < x;
        return holds && (children[0].kind == 0 || !hasY || distinct >= y);
    }
    // As an operand of "&"/"|" or of a count form, a binary node needs its parentheses.
    std::string Render(bool operand) const
    {
        if (kind == 0)
            return std::to_string(index);
        if (kind == 3) {
            std::string inner = children[0].kind == 0 ? children[0].Render(true) : "(" + children[0].Render(false) + ")";
            return inner + compare + std::to_string(x) + (hasY ? "," + std::to_string(y) : "");
        }
        std::string text = children[0].Render(true) + (kind == 1 ? "&" : "|") + children[1].Render(false);
        return operand ? "(" + text + ")" : text;
    }
};

ExpressionModel RandomExpression(std::mt19937& random, std::vector<uint32_t>& leaves)
{
    ExpressionModel node;
    if (leaves.size() == 1 && random() % 3) {
        node.index = leaves[0];
    } else if (leaves.size() == 1) {
        node.kind = 3;
        node.compare = "=><"[random() % 3];
        node.x = random() % 3;
        node.children.push_back(RandomExpression(random, leaves));
    } else {
        size_t split = 1 + random() % (leaves.size() - 1);
        std::vector<uint32_t> left(leaves.begin(), leaves.begin() + long(split));
        std::vector<uint32_t> right(leaves.begin() + long(split), leaves.end());
        node.kind = 1 + random() % 2;
        node.children.push_back(RandomExpression(random, left));
        node.children.push_back(RandomExpression(random, right));
        if (random() % 4 == 0) {
            ExpressionModel count;
            count.kind = 3;
            count.compare = "=><"[random() % 3];
            count.x = random() % 4;
            count.hasY = random() % 2;
            count.y = random() % 3;
            count.children.push_back(node);
            return count;
        }
    }
    return node;
}

// Logical signatures with random expressions over random subsignatures: a signature is reported
// exactly when its expression holds on the plain counts of its subsignatures' matches (distinct
// end offsets); the automaton is shared with .ndb-less subsignatures of all of them.
TEST(AutomatonTest, LogicalSignaturesAgreeWithPlainCounts)
{
    std::mt19937 random(17);
    for (int round = 0; round < 4; ++round) {
        struct Logical {
            std::vector<SignatureModel> subsignatures;
            ExpressionModel expression;
            std::unique_ptr<LoadedDatabase> alone;
        };
        std::vector<Logical> logicals(12);
        for (size_t l = 0; l < logicals.size(); ++l) {
            Logical& logical = logicals[l];
            std::string line = "L" + std::to_string(l) + ";Target:0;";
            std::vector<uint32_t> leaves;
            std::string subsignatures;
            for (uint32_t i = 0, count = 1 + random() % 3; i < count; ++i) {
                std::string hex;
                logical.subsignatures.push_back(MakeSignature(random, hex));
                PickOffset(random, logical.subsignatures.back());
                const std::string& offset = logical.subsignatures.back().offset;
                subsignatures += ";" + (offset == "*" && random() % 2 ? "" : offset + ":") + hex;
                leaves.push_back(i);
            }
            std::shuffle(leaves.begin(), leaves.end(), random);
            logical.expression = RandomExpression(random, leaves);
            line += logical.expression.Render(false) + subsignatures + "\n";
            logical.alone = std::make_unique<LoadedDatabase>(LoadedDatabase::Files { { orv::DATABASE_LOGICAL, line } });
            ASSERT_EQ(1u, logical.alone->Kept()) << line;
        }
        for (int file = 0; file < 40; ++file) {
            std::string data = RandomText(random, 20 + random() % 400, 8);
            for (int plant = random() % 4; plant > 0; --plant) {
                const Logical& logical = logicals[random() % logicals.size()];
                Plant(random, logical.subsignatures[random() % logical.subsignatures.size()], data);
            }
            SCOPED_TRACE(data);
            uint32_t chunk = 1 + random() % 200;
            for (size_t l = 0; l < logicals.size(); ++l) {
                std::vector<uint32_t> counts;
                for (const SignatureModel& model : logicals[l].subsignatures)
                    counts.push_back(uint32_t(PlainMatchEnds(model, data).size()));
                bool expected = logicals[l].expression.Value(counts);
                ASSERT_EQ(expected ? "L" + std::to_string(l) : "", logicals[l].alone->Scan(data, chunk))
                    << logicals[l].expression.Render(false);
            }
        }
    }
}

} // namespace
