// FreeType faces, the per-glyph fallback from DejaVu Sans to WenQuanYi Micro Hei, and the caches.
#include <map>
#include <unordered_map>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "FontCache.h"

namespace gdi {
namespace {

// The system font of the device draws 12-pixel characters; a zero height asks for it.
constexpr int DEFAULT_PIXEL_SIZE = 12;
constexpr int MAX_PIXEL_SIZE = 256;

enum FaceSlot { LATIN, LATIN_BOLD, CJK, FACE_COUNT };

const char* const FACE_FILES[FACE_COUNT] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
    "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc",
};

FT_Library library;
FT_Face faces[FACE_COUNT];
bool opened;

void OpenFaces()
{
    if (opened)
        return;
    opened = true;
    if (FT_Init_FreeType(&library) != 0) {
        library = nullptr;
        return;
    }
    // A missing font file leaves its slot empty; text then falls back to the other faces, or to
    // blank advances when there are none, so a machine without fonts still lays out dialogs.
    for (int slot = 0; slot < FACE_COUNT; ++slot)
        if (FT_New_Face(library, FACE_FILES[slot], 0, &faces[slot]) != 0)
            faces[slot] = nullptr;
}

int PixelSize(const LOGFONTW& font)
{
    LONG height = font.lfHeight;
    int size = DEFAULT_PIXEL_SIZE;
    if (height < 0)
        size = int(-int64_t(height));
    else if (height > 0) {
        // A positive height is the cell height; DejaVu's cell is about 1.16 em.
        size = int(int64_t(height) * 100 / 116);
    }
    return size < 1 ? 1 : size > MAX_PIXEL_SIZE ? MAX_PIXEL_SIZE : size;
}

bool IsBold(const LOGFONTW& font)
{
    return font.lfWeight >= FW_SEMIBOLD;
}

uint64_t SizeKey(const LOGFONTW& font)
{
    return uint64_t(PixelSize(font)) << 1 | (IsBold(font) ? 1 : 0);
}

FT_Face LatinFace(bool bold)
{
    return bold && faces[LATIN_BOLD] ? faces[LATIN_BOLD] : faces[LATIN];
}

FontMetrics Measure(const LOGFONTW& font)
{
    FontMetrics metrics;
    int size = PixelSize(font);
    metrics.weight = IsBold(font) ? FW_BOLD : FW_NORMAL;
    FT_Face face = LatinFace(IsBold(font));
    if (!face)
        face = faces[CJK];
    if (!face || FT_Set_Pixel_Sizes(face, 0, FT_UInt(size)) != 0) {
        metrics.ascent = size * 4 / 5 + 1;
        metrics.descent = size / 5 + 1;
    } else {
        metrics.ascent = int((face->size->metrics.ascender + 63) >> 6);
        metrics.descent = int((-face->size->metrics.descender + 63) >> 6);
    }
    metrics.height = metrics.ascent + metrics.descent;
    int total = 0;
    for (char c = 'A'; c <= 'Z'; ++c)
        total += GlyphOf(font, char32_t(c)).advance + GlyphOf(font, char32_t(c + 32)).advance;
    metrics.averageWidth = (total + 26) / 52;
    metrics.maxWidth = GlyphOf(font, U'W').advance > size ? GlyphOf(font, U'W').advance : size;
    return metrics;
}

Glyph Render(FT_Face face, FT_UInt index, int size, bool emboldenCjk)
{
    Glyph glyph;
    if (FT_Set_Pixel_Sizes(face, 0, FT_UInt(size)) != 0 ||
        FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_TARGET_LIGHT) != 0 ||
        FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) {
        glyph.advance = size / 2;
        return glyph;
    }
    FT_GlyphSlot slot = face->glyph;
    glyph.advance = int((slot->advance.x + 32) >> 6);
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY)
        return glyph;
    glyph.width = int(bitmap.width);
    glyph.height = int(bitmap.rows);
    glyph.alpha.resize(size_t(glyph.width) * glyph.height);
    for (int y = 0; y < glyph.height; ++y)
        for (int x = 0; x < glyph.width; ++x)
            glyph.alpha[size_t(y) * glyph.width + x] = bitmap.buffer[y * bitmap.pitch + x];
    // The CJK face has no bold cut: a bold request smears each row one pixel to the right.
    if (emboldenCjk)
        for (int y = 0; y < glyph.height; ++y)
            for (int x = glyph.width - 1; x > 0; --x) {
                uint8_t& here = glyph.alpha[size_t(y) * glyph.width + x];
                uint8_t left = glyph.alpha[size_t(y) * glyph.width + x - 1];
                here = here > left ? here : left;
            }
    return glyph;
}

Glyph Load(const LOGFONTW& font, char32_t codePoint)
{
    OpenFaces();
    int size = PixelSize(font);
    // Control characters (line ends an edit passes along, stray tabs) take no room and leave no
    // missing-glyph box; DrawTextW expands tabs itself.
    if (codePoint < 0x20)
        return Glyph();
    bool bold = IsBold(font);
    FT_Face latin = LatinFace(bold);
    if (latin) {
        FT_UInt index = FT_Get_Char_Index(latin, codePoint);
        if (index != 0)
            return Render(latin, index, size, false);
    }
    if (faces[CJK]) {
        FT_UInt index = FT_Get_Char_Index(faces[CJK], codePoint);
        if (index != 0)
            return Render(faces[CJK], index, size, bold);
    }
    // Neither face has it: the Latin face's missing-glyph box, or a blank advance.
    if (latin)
        return Render(latin, 0, size, false);
    Glyph blank;
    blank.advance = size / 2;
    return blank;
}

}  // namespace

const FontMetrics& MetricsOf(const LOGFONTW& font)
{
    static std::map<uint64_t, FontMetrics> cache;
    OpenFaces();
    uint64_t key = SizeKey(font);
    auto found = cache.find(key);
    if (found != cache.end())
        return found->second;
    return cache.emplace(key, Measure(font)).first->second;
}

const Glyph& GlyphOf(const LOGFONTW& font, char32_t codePoint)
{
    static std::unordered_map<uint64_t, Glyph> cache;
    uint64_t key = SizeKey(font) << 32 | codePoint;
    auto found = cache.find(key);
    if (found != cache.end())
        return found->second;
    return cache.emplace(key, Load(font, codePoint)).first->second;
}

char32_t NextCodePoint(const WCHAR* text, int count, int& i)
{
    char32_t unit = text[i++];
    if (unit >= 0xD800 && unit < 0xDC00 && i < count && text[i] >= 0xDC00 && text[i] < 0xE000)
        return 0x10000 + ((unit - 0xD800) << 10) + (char32_t(text[i++]) - 0xDC00);
    return unit;
}

int TextWidth(const LOGFONTW& font, const WCHAR* text, int count)
{
    int width = 0;
    for (int i = 0; i < count;)
        width += GlyphOf(font, NextCodePoint(text, count, i)).advance;
    return width;
}

}  // namespace gdi
