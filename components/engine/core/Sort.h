// An in-place heap sort: the image has no standard library, and the databases are sorted once per load.
#pragma once

#include <stdint.h>

namespace orv {

template <typename T, typename Less>
void SiftDown(T* items, uint32_t root, uint32_t count, Less less)
{
    for (;;) {
        uint32_t child = 2 * root + 1;
        if (child >= count)
            return;
        if (child + 1 < count && less(items[child], items[child + 1]))
            ++child;
        if (!less(items[root], items[child]))
            return;
        T swap = items[root];
        items[root] = items[child];
        items[child] = swap;
        root = child;
    }
}

template <typename T, typename Less>
void HeapSort(T* items, uint32_t count, Less less)
{
    for (uint32_t i = count / 2; i-- > 0;)
        SiftDown(items, i, count, less);
    for (uint32_t end = count; end-- > 1;) {
        T swap = items[0];
        items[0] = items[end];
        items[end] = swap;
        SiftDown(items, 0, end, less);
    }
}

} // namespace orv
