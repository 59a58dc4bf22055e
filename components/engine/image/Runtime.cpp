// The four memory functions the compiler calls on its own (block copies, zeroing); the image links
// no C library. Built with -ffreestanding, so these loops are not turned back into calls to themselves.
#include <stddef.h>
#include <stdint.h>

extern "C" void* memset(void* dest, int value, size_t count)
{
    uint8_t* d = static_cast<uint8_t*>(dest);
    for (size_t i = 0; i < count; ++i)
        d[i] = uint8_t(value);
    return dest;
}

extern "C" void* memcpy(void* dest, const void* src, size_t count)
{
    uint8_t* d = static_cast<uint8_t*>(dest);
    const uint8_t* s = static_cast<const uint8_t*>(src);
    for (size_t i = 0; i < count; ++i)
        d[i] = s[i];
    return dest;
}

extern "C" void* memmove(void* dest, const void* src, size_t count)
{
    uint8_t* d = static_cast<uint8_t*>(dest);
    const uint8_t* s = static_cast<const uint8_t*>(src);
    if (d < s) {
        for (size_t i = 0; i < count; ++i)
            d[i] = s[i];
    } else {
        for (size_t i = count; i-- > 0;)
            d[i] = s[i];
    }
    return dest;
}

extern "C" int memcmp(const void* a, const void* b, size_t count)
{
    const uint8_t* x = static_cast<const uint8_t*>(a);
    const uint8_t* y = static_cast<const uint8_t*>(b);
    for (size_t i = 0; i < count; ++i)
        if (x[i] != y[i])
            return x[i] < y[i] ? -1 : 1;
    return 0;
}
