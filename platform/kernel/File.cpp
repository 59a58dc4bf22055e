// File handles: CreateFileW, ReadFile, WriteFile, positions, sizes, end of file, flushing, times.
#include <cerrno>
#include <mutex>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <windows.h>

#include "FileObject.h"
#include "HostPath.h"
#include "LastErrorMap.h"
#include "TimeConvert.h"

namespace wce {
namespace {

std::mutex openFilesLock;
std::vector<FileObject*> openFiles;   // guarded by openFilesLock

bool Conflicts(const FileObject& open, DWORD access, DWORD share)
{
    const DWORD dataAccess = GENERIC_READ | GENERIC_WRITE;
    if ((open.access & dataAccess) == 0 || (access & dataAccess) == 0)
        return false;   // attribute-only opens never conflict
    if ((access & GENERIC_READ) && !(open.share & FILE_SHARE_READ))
        return true;
    if ((access & GENERIC_WRITE) && !(open.share & FILE_SHARE_WRITE))
        return true;
    if ((open.access & GENERIC_READ) && !(share & FILE_SHARE_READ))
        return true;
    return (open.access & GENERIC_WRITE) && !(share & FILE_SHARE_WRITE);
}

struct OpenRequest {
    std::string hostPath;
    DWORD access;
    DWORD disposition;
    DWORD attributes;
};

// Opens (or creates) the host file without truncating it; existed tells whether it was there.
// Returns the descriptor or -1 with the last error set.
int OpenHostFile(const OpenRequest& request, bool& existed)
{
    int mode = (request.access & GENERIC_WRITE) ? (request.access & GENERIC_READ ? O_RDWR : O_WRONLY) : O_RDONLY;
    // Non-blocking so that a FIFO cannot hang the open; cleared again for regular files.
    int flags = mode | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    mode_t permissions = (request.attributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    existed = true;
    if (request.disposition != OPEN_EXISTING && request.disposition != TRUNCATE_EXISTING) {
        int fd = open(request.hostPath.c_str(), flags | O_CREAT | O_EXCL, permissions);
        if (fd >= 0) {
            existed = false;
            return fd;
        }
        if (errno != EEXIST) {
            SetLastErrorForPath(errno, request.hostPath);
            return -1;
        }
        if (request.disposition == CREATE_NEW) {
            SetLastError(ERROR_FILE_EXISTS);
            return -1;
        }
    }
    int fd = open(request.hostPath.c_str(), flags);
    if (fd < 0)
        SetLastErrorForPath(errno, request.hostPath);
    return fd;
}

bool IsValidDisposition(DWORD disposition, DWORD access)
{
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING)
        return false;
    return disposition != TRUNCATE_EXISTING || (access & GENERIC_WRITE) != 0;
}

// Folders, devices, FIFOs and sockets are not files: opening one fails with ERROR_ACCESS_DENIED.
HANDLE FinishOpen(int fd, const OpenRequest& request, DWORD share, bool existed)
{
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    // A READONLY file is not opened for writing, even by a user the host would let do it; the file
    // this call created is writable through its own handle, as on the device.
    if (existed && (request.access & GENERIC_WRITE) && (info.st_mode & S_IWUSR) == 0) {
        close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FileObject* file = new FileObject(fd, request.access, share, info.st_dev, info.st_ino);
    if (!RegisterOpenFile(file)) {
        file->Release();
        SetLastError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
    }
    // Truncation waits until sharing allowed the open: a refused open must not empty the file.
    bool truncate = request.disposition == TRUNCATE_EXISTING || (request.disposition == CREATE_ALWAYS && existed);
    if (truncate && ftruncate(fd, 0) != 0) {
        int error = errno;
        file->Release();
        FailWithErrno(error);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = InsertHandle(file);
    if (handle == nullptr)
        return INVALID_HANDLE_VALUE;
    if (request.disposition == CREATE_ALWAYS || request.disposition == OPEN_ALWAYS)
        SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

}  // namespace

FileObject::FileObject(int fd, DWORD access, DWORD share, dev_t device, ino_t inode)
    : KernelObject(ObjectType::File), fd(fd), access(access), share(share), device(device), inode(inode)
{
}

FileObject::~FileObject()
{
    {
        std::lock_guard<std::mutex> guard(openFilesLock);
        for (size_t i = 0; i < openFiles.size(); ++i) {
            if (openFiles[i] == this) {
                openFiles[i] = openFiles.back();
                openFiles.pop_back();
                break;
            }
        }
    }
    close(fd);
}

bool RegisterOpenFile(FileObject* file)
{
    std::lock_guard<std::mutex> guard(openFilesLock);
    for (FileObject* open : openFiles) {
        if (open->device == file->device && open->inode == file->inode && Conflicts(*open, file->access, file->share))
            return false;
    }
    openFiles.push_back(file);
    return true;
}

}  // namespace wce

using wce::FileObject;
using wce::ObjectRef;
using wce::ObjectType;

HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile)
{
    wce::OpenRequest request { {}, dwDesiredAccess, dwCreationDisposition, dwFlagsAndAttributes };
    if (!wce::IsValidDisposition(dwCreationDisposition, dwDesiredAccess)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (!wce::HostPathForCall(lpFileName, request.hostPath))
        return INVALID_HANDLE_VALUE;
    bool existed = false;
    int fd = wce::OpenHostFile(request, existed);
    if (fd < 0)
        return INVALID_HANDLE_VALUE;
    HANDLE handle = wce::FinishOpen(fd, request, dwShareMode, existed);
    if (handle == INVALID_HANDLE_VALUE && !existed)
        unlink(request.hostPath.c_str());   // a failed create leaves nothing behind
    return handle;
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
              LPOVERLAPPED lpOverlapped)
{
    if (lpNumberOfBytesRead != nullptr)
        *lpNumberOfBytesRead = 0;
    ObjectRef<FileObject> file(hFile, ObjectType::File);
    if (!file)
        return FALSE;
    if (!file->CanRead()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    DWORD done = 0;
    while (done < nNumberOfBytesToRead) {
        ssize_t got = read(file->fd, static_cast<char*>(lpBuffer) + done, nNumberOfBytesToRead - done);
        if (got < 0 && errno == EINTR)
            continue;
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

// A full disk ends the write with ERROR_DISK_FULL; the count says how much did reach the file.
BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
               LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped)
{
    if (lpNumberOfBytesWritten != nullptr)
        *lpNumberOfBytesWritten = 0;
    ObjectRef<FileObject> file(hFile, ObjectType::File);
    if (!file)
        return FALSE;
    if (!file->CanWrite()) {
        SetLastError(ERROR_ACCESS_DENIED);
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
    SetLastError(error == ENOSPC || error == EDQUOT || error == EFBIG ? ERROR_DISK_FULL : ERROR_WRITE_FAULT);
    return FALSE;
}

namespace {

// The base a move starts from, or -1 with the last error set.
int64_t MoveBase(int fd, DWORD method)
{
    if (method == FILE_BEGIN)
        return 0;
    if (method == FILE_CURRENT) {
        off_t at = lseek(fd, 0, SEEK_CUR);
        if (at < 0)
            wce::FailWithErrno(errno);
        return at;
    }
    if (method == FILE_END) {
        struct stat info {};
        if (fstat(fd, &info) != 0) {
            wce::FailWithErrno(errno);
            return -1;
        }
        return info.st_size;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
}

}  // namespace

// Without a high part the distance is a signed 32-bit value and the result must fit in 32 bits.
// The low half of a valid position may be 0xFFFFFFFF; the last error is then cleared, so callers
// can tell it from a failure.
DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod)
{
    ObjectRef<FileObject> file(hFile, ObjectType::File);
    if (!file)
        return INVALID_SET_FILE_POINTER;
    int64_t distance = lpDistanceToMoveHigh != nullptr
        ? int64_t((uint64_t(uint32_t(*lpDistanceToMoveHigh)) << 32) | uint32_t(lDistanceToMove))
        : int64_t(lDistanceToMove);
    int64_t base = MoveBase(file->fd, dwMoveMethod);
    if (base < 0)
        return INVALID_SET_FILE_POINTER;
    int64_t target = 0;
    if (__builtin_add_overflow(base, distance, &target) || target < 0) {
        SetLastError(target < 0 ? ERROR_NEGATIVE_SEEK : ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (lpDistanceToMoveHigh == nullptr && target > int64_t(0xFFFFFFFFu)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (lseek(file->fd, off_t(target), SEEK_SET) < 0) {
        wce::FailWithErrno(errno);
        return INVALID_SET_FILE_POINTER;
    }
    if (lpDistanceToMoveHigh != nullptr)
        *lpDistanceToMoveHigh = LONG(uint64_t(target) >> 32);
    if (DWORD(target) == INVALID_SET_FILE_POINTER)
        SetLastError(ERROR_SUCCESS);
    return DWORD(target);
}

// As with SetFilePointer, a low half of 0xFFFFFFFF that is a real size comes with a cleared error.
DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh)
{
    ObjectRef<FileObject> file(hFile, ObjectType::File);
    if (!file)
        return INVALID_FILE_SIZE;
    struct stat info {};
    if (fstat(file->fd, &info) != 0) {
        wce::FailWithErrno(errno);
        return INVALID_FILE_SIZE;
    }
    uint64_t size = uint64_t(info.st_size);
    if (lpFileSizeHigh != nullptr)
        *lpFileSizeHigh = DWORD(size >> 32);
    if (DWORD(size) == INVALID_FILE_SIZE)
        SetLastError(ERROR_SUCCESS);
    return DWORD(size);
}

BOOL SetEndOfFile(HANDLE hFile)
{
    ObjectRef<FileObject> file(hFile, ObjectType::File);
    if (!file)
        return FALSE;
    if (!file->CanWrite()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    off_t at = lseek(file->fd, 0, SEEK_CUR);
    if (at < 0 || ftruncate(file->fd, at) != 0)
        return wce::FailWithErrno(errno == ENOSPC || errno == EFBIG ? ENOSPC : errno);
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE hFile)
{
    ObjectRef<FileObject> file(hFile, ObjectType::File);
    if (!file)
        return FALSE;
    if (!file->CanWrite()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (fsync(file->fd) != 0 && errno != EINVAL)
        return wce::FailWithErrno(errno);
    return TRUE;
}

// The host keeps no settable creation time: GetFileTime reports the birth time where the file
// system records one (else the last change), and SetFileTime ignores a new creation time.
BOOL GetFileTime(HANDLE hFile, LPFILETIME lpCreationTime, LPFILETIME lpLastAccessTime,
                 LPFILETIME lpLastWriteTime)
{
    ObjectRef<FileObject> file(hFile, ObjectType::File);
    if (!file)
        return FALSE;
    struct statx info {};
    if (statx(file->fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &info) != 0)
        return wce::FailWithErrno(errno);
    auto convert = [](const struct statx_timestamp& t) { return wce::FileTimeFromTimespec(timespec { t.tv_sec, t.tv_nsec }); };
    if (lpCreationTime != nullptr)
        *lpCreationTime = convert((info.stx_mask & STATX_BTIME) ? info.stx_btime : info.stx_ctime);
    if (lpLastAccessTime != nullptr)
        *lpLastAccessTime = convert(info.stx_atime);
    if (lpLastWriteTime != nullptr)
        *lpLastWriteTime = convert(info.stx_mtime);
    return TRUE;
}

BOOL SetFileTime(HANDLE hFile, const FILETIME* lpCreationTime, const FILETIME* lpLastAccessTime,
                 const FILETIME* lpLastWriteTime)
{
    ObjectRef<FileObject> file(hFile, ObjectType::File);
    if (!file)
        return FALSE;
    timespec times[2] = { { 0, UTIME_OMIT }, { 0, UTIME_OMIT } };
    if (lpLastAccessTime != nullptr)
        times[0] = wce::TimespecFromFileTime(*lpLastAccessTime);
    if (lpLastWriteTime != nullptr)
        times[1] = wce::TimespecFromFileTime(*lpLastWriteTime);
    if (futimens(file->fd, times) != 0)
        return wce::FailWithErrno(errno);
    return TRUE;
}
