// TrackedAllocator: platform heap blocks with a record of the live ones.
#include "TrackedAllocator.h"

#include <windows.h>

namespace orv {
namespace {

TrackedAllocator* Self(::TrackedAllocator* self)
{
    return static_cast<TrackedAllocator*>(self);
}

::TrackedAllocator* ENGINE_CALL TableSelf(::TrackedAllocator* self) noexcept { return self; }
void* ENGINE_CALL TableAlloc(::TrackedAllocator* self, uint32_t size) noexcept { return Self(self)->Alloc(size); }
void* ENGINE_CALL TableRealloc(::TrackedAllocator* self, void* block, uint32_t size) noexcept
{
    return Self(self)->Realloc(block, size);
}
void ENGINE_CALL TableFree(::TrackedAllocator* self, void* block) noexcept { Self(self)->Free(block); }
int32_t ENGINE_CALL TableNone(::TrackedAllocator*) noexcept { return 0; }
// Positions 7 and 8 are the engine's second way to reach positions 3 and 5 of the same object.
void* ENGINE_CALL TableAllocBlock(::TrackedAllocator* self, uint32_t size) noexcept
{
    return self->table->Alloc(self, size);
}
void ENGINE_CALL TableFreeBlock(::TrackedAllocator* self, void* block) noexcept
{
    self->table->Free(self, block);
}
// The allocator is a member of the engine host, so flag 1 never frees the object itself.
void ENGINE_CALL TableDestroy(::TrackedAllocator* self, uint32_t flags) noexcept { Self(self)->Destroy(flags); }

const TrackedAllocatorTable ALLOCATOR_TABLE = {
    TableSelf, TableSelf, TableAlloc, TableRealloc, TableFree,
    TableNone, TableAllocBlock, TableFreeBlock, TableDestroy,
};

}  // namespace

void ShowFreeError() noexcept
{
#ifdef ORV_HAVE_MESSAGE_BOX
    MessageBoxW(nullptr, u"Free", u"Mem", MB_ICONERROR);
#endif
}

TrackedAllocator::TrackedAllocator() noexcept
{
    table = &ALLOCATOR_TABLE;
}

TrackedAllocator::~TrackedAllocator()
{
    Destroy(0);
}

void* TrackedAllocator::Alloc(uint32_t size) noexcept
{
    void* block = LocalAlloc(LMEM_FIXED, size);
    if (block != nullptr)
        RecordBlock(block);
    return block;
}

void* TrackedAllocator::Realloc(void* block, uint32_t size) noexcept
{
    if (block == nullptr)
        return Alloc(size);
    // A block we never handed out is reported and left alone: resizing it would hand the heap a
    // pointer it does not own.
    if (FindSlot(block) < 0) {
        ShowFreeError();
        return nullptr;
    }
    void* result = LocalReAlloc(block, size, LMEM_MOVEABLE);
    if (result != nullptr) {
        ForgetBlock(block);
        RecordBlock(result);
    }
    return result;
}

void TrackedAllocator::Free(void* block) noexcept
{
    if (block == nullptr)
        return;
    if (ForgetBlock(block))
        LocalFree(block);
}

void TrackedAllocator::Destroy(uint32_t flags) noexcept
{
    if (liveCount != 0) {
        for (int32_t i = 0; i < slotCount; ++i) {
            if (blocks[i] != nullptr)
                LocalFree(blocks[i]);
        }
    }
    if (blocks != nullptr)
        LocalFree(blocks);
    blocks = nullptr;
    capacity = liveCount = slotCount = 0;
}

bool TrackedAllocator::GrowRecord() noexcept
{
    int32_t newCapacity = capacity + GROWTH;
    void** grown = static_cast<void**>(LocalAlloc(LMEM_ZEROINIT, size_t(newCapacity) * sizeof(void*)));
    if (grown == nullptr)
        return false;
    for (int32_t i = 0; i < capacity; ++i)
        grown[i] = blocks[i];
    if (blocks != nullptr)
        LocalFree(blocks);
    blocks = grown;
    capacity = newCapacity;
    return true;
}

// Without room in the record the block stays unrecorded: it still works, but is not freed with
// the host and its Free shows the error box.
void TrackedAllocator::RecordBlock(void* block) noexcept
{
    if (liveCount >= capacity && !GrowRecord())
        return;
    if (liveCount == slotCount) {
        if (slotCount >= capacity && !GrowRecord())
            return;
        blocks[slotCount++] = block;
        ++liveCount;
        return;
    }
    for (int32_t i = 0; i < slotCount; ++i) {
        if (blocks[i] == nullptr) {
            blocks[i] = block;
            ++liveCount;
            return;
        }
    }
}

int32_t TrackedAllocator::FindSlot(void* block) const noexcept
{
    for (int32_t i = 0; i < slotCount; ++i) {
        if (blocks[i] == block)
            return i;
    }
    return -1;
}

bool TrackedAllocator::ForgetBlock(void* block) noexcept
{
    if (block == nullptr)
        return true;
    int32_t slot = FindSlot(block);
    if (slot < 0) {
        ShowFreeError();
        return false;
    }
    blocks[slot] = nullptr;
    --liveCount;
    return true;
}

}  // namespace orv
