// ReadFile and WriteFile on file handles.
#include <cerrno>

#include <sys/uio.h>
#include <unistd.h>

#include <windows.h>

#include "FileObject.h"

namespace wce {
namespace {

constexpr size_t PROBE_PAGE = 4096;   // the smallest page size of the hosts we run on
constexpr size_t PROBE_BATCH = 256;   // pages looked at per system call

// Whether every byte of the range can be read, asked of the kernel (one byte of each page copied
// by process_vm_readv), so a bad buffer is found without touching it. A host that does not offer
// the call answers yes, and the write itself then meets the fault.
bool IsReadableRange(const void* start, size_t size)
{
    uintptr_t at = reinterpret_cast<uintptr_t>(start);
    uintptr_t end = 0;
    if (size == 0)
        return true;
    if (__builtin_add_overflow(at, size, &end))
        return false;
    char scratch[PROBE_BATCH];
    iovec remote[PROBE_BATCH];
    while (at < end) {
        size_t count = 0;
        for (; count < PROBE_BATCH && at < end; ++count) {
            remote[count] = iovec { reinterpret_cast<void*>(at), 1 };
            at = (at / PROBE_PAGE + 1) * PROBE_PAGE;
        }
        iovec local { scratch, count };
        ssize_t got = process_vm_readv(getpid(), &local, 1, remote, count, 0);
        if (got < 0 && (errno == ENOSYS || errno == EPERM))
            return true;
        if (got != ssize_t(count))
            return false;
    }
    return true;
}

}  // namespace
}  // namespace wce

using wce::FileObject;
using wce::ObjectRef;
using wce::ObjectType;

// A buffer the process may not write fails with ERROR_NOACCESS and nothing read: the bytes taken
// before the fault are given back to the file by moving its position back, and the count is 0.
BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
              LPOVERLAPPED lpOverlapped)
{
    if (lpNumberOfBytesRead != nullptr)
        *lpNumberOfBytesRead = 0;
    ObjectRef<FileObject> file(hFile, ObjectType::File);
    if (!file || !file->AllowsReading())
        return FALSE;
    DWORD done = 0;
    while (done < nNumberOfBytesToRead) {
        ssize_t got = read(file->fd, static_cast<char*>(lpBuffer) + done, nNumberOfBytesToRead - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && errno == EFAULT) {
            lseek(file->fd, -off_t(done), SEEK_CUR);
            SetLastError(ERROR_NOACCESS);
            return FALSE;
        }
        if (got < 0) {
            if (lpNumberOfBytesRead != nullptr)
                *lpNumberOfBytesRead = done;
            SetLastError(ERROR_READ_FAULT);
            return FALSE;
        }
        if (got == 0)
            break;   // the end of the file: success with fewer bytes
        done += DWORD(got);
    }
    if (lpNumberOfBytesRead != nullptr)
        *lpNumberOfBytesRead = done;
    return TRUE;
}

// A full disk ends the write with ERROR_DISK_FULL; the count says how much did reach the file. A
// buffer the process may not read is refused before anything is written.
BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
               LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped)
{
    if (lpNumberOfBytesWritten != nullptr)
        *lpNumberOfBytesWritten = 0;
    ObjectRef<FileObject> file(hFile, ObjectType::File);
    if (!file || !file->AllowsWriting())
        return FALSE;
    if (!wce::IsReadableRange(lpBuffer, nNumberOfBytesToWrite)) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    DWORD done = 0;
    int error = 0;
    while (done < nNumberOfBytesToWrite && error == 0) {
        ssize_t put = write(file->fd, static_cast<const char*>(lpBuffer) + done, nNumberOfBytesToWrite - done);
        if (put < 0 && errno != EINTR)
            error = errno;
        else if (put > 0)
            done += DWORD(put);
    }
    if (lpNumberOfBytesWritten != nullptr)
        *lpNumberOfBytesWritten = done;
    if (error == 0)
        return TRUE;
    if (error == EFAULT)
        SetLastError(ERROR_NOACCESS);
    else
        SetLastError(error == ENOSPC || error == EDQUOT || error == EFBIG ? ERROR_DISK_FULL : ERROR_WRITE_FAULT);
    return FALSE;
}
