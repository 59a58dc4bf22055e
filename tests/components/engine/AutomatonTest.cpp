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
#include "SignatureModel.h"
#include "core/AhoCorasick.h"

namespace {

using Report = std::pair<uint64_t, uint32_t>;  // end offset of a fragment, its id

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

} // namespace
