// Virtual memory: reserving, committing, protecting and releasing pages (the engine image loader's).
#include <map>
#include <mutex>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

#include <windows.h>

namespace {

// Reservations start on 64 KiB boundaries as on the device; images are laid out with that in mind.
constexpr uintptr_t ALLOCATION_GRANULARITY = 64 * 1024;

struct Region {
    size_t size;
    std::vector<DWORD> protections;   // per page; 0 while a page is only reserved
};

std::mutex regionsLock;
std::map<uintptr_t, Region> regions;   // by base address; regionsLock

size_t PageSize()
{
    static const size_t size = size_t(sysconf(_SC_PAGESIZE));
    return size;
}

// Host protection for a page protection; -1 for a value we do not know.
int HostProtection(DWORD protect)
{
    switch (protect & 0xFF) {
    case PAGE_NOACCESS: return PROT_NONE;
    case PAGE_READONLY: return PROT_READ;
    case PAGE_READWRITE: case PAGE_WRITECOPY: return PROT_READ | PROT_WRITE;
    case PAGE_EXECUTE: case PAGE_EXECUTE_READ: return PROT_READ | PROT_EXEC;
    case PAGE_EXECUTE_READWRITE: return PROT_READ | PROT_WRITE | PROT_EXEC;
    default: return -1;
    }
}

// The region holding [address, address + size), or null; regionsLock held.
Region* FindRegion(uintptr_t address, size_t size, uintptr_t& base)
{
    auto next = regions.upper_bound(address);
    if (next == regions.begin())
        return nullptr;
    auto found = std::prev(next);
    if (address - found->first > found->second.size || size > found->second.size - (address - found->first))
        return nullptr;
    base = found->first;
    return &found->second;
}

// Maps size bytes on a 64 KiB boundary (at the wished address if one is given), without access.
void* Reserve(uintptr_t wish, size_t size)
{
    if (wish != 0) {
        void* at = mmap(reinterpret_cast<void*>(wish & ~(ALLOCATION_GRANULARITY - 1)), size, PROT_NONE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE | MAP_NORESERVE, -1, 0);
        return at == MAP_FAILED ? nullptr : at;
    }
    size_t padded = size + ALLOCATION_GRANULARITY;
    void* raw = mmap(nullptr, padded, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (raw == MAP_FAILED)
        return nullptr;
    uintptr_t start = reinterpret_cast<uintptr_t>(raw);
    uintptr_t aligned = (start + ALLOCATION_GRANULARITY - 1) & ~(ALLOCATION_GRANULARITY - 1);
    if (aligned > start)
        munmap(raw, aligned - start);
    if (start + padded > aligned + size)
        munmap(reinterpret_cast<void*>(aligned + size), start + padded - aligned - size);
    return reinterpret_cast<void*>(aligned);
}

// Applies a protection to pages of a region; regionsLock held.
bool Protect(Region& region, uintptr_t base, uintptr_t address, size_t size, DWORD protect)
{
    size_t page = PageSize();
    uintptr_t first = address & ~(page - 1);
    uintptr_t end = (address + size + page - 1) & ~(page - 1);
    if (mprotect(reinterpret_cast<void*>(first), end - first, HostProtection(protect)) != 0)
        return false;
    for (uintptr_t at = first; at < end; at += page)
        region.protections[(at - base) / page] = protect;
    return true;
}

LPVOID Fail(DWORD error)
{
    SetLastError(error);
    return nullptr;
}

}  // namespace

LPVOID VirtualAlloc(LPVOID lpAddress, SIZE_T dwSize, DWORD flAllocationType, DWORD flProtect)
{
    uintptr_t address = reinterpret_cast<uintptr_t>(lpAddress);
    if (dwSize == 0 || HostProtection(flProtect) < 0 || (flAllocationType & (MEM_COMMIT | MEM_RESERVE)) == 0)
        return Fail(ERROR_INVALID_PARAMETER);
    std::lock_guard<std::mutex> guard(regionsLock);
    size_t page = PageSize();
    uintptr_t base = 0;
    if ((flAllocationType & MEM_RESERVE) || address == 0) {
        size_t size = (dwSize + page - 1) & ~(page - 1);
        void* at = Reserve(address, size);
        if (at == nullptr)
            return Fail(address != 0 ? ERROR_INVALID_ADDRESS : ERROR_NOT_ENOUGH_MEMORY);
        base = reinterpret_cast<uintptr_t>(at);
        Region& region = regions[base] = Region { size, std::vector<DWORD>(size / page, 0) };
        if ((flAllocationType & MEM_COMMIT) && !Protect(region, base, base, size, flProtect))
            return Fail(ERROR_NOT_ENOUGH_MEMORY);
        return at;
    }
    Region* region = FindRegion(address, dwSize, base);
    if (region == nullptr)
        return Fail(ERROR_INVALID_ADDRESS);
    if (!Protect(*region, base, address, dwSize, flProtect))
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    return reinterpret_cast<LPVOID>(address & ~(page - 1));
}

// MEM_RELEASE takes the base of a reservation and a size of 0; MEM_DECOMMIT drops the contents of
// pages and leaves them reserved.
BOOL VirtualFree(LPVOID lpAddress, SIZE_T dwSize, DWORD dwFreeType)
{
    uintptr_t address = reinterpret_cast<uintptr_t>(lpAddress);
    std::lock_guard<std::mutex> guard(regionsLock);
    uintptr_t base = 0;
    Region* region = FindRegion(address, dwFreeType == MEM_RELEASE ? 0 : dwSize, base);
    if (dwFreeType == MEM_RELEASE && region != nullptr && base == address && dwSize == 0) {
        munmap(lpAddress, region->size);
        regions.erase(base);
        return TRUE;
    }
    if (dwFreeType == MEM_DECOMMIT && region != nullptr && dwSize != 0) {
        size_t page = PageSize();
        uintptr_t first = address & ~(page - 1);
        uintptr_t end = (address + dwSize + page - 1) & ~(page - 1);
        madvise(reinterpret_cast<void*>(first), end - first, MADV_DONTNEED);
        if (Protect(*region, base, first, end - first, PAGE_NOACCESS)) {
            for (uintptr_t at = first; at < end; at += page)
                region->protections[(at - base) / page] = 0;
            return TRUE;
        }
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

BOOL VirtualProtect(LPVOID lpAddress, SIZE_T dwSize, DWORD flNewProtect, LPDWORD lpflOldProtect)
{
    uintptr_t address = reinterpret_cast<uintptr_t>(lpAddress);
    if (dwSize == 0 || HostProtection(flNewProtect) < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(regionsLock);
    uintptr_t base = 0;
    Region* region = FindRegion(address, dwSize, base);
    if (region == nullptr) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return FALSE;
    }
    DWORD old = region->protections[(address - base) / PageSize()];
    if (!Protect(*region, base, address, dwSize, flNewProtect)) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return FALSE;
    }
    if (lpflOldProtect != nullptr)
        *lpflOldProtect = old;
    return TRUE;
}

// x86 keeps instruction and data caches coherent; nothing to do.
BOOL FlushInstructionCache(HANDLE hProcess, LPCVOID lpBaseAddress, SIZE_T dwSize)
{
    return TRUE;
}
