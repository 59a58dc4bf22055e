// EngineMemory: copies to and from engine-given addresses through process_vm_readv/writev on our
// own process, so a bad address fails the copy instead of faulting.
#include "EngineMemory.h"

#include <cstdint>
#include <cstring>
#include <sys/uio.h>
#include <unistd.h>

namespace {

size_t PageSize()
{
    long size = sysconf(_SC_PAGESIZE);
    return size > 0 ? size_t(size) : 4096;
}

// Bytes read; stops at the first page that cannot be read.
size_t ReadSome(void* out, const void* source, size_t bytes)
{
    iovec local { out, bytes };
    iovec remote { const_cast<void*>(source), bytes };
    ssize_t got = process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
    return got > 0 ? size_t(got) : 0;
}

}  // namespace

bool ReadEngineMemory(void* out, const void* source, size_t bytes) noexcept
{
    if (bytes == 0)
        return true;
    return source != nullptr && out != nullptr && ReadSome(out, source, bytes) == bytes;
}

bool WriteEngineMemory(void* target, const void* source, size_t bytes) noexcept
{
    if (bytes == 0)
        return true;
    if (target == nullptr || source == nullptr)
        return false;
    iovec local { const_cast<void*>(source), bytes };
    iovec remote { target, bytes };
    return process_vm_writev(getpid(), &local, 1, &remote, 1, 0) == ssize_t(bytes);
}

// Read a page at a time: a text that ends just before an unmapped page is still read whole.
bool CopyEngineText(const char* text, char* out, size_t capacity) noexcept
{
    if (capacity == 0)
        return false;
    out[0] = 0;
    if (text == nullptr)
        return false;
    size_t page = PageSize();
    size_t used = 0;
    while (used < capacity) {
        uintptr_t at = reinterpret_cast<uintptr_t>(text) + used;
        size_t want = page - at % page;
        if (want > capacity - used)
            want = capacity - used;
        size_t got = ReadSome(out + used, text + used, want);
        if (std::memchr(out + used, 0, got) != nullptr)
            return true;
        used += got;
        if (got < want)
            break;
    }
    // Cut, or unreadable from here on: what was read stays, terminated.
    out[used < capacity ? used : capacity - 1] = 0;
    return false;
}
