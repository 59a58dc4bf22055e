// Body signatures: the hex grammar, offsets, matching across chunks, and the automaton against a
// plain search over many signatures.
#include <gtest/gtest.h>

#include <random>

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
    };
    for (const MatchRow& row : rows) {
        SCOPED_TRACE(std::string(row.hex) + " @" + row.offset + " in " + row.file);
        LoadedDatabase db("", "", Sig("Test.Body", row.offset, row.hex));
        ASSERT_EQ(1u, db.database.stats.accepted);
        EXPECT_EQ(row.matches ? "Test.Body" : "", db.Scan(row.file));
    }
}

TEST(BodyPatternTest, LinesItCannotUseAreSkippedAndCounted)
{
    const char* lines[] = {
        "Bad.Target:1:*:41424344",       // PE files only: needs a file-type parser
        "Bad.Offset:0:EP+0:41424344",
        "Bad.Offset2:0:-1:41424344",
        "Bad.Hex:0:*:4142434",
        "Bad.Hex2:0:*:41424g",
        "Bad.LeadingGap:0:*:*41424344",
        "Bad.TrailingGap:0:*:41424344{2}",
        "Bad.Alternative:0:*:41(42|43)44",
        "Bad.Brace:0:*:4142{2-1}4344",
        "Bad.Brace2:0:*:4142{x}4344",
        "Bad.Unclosed:0:*:4142{24344",
        "Bad.NoAnchor:0:*:41??42??43",   // no two fixed bytes in a row
        "Bad.Fields:0:*",
        ":0:*:41424344",
    };
    std::string text;
    for (const char* line : lines)
        text += std::string(line) + "\n";
    text += Sig("Good", "*", "41424344") + "Good.Flevel:0:*:45464748:51:255\n";
    LoadedDatabase db("", "", text);
    ASSERT_TRUE(db.built);
    EXPECT_EQ(2u, db.database.stats.accepted);
    EXPECT_EQ(14u, db.database.stats.skipped);
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

TEST(BodyPatternTest, PathologicalGapsEndWithinTheBudget)
{
    std::string hex = Hex("AB");
    for (int i = 0; i < 8; ++i)
        hex += "*" + Hex("AB");
    hex += "*" + Hex("ZZ");
    LoadedDatabase db("", "", Sig("Test.Gaps", "*", hex));
    std::string file(20000, 'A');
    for (size_t i = 0; i < file.size(); i += 2)
        file[i + 1] = 'B';
    EXPECT_EQ("", db.Scan(file));
}

} // namespace
