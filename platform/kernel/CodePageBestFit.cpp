// Best-fit characters for WideCharToMultiByte: what a code page without a character writes instead
// of the default character, unless the caller asks for WC_NO_BEST_FIT_CHARS. Letters with marks
// become the letter without them ('a' for U+00E4), full-width forms their ASCII selves, and the
// typographic quotes, dashes and spaces the plain ones.
#include "CodePageInternal.h"

namespace wce::codepage {
namespace {

constexpr char32_t LATIN_FIRST = 0x00C0;
// The base letter of U+00C0 ... U+024F, or ' ' where there is none.
constexpr char LATIN_BASE[] =
    "AAAAAA CEEEEIIII NOOOOO OUUUUY  aaaaaa ceeeeiiii nooooo ouuuuy y"
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIi  JjKk LlLlLl "
    " LlNnNnNn   OoOoOo  RrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZz "
    "bB     CcDD      FfG  IIKkl  Nn Oo  Pp     tTtTUu VYyZz         "
    "             AaIiOoUuUuUuUuUu AaAa    GgKkOoOo  j   Gg  NnAa    "
    "AaAaEeEeIiIiOoOoRrRrUuUuSsTt  Hh d    AaEeOoOoOoOoYylntj  ACcLTs"
    "z  BU EeJjQqRrYy";
constexpr char32_t LATIN_LAST = LATIN_FIRST + sizeof LATIN_BASE - 2;

char Punctuation(char32_t c)
{
    switch (c) {
    case 0x00A0: case 0x2002: case 0x2003: case 0x2009: case 0x3000:
        return ' ';
    case 0x2010: case 0x2011: case 0x2012: case 0x2013: case 0x2014: case 0x2015: case 0x2212:
        return '-';
    case 0x2018: case 0x2019: case 0x201A: case 0x2032:
        return '\'';
    case 0x201C: case 0x201D: case 0x201E: case 0x2033:
        return '"';
    default:
        return 0;
    }
}

}  // namespace

char BestFitChar(char32_t c)
{
    if (c >= LATIN_FIRST && c <= LATIN_LAST)
        return LATIN_BASE[c - LATIN_FIRST] == ' ' ? 0 : LATIN_BASE[c - LATIN_FIRST];
    if (c >= 0xFF01 && c <= 0xFF5E)
        return char(c - 0xFEE0);
    return Punctuation(c);
}

}  // namespace wce::codepage
