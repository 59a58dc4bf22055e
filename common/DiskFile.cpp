// DiskFile over one platform file handle, OpenDiskFile and AppendSlash.
#include "DiskFile.h"

#include <new>
#include <string>

namespace {

constexpr DWORD SHARE_READ_WRITE = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD ALL_ONES = 0xFFFFFFFFu;

WCHAR* CopyPath(const WCHAR* path) noexcept
{
    size_t length = std::char_traits<WCHAR>::length(path);
    WCHAR* copy = new (std::nothrow) WCHAR[length + 1];
    if (copy)
        std::char_traits<WCHAR>::copy(copy, path, length + 1);
    return copy;
}

HANDLE OpenHandle(const WCHAR* path, DWORD access, DWORD disposition) noexcept
{
    return CreateFileW(path, access, SHARE_READ_WRITE, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

bool IsOpen(HANDLE handle) noexcept
{
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

// The platform reports a failed move or size as all ones in the low half together with a non-zero
// last error; all ones alone is a valid low half of a large position.
int64_t JoinHalves(DWORD low, LONG high) noexcept
{
    if (low == ALL_ONES && GetLastError() != NO_ERROR)
        return -1;
    return int64_t((uint64_t(uint32_t(high)) << 32) | low);
}

class DiskFileObject final : public DiskFile {
public:
    int32_t AddRef() noexcept override { return ++refCount; }

    int32_t Release() noexcept override
    {
        int32_t count = --refCount;
        if (count == 0) {
            Close();
            delete this;
        }
        return count;
    }

    int32_t Open(const WCHAR* newPath, int32_t mode) noexcept override
    {
        DWORD access = 0;
        DWORD disposition = 0;
        if (!ModeToAccess(mode, access, disposition) || newPath == nullptr)
            return 0;
        if (IsOpen(handle))
            Close();   // a second Open must not leak the first handle
        writable = (access & GENERIC_WRITE) != 0;
        handle = OpenHandle(newPath, access, disposition);
        if (handle == INVALID_HANDLE_VALUE)
            return 0;
        path = CopyPath(newPath);
        if (path == nullptr) {
            // Without its path the object could not reopen itself in MakeWritable.
            CloseHandle(handle);
            handle = INVALID_HANDLE_VALUE;
            return 0;
        }
        return 1;
    }

    int32_t MakeWritable() noexcept override
    {
        if (writable)
            return 1;
        if (path == nullptr)
            return 0;
        if (IsOpen(handle))
            CloseHandle(handle);
        handle = OpenHandle(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
        if (handle == INVALID_HANDLE_VALUE) {
            handle = OpenHandle(path, GENERIC_READ, OPEN_EXISTING);
            return 0;
        }
        writable = true;
        return 1;
    }

    int32_t Close() noexcept override
    {
        if (IsOpen(handle))
            CloseHandle(handle);
        handle = nullptr;
        writable = false;
        delete[] path;
        path = nullptr;
        return 1;
    }

    uint32_t Read(void* buffer, uint32_t count) noexcept override
    {
        DWORD done = 0;
        if (!ReadFile(handle, buffer, count, &done, nullptr))
            return 0;
        return done;
    }

    int32_t Write(const void* buffer, uint32_t count) noexcept override
    {
        DWORD done = 0;
        if (!WriteFile(handle, buffer, count, &done, nullptr))
            return -1;
        return int32_t(done);
    }

    int64_t Seek(uint32_t low, int32_t high, uint32_t origin) noexcept override
    {
        LONG newHigh = high;
        SetLastError(NO_ERROR);
        DWORD newLow = SetFilePointer(handle, LONG(low), &newHigh, origin);
        return JoinHalves(newLow, newHigh);
    }

    int64_t GetSize() noexcept override
    {
        DWORD high = 0;
        SetLastError(NO_ERROR);
        DWORD low = GetFileSize(handle, &high);
        return JoinHalves(low, LONG(high));
    }

    int32_t SetSize(int32_t size) noexcept override
    {
        if (Seek(uint32_t(size), size < 0 ? -1 : 0, FILE_BEGIN) == -1)
            return 0;
        return SetEndOfFile(handle) ? 1 : 0;
    }

    HANDLE GetHandle() noexcept override { return handle; }

private:
    static bool ModeToAccess(int32_t mode, DWORD& access, DWORD& disposition) noexcept
    {
        switch (mode) {
        case DISKFILE_READ:
            access = GENERIC_READ;
            disposition = OPEN_EXISTING;
            return true;
        case DISKFILE_CREATE:
            access = GENERIC_READ | GENERIC_WRITE;
            disposition = CREATE_ALWAYS;
            return true;
        case DISKFILE_READWRITE:
            access = GENERIC_READ | GENERIC_WRITE;
            disposition = OPEN_EXISTING;
            return true;
        default:
            return false;
        }
    }

    bool writable = false;
    HANDLE handle = nullptr;    // null before Open and after Close; invalid after a failed open
    WCHAR* path = nullptr;      // owned copy of the path given to Open
    int32_t refCount = 1;       // the creator's reference; one thread at a time, so not atomic
};

}  // namespace

DiskFile* OpenDiskFile(const WCHAR* path, int32_t mode) noexcept
{
    DiskFile* file = new (std::nothrow) DiskFileObject();
    if (file == nullptr)
        return nullptr;
    if (!file->Open(path, mode)) {
        file->Release();
        return nullptr;
    }
    return file;
}

uint32_t AppendSlash(WCHAR* path) noexcept
{
    if (path == nullptr)
        return 0;
    size_t length = std::char_traits<WCHAR>::length(path);
    if (length == 0) {
        path[0] = u'\\';
        path[1] = 0;
        return 1;
    }
    WCHAR last = path[length - 1];
    if (last == u'\\' || last == u'/')
        return uint32_t(length);
    path[length] = u'\\';
    path[length + 1] = 0;
    return uint32_t(length + 1);
}
