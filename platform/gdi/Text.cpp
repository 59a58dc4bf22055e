// Fonts and single-line text output: CreateFontIndirectW, metrics, extents and ExtTextOutW.
#include <cstring>
#include <deque>
#include <iterator>

#include <wce/GdiInternal.h>

#include "FontCache.h"
#include "GdiPrivate.h"
#include "TextDraw.h"

namespace gdi {
namespace {

const LOGFONTW& FontOf(const DeviceContext* dc)
{
    static const LOGFONTW systemFont {};
    return dc->state.font ? dc->state.font->logFont : systemFont;
}

constexpr size_t CUT_TEXTS_KEPT = 64;

// Guarded by Lock(); never destroyed, as drawing may go on while the process exits.
std::deque<WceCutText>& CutTexts()
{
    static auto* texts = new std::deque<WceCutText>();
    return *texts;
}

void NoteCutText(const WCHAR* text, int count, const RECT& clip)
{
    WceCutText cut {};
    cut.clip = clip;
    int kept = count < int(std::size(cut.text)) - 1 ? count : int(std::size(cut.text)) - 1;
    std::memcpy(cut.text, text, size_t(kept) * sizeof(WCHAR));
    CutTexts().push_back(cut);
    if (CutTexts().size() > CUT_TEXTS_KEPT)
        CutTexts().pop_front();
}

// Returns whether the glyph's ink reached past the clip's left or right edge.
bool DrawGlyph(DeviceContext* dc, const Target& target, const Glyph& glyph, int penX, int baseline,
               uint32_t rgb, RECT& touched)
{
    int left = penX + glyph.left;
    int top = baseline - glyph.top;
    RECT box { left, top, left + glyph.width, top + glyph.height };
    bool rowsShown = glyph.width > 0 && box.bottom > target.clip.top && box.top < target.clip.bottom;
    // A pixel of overhang is a glyph's own bearing at the edge, not text that was cut.
    bool cut = rowsShown && (box.left < target.clip.left - 1 || box.right > target.clip.right + 1);
    if (!ClipTo(box, target.clip))
        return cut;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x) {
            unsigned alpha = glyph.alpha[size_t(y - top) * glyph.width + (x - left)];
            if (alpha == 0)
                continue;
            uint32_t out = alpha == 255 ? rgb : Blend(target.bitmap->Get(x, y), rgb, alpha);
            target.bitmap->Set(x, y, out);
        }
    UnionRect(&touched, &touched, &box);
    return cut;
}

}  // namespace

int DrawRun(DeviceContext* dc, int x, int y, const WCHAR* text, int count, const int* dx, const RECT* clip)
{
    const LOGFONTW& font = FontOf(dc);
    const FontMetrics& metrics = MetricsOf(font);
    Target target = TargetOf(dc);
    if (clip && !target.Empty() && !ClipTo(target.clip, ToDevice(dc, *clip)))
        target.clip = RECT {};
    POINT origin = ToDevice(dc, x, y);
    int width = 0;
    for (int i = 0; i < count;) {
        int start = i;
        const Glyph& glyph = GlyphOf(font, NextCodePoint(text, count, i));
        width += dx ? dx[start] : glyph.advance;
    }
    if (dc->state.bkMode == OPAQUE)
        FillSolid(dc, RECT { origin.x, origin.y, origin.x + width, origin.y + metrics.height },
                  ResolveColor(dc, dc->state.bkColor));
    if (target.Empty())
        return width;
    uint32_t rgb = ResolveColor(dc, dc->state.textColor);
    RECT touched {};
    int penX = origin.x;
    bool cut = false;
    for (int i = 0; i < count;) {
        int start = i;
        const Glyph& glyph = GlyphOf(font, NextCodePoint(text, count, i));
        cut |= DrawGlyph(dc, target, glyph, penX, origin.y + metrics.ascent, rgb, touched);
        penX += dx ? dx[start] : glyph.advance;
    }
    // Only what the screen shows counts: text cut in a memory bitmap may be shown whole later.
    if (cut && dc->onSurface)
        NoteCutText(text, count, target.clip);
    Touch(dc, touched);
    return width;
}

int RunWidth(DeviceContext* dc, const WCHAR* text, int count)
{
    return TextWidth(FontOf(dc), text, count);
}

int LineHeight(DeviceContext* dc)
{
    return MetricsOf(FontOf(dc)).height;
}

}  // namespace gdi

using namespace gdi;

HFONT CreateFontIndirectW(const LOGFONTW* font)
{
    Guard guard(Lock());
    if (!font)
        return nullptr;
    auto* object = new FontObject;
    object->logFont = *font;
    object->logFont.lfFaceName[LF_FACESIZE - 1] = 0;
    return Register(object);
}

BOOL GetTextMetricsW(HDC hdc, LPTEXTMETRICW metrics)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc || !metrics)
        return FALSE;
    const FontMetrics& m = MetricsOf(FontOf(dc));
    std::memset(metrics, 0, sizeof(*metrics));
    metrics->tmHeight = m.height;
    metrics->tmAscent = m.ascent;
    metrics->tmDescent = m.descent;
    metrics->tmAveCharWidth = m.averageWidth;
    metrics->tmMaxCharWidth = m.maxWidth;
    metrics->tmWeight = m.weight;
    metrics->tmDigitizedAspectX = 96;
    metrics->tmDigitizedAspectY = 96;
    metrics->tmFirstChar = 0x20;
    metrics->tmLastChar = 0xFFFC;
    metrics->tmDefaultChar = 0x1F;
    metrics->tmBreakChar = 0x20;
    metrics->tmPitchAndFamily = 0x06;   // variable pitch, TrueType
    metrics->tmCharSet = FontOf(dc).lfCharSet;
    return TRUE;
}

BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, LPSIZE size)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc || !size || count < 0 || (count > 0 && !text))
        return FALSE;
    size->cx = RunWidth(dc, text, count);
    size->cy = LineHeight(dc);
    return TRUE;
}

BOOL GetTextExtentExPointW(HDC hdc, LPCWSTR text, int count, int maxExtent, LPINT fit, LPINT dx, LPSIZE size)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc || !size || count < 0 || (count > 0 && !text))
        return FALSE;
    const LOGFONTW& font = FontOf(dc);
    int width = 0;
    int fitted = 0;
    for (int i = 0; i < count;) {
        int start = i;
        width += GlyphOf(font, NextCodePoint(text, count, i)).advance;
        for (int unit = start; unit < i; ++unit) {
            if (dx)
                dx[unit] = width;
            if (maxExtent < 0 || width <= maxExtent)
                fitted = unit + 1;
        }
    }
    if (fit)
        *fit = fitted;
    size->cx = width;
    size->cy = LineHeight(dc);
    return TRUE;
}

BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const int* dx)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc || (count > 0 && !text))
        return FALSE;
    if ((options & ETO_OPAQUE) && rect)
        FillSolid(dc, ToDevice(dc, *rect), ResolveColor(dc, dc->state.bkColor));
    if (count > 0) {
        // The rectangle, if opaque-filled, already carries the background.
        int savedMode = dc->state.bkMode;
        if ((options & ETO_OPAQUE) && rect)
            dc->state.bkMode = TRANSPARENT;
        DrawRun(dc, x, y, text, int(count), dx, (options & ETO_CLIPPED) ? rect : nullptr);
        dc->state.bkMode = savedMode;
    }
    return TRUE;
}

bool WceGetFontCharSize(const LOGFONTW* font, int* averageWidth, int* height)
{
    Guard guard(Lock());
    static const LOGFONTW systemFont {};
    const FontMetrics& metrics = MetricsOf(font ? *font : systemFont);
    if (averageWidth)
        *averageWidth = metrics.averageWidth;
    if (height)
        *height = metrics.height;
    return true;
}

bool WceGetDCCharSize(HDC hdc, int* averageWidth, int* height)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc)
        return false;
    return WceGetFontCharSize(&FontOf(dc), averageWidth, height);
}

size_t WceTakeCutTexts(WceCutText* out, size_t capacity)
{
    Guard guard(Lock());
    std::deque<WceCutText>& texts = CutTexts();
    size_t taken = 0;
    for (; taken < capacity && taken < texts.size(); ++taken)
        out[taken] = texts[taken];
    texts.clear();
    return taken;
}
