// Fuzz target: icon resources as LoadIconW reads them: the bytes as an icon group's directory and
// as one icon image, whose pixels are then read back whole.
#include <cstddef>
#include <cstdint>

#include "platform/gdi/GdiPrivate.h"
#include "platform/gdi/IconReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint16_t id = 0;
    gdi::ChooseIconImage(data, size, 32, id);
    gdi::Guard guard(gdi::Lock());
    gdi::IconPixels icon;
    if (gdi::DecodeIconImage(data, size, icon)) {
        volatile uint32_t sum = 0;
        for (uint32_t pixel : icon.argb)
            sum = sum + pixel;
        if (icon.argb.size() != size_t(icon.width) * size_t(icon.height))
            __builtin_trap();
    }
    return 0;
}
