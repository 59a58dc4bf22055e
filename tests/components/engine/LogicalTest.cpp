// Logical signatures: what the expression forms mean, the target block, and the lines refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <set>

#include "CoreTestSupport.h"
#include "SignatureModel.h"

namespace {

std::string Ldb(const std::string& line) { return line + "\n"; }

LoadedDatabase::Files Logical(const std::string& text) { return { { orv::DATABASE_LOGICAL, text } }; }

// The rows were checked against the peer on the same files.
TEST(LogicalTest, ExpressionFormsOverMatchCounts)
{
    struct Row {
        const char* expression;
        uint32_t subsignatures;  // of "414243", "5859", "5a57" (ABC, XY, ZW)
        const char* file;
        bool matches;
    } rows[] = {
        { "0&1", 2, "..ABC..XY..", true },
        { "0&1", 2, "..ABC.....", false },
        { "0|1", 2, "..XY..", true },
        { "0=2", 1, "ABC.ABC", true },
        { "0=2", 1, "ABC.ABC.ABC", false },
        { "0>2", 1, "ABC.ABC.ABC", true },
        { "0<2", 1, "ABC", true },
        { "0<2", 1, "......", true },  // no match at all is fewer than two
        { "0<2", 1, "ABC.ABC", false },
        { "0=0&1", 2, "..XY..", true },
        { "(0|1)=2,2", 2, "ABC.ABC", false },  // two matches, but of one subsignature only
        { "(0|1)=2,2", 2, "ABC.XY", true },
        { "(0|1)>1,1", 2, "XY.XY", true },
        { "0|1&2", 3, "ABC", true },           // grouped from the right: 0|(1&2)
        { "0&1|2", 3, "..XY..ZW..", false },   // 0&(1|2)
        { "(0&1)|2", 3, "..XY..ZW..", true },
        { "0=1|1", 2, "ABC", true },           // the count binds to the operand before it
        { "(0|1|2)>2", 3, "ABC.XY", false },
        { "(0|1|2)>2", 3, "ABC.XY.ZW", true },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.expression) + " on " + row.file);
        static const char* const SUBSIGNATURES[] = { ";414243", ";5859", ";5a57" };
        std::string line = "Test.Logical;Target:0;" + std::string(row.expression);
        for (uint32_t i = 0; i < row.subsignatures; ++i)
            line += SUBSIGNATURES[i];
        LoadedDatabase db(Logical(Ldb(line)));
        ASSERT_EQ(1u, db.Kept());
        EXPECT_EQ(row.matches ? "Test.Logical" : "", db.Scan(row.file, 3));
    }
}

// A subsignature's count is the number of places its match ends: overlapping matches count, and
// several starts ending at one place count once.
TEST(LogicalTest, SubsignatureMatchesCountByTheirEnds)
{
    LoadedDatabase db(Logical(Ldb("Test.Overlap;Target:0;0=2;414141") + Ldb("Test.Ends;Target:0;0=1;5859*5a57")
                              + Ldb("Test.Range;Target:0;0=2;4142{1-5}4344")));
    EXPECT_EQ("Test.Overlap", db.Scan(".AAAA."));
    EXPECT_EQ("", db.Scan(".AAAAA."));
    EXPECT_EQ("Test.Ends", db.Scan(".XY1XY2ZW."));
    EXPECT_EQ("Test.Range", db.Scan(".AB1CD2CD."));
}

TEST(LogicalTest, OffsetsOfSubsignaturesAndPatternsWithGaps)
{
    LoadedDatabase db(Logical(Ldb("Test.Offsets;Target:0;0&1;0:4d5a;EOF-4:{2}4142")
                              + Ldb("Test.Gaps;Engine:51-255,Target:0;0;*:4142??43{2-4}44*4546")));
    EXPECT_EQ("Test.Offsets", db.Scan("MZ......xxAB"));
    EXPECT_EQ("", db.Scan(".MZ.....xxAB"));
    EXPECT_EQ("", db.Scan("MZ.....xxAB."));
    EXPECT_EQ("Test.Gaps", db.Scan("..AB.C...D......EF"));
}

// Thousands of logical signatures load, each with its own expression.
TEST(LogicalTest, ManySignaturesEachKeepTheirExpression)
{
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += Ldb("Many." + std::to_string(i) + ";Target:0;(0&1)|(2>1,1);" + Hex("A" + std::to_string(i) + "@") + ";"
                    + Hex("B" + std::to_string(i) + "@") + ";" + Hex("C" + std::to_string(i) + "@"));
    LoadedDatabase db(Logical(text));
    EXPECT_EQ(2000u, db.Kept());
    EXPECT_EQ("Many.1999", db.Scan("..A1999@..B1999@.."));
    EXPECT_EQ("Many.7", db.Scan("C7@C7@"));
    EXPECT_EQ("", db.Scan("C7@"));
}

TEST(LogicalTest, TargetBlockExpressionAndSubsignatureFormsRefusedOrSkipped)
{
    struct Row {
        const char* line;
        orv::LineVerdict::Outcome outcome;
        orv::RefusalReason reason;
    } rows[] = {
        { "A;Engine:51-255,Target:0;0;414243", orv::LineVerdict::KEPT, {} },
        { "A;Target:0,Engine:51-255;0;414243", orv::LineVerdict::REFUSED, orv::REFUSED_TARGET_BLOCK },  // Engine not first
        { "A;Engine:51-255;0;414243", orv::LineVerdict::REFUSED, orv::REFUSED_TARGET_BLOCK },           // no target
        { "A;Target:0,FileSize:10-20;0;414243", orv::LineVerdict::REFUSED, orv::REFUSED_TARGET_BLOCK },
        { "A;Target:1;0;414243", orv::LineVerdict::REFUSED, orv::REFUSED_TARGET },
        { "A;Engine:51-200,Target:0;0;414243", orv::LineVerdict::OTHER_LEVEL, {} },
        { "A;Engine:217-255,Target:0;0;414243", orv::LineVerdict::OTHER_LEVEL, {} },
        { "A;Engine:216-216,Target:0;0;414243", orv::LineVerdict::KEPT, {} },
        { "A;Target:0;0;414243;5859", orv::LineVerdict::REFUSED, orv::REFUSED_EXPRESSION },  // 1 unused
        { "A;Target:0;0&1;414243", orv::LineVerdict::REFUSED, orv::REFUSED_EXPRESSION },      // no subsignature 1
        { "A;Target:0;0&;414243", orv::LineVerdict::REFUSED, orv::REFUSED_EXPRESSION },
        { "A;Target:0;(0;414243", orv::LineVerdict::REFUSED, orv::REFUSED_EXPRESSION },
        { "A;Target:0;0;414243::i", orv::LineVerdict::REFUSED, orv::REFUSED_MODIFIER },
        { "A;Target:0;0;414243::aw", orv::LineVerdict::REFUSED, orv::REFUSED_MODIFIER },
        { "A;Target:0;0&1;414243;0/abc/i", orv::LineVerdict::REFUSED, orv::REFUSED_PCRE },
        { "A;Target:0;0&1;414243;0(>>2#ib2#>512)", orv::LineVerdict::REFUSED, orv::REFUSED_BYTE_COMPARE },
        { "A;Target:0;0&1;414243;${6-7}0$", orv::LineVerdict::REFUSED, orv::REFUSED_MACRO },
        { "A;Target:0;0&1;414243;EP+0:4142", orv::LineVerdict::REFUSED, orv::REFUSED_OFFSET },
        { "A;Target:0;0&1;414243;41??42", orv::LineVerdict::REFUSED, orv::REFUSED_NO_ANCHOR },
        { "A;Target:0", orv::LineVerdict::REFUSED, orv::REFUSED_SYNTAX },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        LoadedDatabase db(Logical(Ldb(row.line)));
        const orv::FileStats& totals = db.database.totals;
        EXPECT_EQ(row.outcome == orv::LineVerdict::KEPT ? 1u : 0u, totals.kept[orv::KEPT_LOGICAL]);
        EXPECT_EQ(row.outcome == orv::LineVerdict::OTHER_LEVEL ? 1u : 0u, totals.otherLevel);
        EXPECT_EQ(row.outcome == orv::LineVerdict::REFUSED ? 1u : 0u, totals.refused[row.reason]);
        // A refused line leaves none of its subsignatures behind.
        EXPECT_EQ(row.outcome == orv::LineVerdict::KEPT ? 1u : 0u, db.database.body.Count());
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
TEST(LogicalTest, RandomSignaturesAgreeWithPlainCounts)
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
