// Body signatures as the randomized tests build them, with a plain matcher to hold the engine's
// matcher to: random patterns with wildcards, nibbles, every gap form, leading and trailing gaps and
// offsets, the bytes that match them, and every end offset of their matches found the slow way.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/BodyPattern.h"

std::string RandomText(std::mt19937& random, size_t length, uint32_t alphabet);

struct SignatureModel {
    struct Element {
        uint32_t gapMin = 0, gapMax = 0;  // gapMax UINT32_MAX for an open gap
        std::vector<orv::PatternToken> tokens;
    };
    std::vector<Element> elements;  // the first one's gap is the leading gap
    uint32_t trailMin = 0, trailMax = 0;
    std::string offset = "*";
    uint32_t kind = orv::OFFSET_ANY, value = 0, shift = 0;
};

// Tokens over a four-letter alphabet, so that near misses are common; one element holds a run of
// at least two fixed bytes for the automaton. Gaps grow with scale; a third of the signatures begin
// with a gap and a quarter end with one. hex receives the pattern's text.
SignatureModel MakeSignature(std::mt19937& random, std::string& hex, uint32_t scale = 1);
// Gives the model one of the offsets "n", "EOF-n", "n,m", "EOF-n,m" a third of the time.
void PickOffset(std::mt19937& random, SignatureModel& model);
// Every end offset (of the last byte) of a match.
std::vector<size_t> PlainMatchEnds(const SignatureModel& model, const std::string& data);
inline bool PlainMatch(const SignatureModel& model, const std::string& data) { return !PlainMatchEnds(model, data).empty(); }
// Writes a match of the model at a random place (or where its offset wants it), if it fits.
void Plant(std::mt19937& random, const SignatureModel& model, std::string& data);
