// The local heap (LocalAlloc family) and the process heap (HeapAlloc family): one allocator.
#include <cstdlib>
#include <cstring>

#include <windows.h>

namespace {

// Each block starts with a header recording its size and a tag, so LocalSize can answer and a
// pointer that never came from us is refused instead of handed to free().
struct alignas(16) BlockHeader {
    size_t size;
    uint64_t tag;
};
constexpr uint64_t LIVE_TAG = 0x4C6F63616C426C6BULL;
constexpr uint64_t FREED_TAG = 0x467265656442C6BULL;
constexpr size_t MAX_BLOCK = (size_t(1) << 40);   // no handheld asks for more; refuse, do not overflow

// The header of a live block, or null (ERROR_INVALID_HANDLE) for anything else.
BlockHeader* HeaderOf(const void* memory)
{
    if (memory == nullptr || reinterpret_cast<uintptr_t>(memory) % alignof(BlockHeader) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    BlockHeader* header = const_cast<BlockHeader*>(static_cast<const BlockHeader*>(memory)) - 1;
    if (header->tag != LIVE_TAG) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return header;
}

void* Allocate(size_t size, bool zero)
{
    if (size > MAX_BLOCK) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    void* block = zero ? std::calloc(1, sizeof(BlockHeader) + size) : std::malloc(sizeof(BlockHeader) + size);
    if (block == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    BlockHeader* header = static_cast<BlockHeader*>(block);
    header->size = size;
    header->tag = LIVE_TAG;
    return header + 1;
}

bool Release(void* memory)
{
    BlockHeader* header = HeaderOf(memory);
    if (header == nullptr)
        return false;
    header->tag = FREED_TAG;
    std::free(header);
    return true;
}

// Grows or shrinks a block; a block that may not move keeps its place and only shrinks.
void* Resize(void* memory, size_t size, bool mayMove, bool zero)
{
    BlockHeader* header = HeaderOf(memory);
    if (header == nullptr)
        return nullptr;
    size_t oldSize = header->size;
    if (size > MAX_BLOCK || (!mayMove && size > oldSize)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (!mayMove) {
        header->size = size;
        return memory;
    }
    BlockHeader* moved = static_cast<BlockHeader*>(std::realloc(header, sizeof(BlockHeader) + size));
    if (moved == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    moved->size = size;
    if (zero && size > oldSize)
        std::memset(reinterpret_cast<char*>(moved + 1) + oldSize, 0, size - oldSize);
    return moved + 1;
}

int processHeapTag;   // its address is the process heap's handle

}  // namespace

HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes)
{
    return Allocate(uBytes, (uFlags & LMEM_ZEROINIT) != 0);
}

HLOCAL LocalReAlloc(HLOCAL hMem, SIZE_T uBytes, UINT uFlags)
{
    return Resize(hMem, uBytes, (uFlags & LMEM_MOVEABLE) != 0, (uFlags & LMEM_ZEROINIT) != 0);
}

// Null on success; the block itself when it was not one of ours.
HLOCAL LocalFree(HLOCAL hMem)
{
    if (hMem == nullptr)
        return nullptr;
    return Release(hMem) ? nullptr : hMem;
}

SIZE_T LocalSize(HLOCAL hMem)
{
    BlockHeader* header = HeaderOf(hMem);
    return header != nullptr ? header->size : 0;
}

HANDLE GetProcessHeap()
{
    return &processHeapTag;
}

LPVOID HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes)
{
    return Allocate(dwBytes, (dwFlags & HEAP_ZERO_MEMORY) != 0);
}

LPVOID HeapReAlloc(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem, SIZE_T dwBytes)
{
    return Resize(lpMem, dwBytes, (dwFlags & HEAP_REALLOC_IN_PLACE_ONLY) == 0, (dwFlags & HEAP_ZERO_MEMORY) != 0);
}

BOOL HeapFree(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem)
{
    if (lpMem == nullptr)
        return TRUE;
    return Release(lpMem) ? TRUE : FALSE;
}

SIZE_T HeapSize(HANDLE hHeap, DWORD dwFlags, LPCVOID lpMem)
{
    BlockHeader* header = HeaderOf(lpMem);
    return header != nullptr ? header->size : SIZE_T(-1);
}
