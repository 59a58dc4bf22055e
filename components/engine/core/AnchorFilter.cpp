// Building the filter and the scan over it. The heads of all fragments are kept until the shortest
// is known, which sets how wide a window can be while every fragment still covers its window.
#include "AnchorFilter.h"

namespace orv {

void AnchorFilter::Init(const CoreAllocator* allocator)
{
    heads.Init(allocator);
    gramTable.Init(allocator);
    grams = nullptr;
    slotMask = 0;
    stride = 1;
    hasShort = false;
    passAll = false;
    memset(pairs, 0, sizeof pairs);
}

void AnchorFilter::Release()
{
    heads.Release();
    gramTable.Release();
    grams = nullptr;
}

bool AnchorFilter::AddFragment(const uint8_t* bytes, uint32_t length)
{
    if (length == 0)
        return false;
    if (length == 1) {
        passAll = true;
        return true;
    }
    if (length < SHORT_FRAGMENT) {
        hasShort = true;
        uint32_t pair = Pair(bytes);
        pairs[pair >> 3] |= uint8_t(1u << (pair & 7));
        return true;
    }
    Head head;
    memset(&head, 0, sizeof head);
    uint32_t kept = length < HEAD_BYTES ? length : HEAD_BYTES;
    for (uint32_t i = 0; i < kept; ++i)
        head.bytes[i] = bytes[i];
    head.length = uint8_t(length < 255 ? length : 255);
    return heads.Push(head);
}

uint32_t AnchorFilter::ShortestLongHead() const
{
    uint32_t shortest = 255;
    for (uint32_t i = 0; i < heads.Count(); ++i)
        if (heads[i].length >= SHORT_FRAGMENT && heads[i].length < shortest)
            shortest = heads[i].length;
    return shortest;
}

// A fragment of length L that starts inside a window of stride positions has its gram at offset
// 0..stride-1 at the window's last start position, and the next gram after it, as long as
// stride + GRAM <= L. Both are in the table. Short fragments are found through their first pair,
// tested at every position of the window.
bool AnchorFilter::Build()
{
    stride = ShortestLongHead() - GRAM;
    if (stride > MAX_STRIDE)
        stride = MAX_STRIDE;
    if (passAll)
        stride = 1;
    bool built = FillTables();
    heads.Release();
    return built;
}

bool AnchorFilter::FillTables()
{
    uint64_t count = uint64_t(heads.Count()) * (stride + 1);
    uint32_t tableBits = MIN_TABLE_BITS;
    while (tableBits < MAX_TABLE_BITS && (uint64_t(1) << tableBits) < count * BITS_PER_GRAM)
        ++tableBits;
    slotMask = (1u << tableBits) - 1;
    gramTable.Truncate(0);
    if (!gramTable.Grow(1u << (tableBits - 3)))
        return false;
    for (uint32_t i = 0; i < heads.Count(); ++i) {
        for (uint32_t offset = 0; offset <= stride; ++offset) {
            uint32_t slot = Slot(heads[i].bytes + offset);
            gramTable[slot >> 3] |= uint8_t(1u << (slot & 7));
        }
    }
    grams = gramTable.Data();
    return true;
}

uint32_t AnchorFilter::Skip(const uint8_t* data, uint32_t from, uint32_t size) const
{
    if (passAll || size < stride + GRAM || from > size - (stride + GRAM))
        return from;
    // Windows from start on fit while start <= lastStart.
    uint32_t lastStart = size - (stride + GRAM);
    uint32_t start = from;
    if (hasShort) {
        for (; start <= lastStart; start += stride) {
            const uint8_t* at = data + start;
            if (GramBit(at + stride - 1) && GramBit(at + stride))
                return start;
            for (uint32_t k = 0; k < stride; ++k)
                if (PairBit(at + k))
                    return start;
        }
        return start;
    }
    const uint8_t* last = data + stride - 1;
    for (; start <= lastStart; start += stride)
        if (GramBit(last + start) && GramBit(last + start + 1))
            return start;
    return start;
}

} // namespace orv
