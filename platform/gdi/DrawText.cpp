// DrawTextW: prefix characters, line breaks and word wrapping, alignment, ellipsis, measuring.
#include <string>
#include <vector>

#include "TextDraw.h"

using namespace gdi;

namespace {

const std::u16string ELLIPSIS = u"...";

// "&x" shows x, "&&" shows "&"; the mnemonic underline is not drawn on this device.
std::u16string StripPrefixes(const std::u16string& text)
{
    std::u16string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i;
        else if (text[i] == u'&')
            continue;
        out.push_back(text[i]);
    }
    return out;
}

bool IsBreakableAfter(char16_t c)
{
    // Ideographs and kana may break anywhere, as Chinese text has no spaces.
    return c == u' ' || c == u'\t' || c == u'-' || (c >= 0x2E80 && c < 0xA000) || (c >= 0xF900 && c < 0xFB00) ||
           (c >= 0xFF00 && c < 0xFFF0);
}

int Width(DeviceContext* dc, const std::u16string& text)
{
    return RunWidth(dc, text.data(), int(text.size()));
}

// Splits one paragraph into lines no wider than limit; a word wider than the line is cut by
// characters so that nothing runs out of a narrow control.
void Wrap(DeviceContext* dc, const std::u16string& paragraph, int limit, std::vector<std::u16string>& lines)
{
    size_t start = 0;
    while (start < paragraph.size()) {
        size_t end = start;
        size_t lastBreak = std::u16string::npos;
        while (end < paragraph.size()) {
            if (Width(dc, paragraph.substr(start, end - start + 1)) > limit && end > start)
                break;
            if (IsBreakableAfter(paragraph[end]))
                lastBreak = end;
            ++end;
        }
        if (end < paragraph.size() && lastBreak != std::u16string::npos && lastBreak >= start)
            end = lastBreak + 1;
        std::u16string line = paragraph.substr(start, end - start);
        while (!line.empty() && line.back() == u' ')
            line.pop_back();
        lines.push_back(line);
        start = end;
        while (start < paragraph.size() && paragraph[start] == u' ')
            ++start;
    }
    if (paragraph.empty())
        lines.push_back(std::u16string());
}

std::u16string WithEllipsis(DeviceContext* dc, const std::u16string& line, int limit)
{
    if (Width(dc, line) <= limit)
        return line;
    std::u16string cut = line;
    while (!cut.empty() && Width(dc, cut + ELLIPSIS) > limit) {
        cut.pop_back();
        // A character outside the basic plane goes whole, never half of its pair.
        if (!cut.empty() && cut.back() >= 0xD800 && cut.back() <= 0xDBFF)
            cut.pop_back();
    }
    return cut + ELLIPSIS;
}

std::vector<std::u16string> Layout(DeviceContext* dc, const std::u16string& text, const RECT& rect, UINT format)
{
    std::vector<std::u16string> lines;
    int limit = rect.right - rect.left;
    if (format & DT_SINGLELINE) {
        std::u16string line;
        for (char16_t c : text)
            if (c == u'\t')
                line.append((format & DT_EXPANDTABS) ? u"        " : u" ");
            else if (c != u'\r' && c != u'\n')
                line.push_back(c);
        lines.push_back(line);
    } else {
        std::u16string paragraph;
        for (size_t i = 0; i <= text.size(); ++i) {
            bool end = i == text.size() || text[i] == u'\n';
            if (!end) {
                if (text[i] == u'\t')
                    paragraph.append((format & DT_EXPANDTABS) ? u"        " : u" ");
                else if (text[i] != u'\r')
                    paragraph.push_back(text[i]);
                continue;
            }
            if (format & DT_WORDBREAK)
                Wrap(dc, paragraph, limit > 0 ? limit : 1, lines);
            else
                lines.push_back(paragraph);
            paragraph.clear();
        }
    }
    if (format & DT_END_ELLIPSIS)
        for (std::u16string& line : lines)
            line = WithEllipsis(dc, line, limit);
    return lines;
}

}  // namespace

int DrawTextW(HDC hdc, LPCWSTR text, int count, LPRECT rect, UINT format)
{
    Guard guard(Lock());
    DeviceContext* dc = FindDC(hdc);
    if (!dc || !rect || !text)
        return 0;
    if (count < 0) {
        count = 0;
        while (text[count])
            ++count;
    }
    std::u16string source(text, size_t(count));
    if (!(format & DT_NOPREFIX))
        source = StripPrefixes(source);
    std::vector<std::u16string> lines = Layout(dc, source, *rect, format);
    int lineHeight = LineHeight(dc);
    int total = lineHeight * int(lines.size());
    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const std::u16string& line : lines)
            widest = Width(dc, line) > widest ? Width(dc, line) : widest;
        rect->right = rect->left + widest;
        rect->bottom = rect->top + total;
        return total;
    }
    int top = rect->top;
    if ((format & DT_SINGLELINE) && (format & DT_VCENTER))
        top = rect->top + (rect->bottom - rect->top - lineHeight) / 2;
    else if ((format & DT_SINGLELINE) && (format & DT_BOTTOM))
        top = rect->bottom - lineHeight;
    const RECT* clip = (format & DT_NOCLIP) ? nullptr : rect;
    for (const std::u16string& line : lines) {
        int width = Width(dc, line);
        int x = rect->left;
        if (format & DT_CENTER)
            x = rect->left + (rect->right - rect->left - width) / 2;
        else if (format & DT_RIGHT)
            x = rect->right - width;
        DrawRun(dc, x, top, line.data(), int(line.size()), nullptr, clip);
        top += lineHeight;
    }
    return total;
}
