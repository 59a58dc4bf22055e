// Fonts through FreeType: the Latin face, the CJK fallback face, their metrics and a glyph cache.
#pragma once

#include <cstdint>
#include <vector>

#include "wce/WinGdi.h"

namespace gdi {

struct FontMetrics {
    int ascent = 0;
    int descent = 0;
    int height = 0;
    int averageWidth = 0;
    int maxWidth = 0;
    int weight = FW_NORMAL;
};

struct Glyph {
    int advance = 0;
    int left = 0;                  // bitmap offset from the pen position
    int top = 0;                   // bitmap rows above the baseline
    int width = 0;
    int height = 0;
    std::vector<uint8_t> alpha;    // width * height coverage values
};

// The faces are opened on first use and stay open; glyphs are cached per size and weight. Callers
// hold the drawing lock, which also serialises FreeType.
const FontMetrics& MetricsOf(const LOGFONTW& font);
const Glyph& GlyphOf(const LOGFONTW& font, char32_t codePoint);

// The advance of a run of text, surrogate pairs decoded.
int TextWidth(const LOGFONTW& font, const WCHAR* text, int count);

// The next code point of text at index i (a lone surrogate is itself); advances i.
char32_t NextCodePoint(const WCHAR* text, int count, int& i);

}  // namespace gdi
