// Helpers over the host's tables.
#include "HostServices.h"

namespace orv {
namespace {

void* HostAlloc(void* context, uint32_t size)
{
    TrackedAllocator* allocator = static_cast<TrackedAllocator*>(context);
    return allocator->table->Alloc(allocator, size);
}

void* HostRealloc(void* context, void* block, uint32_t size)
{
    TrackedAllocator* allocator = static_cast<TrackedAllocator*>(context);
    return allocator->table->Realloc(allocator, block, size);
}

void HostFree(void* context, void* block)
{
    TrackedAllocator* allocator = static_cast<TrackedAllocator*>(context);
    allocator->table->Free(allocator, block);
}

} // namespace

CoreAllocator MakeCoreAllocator(TrackedAllocator* allocator)
{
    return CoreAllocator { HostAlloc, HostRealloc, HostFree, allocator };
}

uint32_t ReadFully(HostFile* file, uint8_t* buffer, uint32_t count)
{
    uint32_t total = 0;
    while (total < count) {
        uint32_t got = file->table->Read(file, buffer + total, count - total);
        if (got == UINT32_MAX || got > count - total)
            return UINT32_MAX;
        if (got == 0)
            break;
        total += got;
    }
    return total;
}

bool SeekTo(HostFile* file, uint64_t position)
{
    int64_t reached = file->table->Seek(file, uint32_t(position), int32_t(position >> 32), 0);
    return reached >= 0 && uint64_t(reached) == position;
}

} // namespace orv
