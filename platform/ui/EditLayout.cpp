// Word wrap of edit text.
#include "EditLayout.h"

namespace wce::ui {

namespace {

// The longest prefix of [start, end) that fits, broken after the last space when there is one;
// at least one character, so a word longer than the line still advances.
size_t FitLine(const std::u16string& text, size_t start, size_t end, int width, const MeasureFn& measure)
{
    size_t low = 1;
    size_t high = end - start;
    if (measure(text.data() + start, int(high)) <= width)
        return high;
    while (low < high) {   // largest count whose width fits
        size_t mid = (low + high + 1) / 2;
        if (measure(text.data() + start, int(mid)) <= width)
            low = mid;
        else
            high = mid - 1;
    }
    for (size_t i = low; i > 0; --i)
        if (text[start + i - 1] == u' ')
            return i;
    return low;
}

void WrapHardLine(const std::u16string& text, size_t start, size_t end, int width, const MeasureFn& measure,
                  std::vector<EditLine>& lines)
{
    if (start == end || width <= 0) {
        lines.push_back(EditLine { start, end - start });
        return;
    }
    while (start < end) {
        size_t count = FitLine(text, start, end, width, measure);
        lines.push_back(EditLine { start, count });
        start += count;
    }
}

}  // namespace

std::vector<EditLine> LayoutEditLines(const std::u16string& text, int wrapWidth, const MeasureFn& measure)
{
    std::vector<EditLine> lines;
    size_t start = 0;
    for (;;) {
        size_t newline = text.find(u'\n', start);
        size_t end = newline == std::u16string::npos ? text.size() : newline;
        size_t shown = end > start && text[end - 1] == u'\r' ? end - 1 : end;
        WrapHardLine(text, start, shown, wrapWidth, measure, lines);
        if (newline == std::u16string::npos)
            break;
        start = newline + 1;
    }
    return lines;
}

}  // namespace wce::ui
