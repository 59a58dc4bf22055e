// Packed DIBs from outside data (bitmap resources, files): header, colour table and pixels, read
// through a bounded reader.
#pragma once

#include <cstddef>
#include <cstdint>

#include "GdiPrivate.h"

namespace gdi {

struct DibLayout {
    uint32_t headerSize = 0;
    int width = 0;
    int height = 0;              // always positive; topDown says which way the rows run
    bool topDown = false;
    int bitCount = 0;
    uint32_t compression = 0;
    uint32_t colorCount = 0;     // entries in the colour table
    bool coreHeader = false;     // 12-byte header with 3-byte colour entries
    size_t colorOffset = 0;
    size_t maskOffset = 0;       // BI_BITFIELDS masks, when present
    size_t pixelOffset = 0;
    size_t imageSize = 0;        // stride * height
};

// Reads the layout of a packed DIB (no file header) and checks that every part lies inside the
// data. False for anything we cannot draw: compressed pixels, odd bit counts, absurd sizes.
bool ReadDibLayout(const uint8_t* data, size_t size, DibLayout& layout);

// A bitmap built from a packed DIB, in its own format, or null. Not registered as a handle.
BitmapObject* BitmapFromDib(const uint8_t* data, size_t size);

}  // namespace gdi
