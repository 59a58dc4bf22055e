// Memory for the detection core: an allocator handed in by whoever hosts the core (the engine image
// passes the host's TrackedAllocator, tests pass the C heap), the byte helpers, and a small growable
// array for trivially copyable records.
#pragma once

#include <stddef.h>
#include <stdint.h>

#if defined(ORV_FREESTANDING)
// The image has no C library; the runtime file of the image provides these four.
extern "C" void* memset(void* dest, int value, size_t count);
extern "C" void* memcpy(void* dest, const void* src, size_t count);
extern "C" void* memmove(void* dest, const void* src, size_t count);
extern "C" int memcmp(const void* a, const void* b, size_t count);
// Placement new, which a hosted build takes from <new>.
inline void* operator new(size_t, void* place) noexcept { return place; }
#else
#include <new>
#include <string.h>
#endif

namespace orv {

struct CoreAllocator {
    void* (*alloc)(void* context, uint32_t size);
    void* (*realloc)(void* context, void* block, uint32_t size);
    void (*free)(void* context, void* block);
    void* context;

    void* Alloc(uint32_t size) const { return alloc(context, size); }
    void* Realloc(void* block, uint32_t size) const { return realloc(context, block, size); }
    void Free(void* block) const
    {
        if (block)
            free(context, block);
    }
};

// Blocks larger than this are never asked for: a 32-bit allocator size must not wrap.
constexpr uint32_t CORE_MAX_BLOCK = 0x40000000u;

// A growable array of plain records. Growth doubles, so a database of n lines costs O(log n)
// reallocations, which keeps the host's block record short.
template <typename T>
class Vec {
public:
    void Init(const CoreAllocator* allocator)
    {
        alloc = allocator;
        items = nullptr;
        count = 0;
        capacity = 0;
    }
    void Release()
    {
        if (alloc)
            alloc->Free(items);
        items = nullptr;
        count = 0;
        capacity = 0;
    }
    bool Reserve(uint32_t wanted)
    {
        if (wanted <= capacity)
            return true;
        uint32_t grown = capacity < 16 ? 16 : capacity;
        while (grown < wanted) {
            if (grown > CORE_MAX_BLOCK / sizeof(T) / 2)
                return false;
            grown *= 2;
        }
        if (grown > CORE_MAX_BLOCK / sizeof(T))
            return false;
        void* block = alloc->Realloc(items, uint32_t(grown * sizeof(T)));
        if (!block)
            return false;
        items = static_cast<T*>(block);
        capacity = grown;
        return true;
    }
    bool Push(const T& item)
    {
        if (count == capacity && !Reserve(count + 1))
            return false;
        items[count++] = item;
        return true;
    }
    // Adds n zeroed records and returns the first, or null without memory.
    T* Grow(uint32_t n)
    {
        if (n > CORE_MAX_BLOCK - count || !Reserve(count + n))
            return nullptr;
        T* first = items + count;
        memset(static_cast<void*>(first), 0, size_t(n) * sizeof(T));
        count += n;
        return first;
    }
    void Truncate(uint32_t n)
    {
        if (n < count)
            count = n;
    }
    T& operator[](uint32_t i) { return items[i]; }
    const T& operator[](uint32_t i) const { return items[i]; }
    uint32_t Count() const { return count; }
    T* Data() { return items; }
    const T* Data() const { return items; }

private:
    const CoreAllocator* alloc = nullptr;
    T* items = nullptr;
    uint32_t count = 0;
    uint32_t capacity = 0;
};

} // namespace orv
