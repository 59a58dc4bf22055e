// Icon resources from outside data: the directory of an icon group and one icon image, read
// through a bounded reader. Callers of the image decoder hold the drawing lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gdi {

struct IconPixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> argb;   // 0xAARRGGBB, top row first, straight alpha
};

// The RT_ICON id of the group's image nearest `wanted` pixels a side (the deepest of equals);
// false for a damaged or empty directory.
bool ChooseIconImage(const uint8_t* group, size_t size, int wanted, uint16_t& id);

// An RT_ICON image: a 40-byte-header DIB of twice the icon's height, colour rows then the AND
// mask; 32-bit images carry their own alpha. False for anything else or anything cut short.
bool DecodeIconImage(const uint8_t* image, size_t size, IconPixels& icon);

}  // namespace gdi
