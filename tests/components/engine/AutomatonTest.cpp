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

// A body signature as the test builds it: elements of tokens with the gap before each, and the
// offset its match must start at.
struct SignatureModel {
    struct Element {
        uint32_t gapMin = 0, gapMax = 0;  // gapMax UINT32_MAX for an open gap
        std::vector<orv::PatternToken> tokens;
    };
    std::vector<Element> elements;
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
        return "{" + std::to_string(low) + "}";
    if (low == 0 && random() % 2)
        return "{-" + std::to_string(high) + "}";
    return "{" + std::to_string(low) + "-" + std::to_string(high) + "}";
}

// Tokens over a four-letter alphabet, so that near misses are common; one element holds a run of
// at least two fixed bytes for the automaton.
SignatureModel MakeSignature(std::mt19937& random, std::string& hex)
{
    SignatureModel model;
    uint32_t count = 1 + random() % 3;
    uint32_t anchored = random() % count;
    for (uint32_t e = 0; e < count; ++e) {
        SignatureModel::Element element;
        if (e > 0) {
            element.gapMin = random() % 4;
            element.gapMax = random() % 4 == 0 ? UINT32_MAX : element.gapMin + random() % 5;
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

// Places where element e may start, element by element: whether the whole signature matches.
bool PlainMatch(const SignatureModel& model, const std::string& data)
{
    size_t size = data.size();
    std::vector<char> starts(size + 1, 0);
    for (size_t s = 0; s <= size; ++s)
        starts[s] = OffsetAllows(model, s, size);
    for (size_t e = 0; e < model.elements.size(); ++e) {
        const auto& tokens = model.elements[e].tokens;
        std::vector<char> next(size + 1, 0);
        bool any = false;
        for (size_t p = 0; p + tokens.size() <= size; ++p) {
            if (!starts[p])
                continue;
            bool match = true;
            for (size_t t = 0; t < tokens.size() && match; ++t)
                match = (uint8_t(data[p + t]) & tokens[t].mask) == tokens[t].value;
            if (!match)
                continue;
            if (e + 1 == model.elements.size())
                return true;
            const auto& following = model.elements[e + 1];
            size_t end = p + tokens.size();
            for (size_t gap = following.gapMin; end + gap <= size && gap <= following.gapMax; ++gap)
                next[end + gap] = any = true;
        }
        if (!any)
            return false;
        starts.swap(next);
    }
    return false;
}

// Writes a match of the model at about at (or where its offset wants it), if it fits.
void Plant(std::mt19937& random, const SignatureModel& model, std::string& data)
{
    std::string instance;
    for (const auto& element : model.elements) {
        uint32_t high = element.gapMax == UINT32_MAX ? element.gapMin + 12 : element.gapMax;
        instance += RandomText(random, element.gapMin + random() % (high - element.gapMin + 1), 4);
        for (orv::PatternToken token : element.tokens)
            instance += char(token.value | (uint8_t('a' + random() % 4) & ~token.mask));
    }
    if (instance.size() > data.size())
        return;
    size_t at = random() % (data.size() - instance.size() + 1);
    if (model.kind != orv::OFFSET_ANY) {
        size_t base = model.kind == orv::OFFSET_START ? model.value : data.size() - std::min<size_t>(model.value, data.size());
        at = base + random() % (model.shift + 1);
    }
    if (at + instance.size() <= data.size())
        data.replace(at, instance.size(), instance);
}

// Whole signatures with wildcards, nibbles, every gap form and offsets, each alone and all together:
// alone, a signature is found exactly when a plain search finds it; together, the engine names one
// exactly when some signature matches, and the one it names does.
TEST(AutomatonTest, SignaturesAgreeWithAPlainMatcher)
{
    std::mt19937 random(5);
    for (int round = 0; round < 6; ++round) {
        std::vector<SignatureModel> models;
        std::vector<std::unique_ptr<LoadedDatabase>> alone;
        std::string body;
        for (int i = 0; i < 25; ++i) {
            std::string hex;
            models.push_back(MakeSignature(random, hex));
            PickOffset(random, models.back());
            std::string line = "S" + std::to_string(i) + ":0:" + models.back().offset + ":" + hex + "\n";
            alone.push_back(std::make_unique<LoadedDatabase>("", "", line));
            ASSERT_EQ(1u, alone.back()->database.stats.accepted) << line;
            body += line;
        }
        LoadedDatabase all("", "", body);
        ASSERT_TRUE(all.built);
        for (int file = 0; file < 60; ++file) {
            std::string data = RandomText(random, 20 + random() % 600, 8);
            for (int plant = random() % 3; plant > 0; --plant)
                Plant(random, models[random() % models.size()], data);
            SCOPED_TRACE(data);
            std::set<std::string> expected;
            for (size_t i = 0; i < models.size(); ++i) {
                std::string name = "S" + std::to_string(i);
                bool matches = PlainMatch(models[i], data);
                if (matches)
                    expected.insert(name);
                ASSERT_EQ(matches ? name : "", alone[i]->Scan(data, 1 + random() % 300));
            }
            std::string found = all.Scan(data, 1 + random() % 300);
            EXPECT_EQ(expected.empty(), found.empty()) << found;
            if (!found.empty()) {
                EXPECT_EQ(1u, expected.count(found)) << found;
            }
        }
    }
}

} // namespace
