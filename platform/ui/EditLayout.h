// Line layout of an edit control: hard breaks at CR LF (or LF) and word wrap to a width.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace wce::ui {

struct EditLine {
    size_t start = 0;    // index of the first character in the text
    size_t length = 0;   // characters shown, without the line break
};

// Width of text[start, start + count) in pixels.
using MeasureFn = std::function<int(const char16_t* text, int count)>;

// wrapWidth <= 0 lays out hard lines only. Always returns at least one line.
std::vector<EditLine> LayoutEditLines(const std::u16string& text, int wrapWidth, const MeasureFn& measure);

}  // namespace wce::ui
