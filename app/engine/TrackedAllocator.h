// TrackedAllocator: the engine's memory, recorded block by block so that whatever the engine and
// the image loader still hold is freed when the engine host goes away.
#pragma once

#include "EngineContract.h"

namespace orv {

// The engine sees only the table word of the contract (::TrackedAllocator); this is the host's
// object behind it. It lives by value inside the engine host.
class TrackedAllocator final : public ::TrackedAllocator {
public:
    static constexpr int32_t GROWTH = 256;   // entries added to the record at a time

    TrackedAllocator() noexcept;
    ~TrackedAllocator();
    TrackedAllocator(const TrackedAllocator&) = delete;
    TrackedAllocator& operator=(const TrackedAllocator&) = delete;

    void* Alloc(uint32_t size) noexcept;
    void* Realloc(void* block, uint32_t size) noexcept;
    void Free(void* block) noexcept;
    // Releases every live block and the record; the object stays usable (empty).
    void Destroy(uint32_t flags) noexcept;

    int32_t Capacity() const { return capacity; }
    int32_t LiveCount() const { return liveCount; }
    int32_t SlotCount() const { return slotCount; }

private:
    void RecordBlock(void* block) noexcept;
    // False when the block is not in the record (the "Free" box has been shown).
    bool ForgetBlock(void* block) noexcept;
    int32_t FindSlot(void* block) const noexcept;
    bool GrowRecord() noexcept;

    void** blocks = nullptr;
    int32_t capacity = 0;
    int32_t liveCount = 0;
    int32_t slotCount = 0;
};

// The "Free"/"Mem" error box, shown from the calling thread.
void ShowFreeError() noexcept;

}  // namespace orv
