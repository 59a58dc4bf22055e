// The process-wide handle table and CloseHandle.
#include <mutex>
#include <vector>

#include <windows.h>

#include "HandleTable.h"

namespace wce {
namespace {

// Enough for every file, find and thread handle a handheld program keeps open at once.
constexpr size_t MAX_HANDLES = 65535;   // slot numbers 1..65535 fill the index bits
constexpr uint32_t INDEX_BITS = 16;
constexpr uint32_t GENERATION_MASK = 0x1FFF;   // the 13 bits between the index and bit 31

struct Slot {
    KernelObject* object = nullptr;
    uint32_t generation = 0;
};

// A handle value carries the slot index and the slot's generation, so a closed handle that is used
// again is refused instead of reaching whatever object reuses its slot. Values are multiples of 4,
// never 0 and never INVALID_HANDLE_VALUE, and fit in 31 bits as the platform's handles do: code
// written for the device may keep a handle in a 32-bit field.
struct Table {
    std::mutex lock;
    std::vector<Slot> slots;
    std::vector<uint32_t> freeSlots;
};

Table& TheTable()
{
    static Table* table = new Table;   // never destroyed: threads may close handles during exit
    return *table;
}

HANDLE MakeHandle(uint32_t index, uint32_t generation)
{
    uint32_t value = (generation << (INDEX_BITS + 2)) | ((index + 1) << 2);
    return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value));
}

bool SplitHandle(HANDLE handle, uint32_t& index, uint32_t& generation)
{
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    if (value > 0x7FFFFFFFu || (value & 3) != 0)
        return false;
    uint32_t slot = uint32_t(value >> 2) & ((1u << INDEX_BITS) - 1);
    if (slot == 0)
        return false;
    index = slot - 1;
    generation = uint32_t(value >> (INDEX_BITS + 2));
    return true;
}

// The slot of a live handle, or null; the table lock must be held.
Slot* FindSlot(Table& table, HANDLE handle)
{
    uint32_t index = 0;
    uint32_t generation = 0;
    if (!SplitHandle(handle, index, generation) || index >= table.slots.size())
        return nullptr;
    Slot& slot = table.slots[index];
    if (slot.object == nullptr || slot.generation != generation)
        return nullptr;
    return &slot;
}

}  // namespace

HANDLE InsertHandle(KernelObject* object)
{
    Table& table = TheTable();
    std::lock_guard<std::mutex> guard(table.lock);
    uint32_t index = 0;
    if (!table.freeSlots.empty()) {
        index = table.freeSlots.back();
        table.freeSlots.pop_back();
    } else if (table.slots.size() < MAX_HANDLES) {
        index = uint32_t(table.slots.size());
        table.slots.push_back(Slot {});
    } else {
        object->Release();
        SetLastError(ERROR_TOO_MANY_OPEN_FILES);
        return nullptr;
    }
    table.slots[index].object = object;
    return MakeHandle(index, table.slots[index].generation);
}

KernelObject* ReferenceHandle(HANDLE handle, ObjectType type)
{
    Table& table = TheTable();
    std::lock_guard<std::mutex> guard(table.lock);
    Slot* slot = FindSlot(table, handle);
    if (slot == nullptr || slot->object->type != type) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    slot->object->AddRef();
    return slot->object;
}

KernelObject* ReferenceAnyHandle(HANDLE handle)
{
    Table& table = TheTable();
    std::lock_guard<std::mutex> guard(table.lock);
    Slot* slot = FindSlot(table, handle);
    if (slot == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    slot->object->AddRef();
    return slot->object;
}

}  // namespace wce

BOOL CloseHandle(HANDLE hObject)
{
    wce::Table& table = wce::TheTable();
    wce::KernelObject* object = nullptr;
    {
        std::lock_guard<std::mutex> guard(table.lock);
        wce::Slot* slot = wce::FindSlot(table, hObject);
        if (slot == nullptr) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        object = slot->object;
        slot->object = nullptr;
        slot->generation = (slot->generation + 1) & wce::GENERATION_MASK;
        table.freeSlots.push_back(uint32_t(slot - table.slots.data()));
    }
    // Released outside the lock: destroying a file or semaphore may take locks of its own.
    object->Release();
    return TRUE;
}
