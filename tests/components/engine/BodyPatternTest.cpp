// Body signatures: the hex grammar, offsets, matching across chunks, and the automaton against a
// plain search over many signatures.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

#include "CoreTestSupport.h"

namespace {

std::string Sig(const std::string& name, const std::string& offset, const std::string& hex)
{
    return name + ":0:" + offset + ":" + hex + "\n";
}

struct MatchRow {
    const char* hex;
    const char* offset;
    const char* file;
    bool matches;
};

TEST(BodyPatternTest, HexGrammarAndOffsets)
{
    const MatchRow rows[] = {
        { "414243", "*", "xxABCxx", true },
        { "414243", "*", "xxABxCx", false },
        { "41??4344", "*", "_AzCD_", true },
        { "41a?4344", "*", "A\xa7" "CD", true },
        { "41a?4344", "*", "A\xb7" "CD", false },
        { "41?74344", "*", "A\x37" "CD", true },
        { "4142{3}4344", "*", "AB123CD", true },
        { "4142{3}4344", "*", "AB12CD", false },
        { "4142{2-4}4344", "*", "AB1234CD", true },
        { "4142{2-4}4344", "*", "AB12345CD", false },
        { "4142{-2}4344", "*", "ABCD", true },
        { "4142{-2}4344", "*", "AB123CD", false },
        { "4142{2-}4344", "*", "AB" "0123456789" "CD", true },
        { "4142{2-}4344", "*", "AB1CD", false },
        { "4142*4344", "*", "AB...long way...CD", true },
        { "4142*4344", "*", "CD...AB", false },
        { "4142*4344*4546", "*", "AB..CD..EF", true },
        { "4142*4344*4546", "*", "AB..EF..CD", false },
        { "58{1-3}4142", "*", "X12AB", true },
        { "58{1-3}4142", "*", "X1234AB", false },
        { "4142", "2", "xxAB", true },
        { "4142", "1", "xxAB", false },
        { "4142", "1,2", "xxxAB", true },
        { "4142", "1,2", "xxxxAB", false },
        { "4142", "EOF-2", "xxAB", true },
        { "4142", "EOF-3", "xxAB", false },
        { "4142", "EOF-3", "ABx", true },
        { "4142", "EOF-4,1", "xAB.", true },
        // A leading or trailing gap needs its bytes inside the file, before or after the runs.
        { "{2}4142", "0", "xxAB", true },
        { "{2}4142", "0", "xAB.", false },
        { "{6}41424344", "*", "123456ABCD", true },
        { "{6}41424344", "*", "12345ABCD..", false },
        { "{-2}4142", "1", "..AB", true },
        { "{2}4142", "EOF-6", "..xxAB..", true },
        { "{2}4142", "EOF-6", "..xAB...", false },
        { "41424344{5}", "*", "ABCD12345", true },
        { "41424344{5}", "*", "ABCD1234", false },
        { "41424344{2-}", "*", "ABCD12", true },
        { "41424344{2-}", "*", "ABCD1", false },
        { "4142??", "*", "xAB", false },
        { "4142{1-2}43{-3}4445*46", "*", "AB.C..DE.F", true },
    };
    for (const MatchRow& row : rows) {
        SCOPED_TRACE(std::string(row.hex) + " @" + row.offset + " in " + row.file);
        LoadedDatabase db("", "", Sig("Test.Body", row.offset, row.hex));
        ASSERT_EQ(1u, db.Kept());
        EXPECT_EQ(row.matches ? "Test.Body" : "", db.Scan(row.file));
    }
}

TEST(BodyPatternTest, LinesItCannotUseAreRefusedWithTheirReasonAndLine)
{
    struct Row {
        const char* line;
        orv::RefusalReason reason;
    } rows[] = {
        { "Bad.Target:1:*:41424344", orv::REFUSED_TARGET },  // PE files only: needs a file-type parser
        { "Bad.Offset:0:EP+0:41424344", orv::REFUSED_OFFSET },
        { "Bad.Offset2:0:-1:41424344", orv::REFUSED_OFFSET },
        { "Bad.Hex:0:*:4142434", orv::REFUSED_HEX },
        { "Bad.Hex2:0:*:41424g", orv::REFUSED_HEX },
        { "Bad.OnlyGaps:0:*:{2}*", orv::REFUSED_HEX },
        { "Bad.Alternative:0:*:41(42|43)44", orv::REFUSED_WILDCARD },
        { "Bad.Anchored:0:*:4142[1-2]43", orv::REFUSED_WILDCARD },
        { "Bad.Brace:0:*:4142{2-1}4344", orv::REFUSED_HEX },
        { "Bad.Brace2:0:*:4142{x}4344", orv::REFUSED_HEX },
        { "Bad.Unclosed:0:*:4142{24344", orv::REFUSED_HEX },
        { "Bad.NoAnchor:0:*:41??42??43", orv::REFUSED_NO_ANCHOR },  // no two fixed bytes in a row
        { "Bad.Fields:0:*", orv::REFUSED_SYNTAX },
        { ":0:*:41424344", orv::REFUSED_SYNTAX },
        { "Bad.Level:0:*:41424344:x", orv::REFUSED_SYNTAX },
    };
    std::string text = "# comment\n\n";
    for (const Row& row : rows)
        text += std::string(row.line) + "\n";
    text += Sig("Good", "*", "41424344") + "Good.Flevel:0:*:45464748:51:255\n" + "Newer:0:*:45464748:217\n"
        + "Older:0:*:45464748:1:200\n";
    orv::CoreAllocator allocator = HeapAllocator();
    orv::SignatureDatabase database;
    database.Init(&allocator);
    orv::FileStats stats;
    database.Load(orv::DATABASE_BODY, text.data(), uint32_t(text.size()), stats);
    EXPECT_EQ(2u, stats.kept[orv::KEPT_BODY]);
    EXPECT_EQ(2u, stats.otherLevel);  // lines for engine levels that exclude ours are skipped
    EXPECT_EQ(std::size(rows), stats.Refused());
    // Each reason keeps the numbers of its first lines (counted from 1, comments and blank lines too).
    std::map<uint32_t, std::vector<uint32_t>> expected;
    for (size_t i = 0; i < std::size(rows); ++i)
        expected[rows[i].reason].push_back(uint32_t(i + 3));
    for (const auto& [reason, lines] : expected) {
        SCOPED_TRACE(reason);
        EXPECT_EQ(lines.size(), stats.refused[reason]);
        size_t kept = std::min<size_t>(lines.size(), orv::REPORTED_LINES);
        EXPECT_EQ(std::vector<uint32_t>(lines.begin(), lines.begin() + long(kept)),
                  std::vector<uint32_t>(stats.refusedLines[reason], stats.refusedLines[reason] + kept));
    }
    database.Release();
    LoadedDatabase db("", "", text);
    ASSERT_TRUE(db.built);
    EXPECT_EQ("Good", db.Scan("..ABCD.."));
    EXPECT_EQ("Good.Flevel", db.Scan("..EFGH.."));
}

TEST(BodyPatternTest, MatchesSpanningChunkBoundaries)
{
    LoadedDatabase db("", "", Sig("Test.Span", "*", Hex("HEAD") + "{4-6}" + Hex("MIDDLE") + "*" + Hex("TAIL")));
    std::string file = std::string(50, '.') + "HEAD12345MIDDLE" + std::string(40, '.') + "TAIL" + std::string(9, '.');
    for (uint32_t chunk = 1; chunk <= file.size(); ++chunk) {
        SCOPED_TRACE(chunk);
        ASSERT_EQ("Test.Span", db.Scan(file, chunk));
    }
}

TEST(BodyPatternTest, SignaturesSharingAFragmentAreEachChecked)
{
    std::string body = Sig("Test.First", "*", Hex("SHARED") + "{2}" + Hex("ONE")) +
                       Sig("Test.Second", "*", Hex("SHARED") + "{2}" + Hex("TWO")) +
                       Sig("Test.Inner", "*", Hex("HARE") + "{3}" + Hex("X"));
    LoadedDatabase db("", "", body);
    EXPECT_EQ("Test.Second", db.Scan("..SHARED..TWO.."));
    EXPECT_EQ("Test.First", db.Scan("..SHARED..ONE.."));
    EXPECT_EQ("Test.Inner", db.Scan("..SHARED..X"));
    EXPECT_EQ("", db.Scan("..SHARED..THREE.."));
}

// The automaton must report every fragment a plain search finds, whatever the overlaps.
TEST(BodyPatternTest, AutomatonAgreesWithPlainSearch)
{
    std::mt19937 random(7);
    std::vector<std::string> fragments;
    std::string body;
    for (int i = 0; i < 300; ++i) {
        std::string fragment;
        size_t length = 2 + random() % 5;
        for (size_t b = 0; b < length; ++b)
            fragment += char('a' + random() % 4);
        fragments.push_back(fragment);
        body += Sig("F" + std::to_string(i), "*", Hex(fragment));
    }
    LoadedDatabase db("", "", body);
    ASSERT_TRUE(db.built);
    for (int round = 0; round < 200; ++round) {
        std::string file;
        size_t length = random() % 12;
        for (size_t b = 0; b < length; ++b)
            file += char('a' + random() % 5);
        bool expected = false;
        for (const std::string& fragment : fragments)
            expected |= file.find(fragment) != std::string::npos;
        SCOPED_TRACE(file);
        ASSERT_EQ(expected, !db.Scan(file).empty());
    }
}

// No search budget may lose a match, however far apart its parts are; and patterns with many gaps
// over data full of near misses still take time linear in the file.
TEST(BodyPatternTest, PartsFarApartAreFoundAndManyGapsStayLinear)
{
    LoadedDatabase db("", "", Sig("Test.Star", "*", "4142*434445464748") + Sig("Test.Range", "*", "5859{0-200000}5a5b5c5d"));
    EXPECT_EQ("Test.Star", db.Scan("AB" + std::string(200000, '.') + "CDEFGH", 65536));
    EXPECT_EQ("Test.Range", db.Scan("XY" + std::string(100000, '.') + "Z[\\]", 65536));
    EXPECT_EQ("", db.Scan("XY" + std::string(200001, '.') + "Z[\\]", 65536));

    std::string hex = Hex("AB");
    for (int i = 0; i < 8; ++i)
        hex += (i % 2 ? "*" : "{0-3000}") + Hex("AB");
    hex += "*" + Hex("ZZ");
    LoadedDatabase gaps("", "", Sig("Test.Gaps", "*", hex));
    std::string file(1 << 20, 'A');
    for (size_t i = 0; i < file.size(); i += 2)
        file[i + 1] = 'B';
    EXPECT_EQ("", gaps.Scan(file, 100000));
    file.replace(file.size() - 2, 2, "ZZ");
    EXPECT_EQ("Test.Gaps", gaps.Scan(file, 100000));
}

} // namespace
