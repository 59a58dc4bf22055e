// File handles: CreateFileW, positions, sizes, end of file, flushing.
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

bool Truncates(DWORD disposition)
{
    return disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
}

// A file that is to be emptied is opened for writing on the host whatever the caller asked for:
// CREATE_ALWAYS empties it even for a handle without GENERIC_WRITE. The handle's own rights stay
// those asked for.
int HostOpenFlags(const OpenRequest& request, bool truncating)
{
    bool write = (request.access & GENERIC_WRITE) != 0 || truncating;
    int mode = write ? (request.access & GENERIC_READ ? O_RDWR : O_WRONLY) : O_RDONLY;
    // Non-blocking so that a FIFO cannot hang the open; cleared again for regular files.
    return mode | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
}

// OPEN_EXISTING and TRUNCATE_EXISTING: the path as spelled, else as it matches without case.
int OpenExistingHostFile(OpenRequest& request)
{
    int flags = HostOpenFlags(request, Truncates(request.disposition));
    int fd = open(request.hostPath.c_str(), flags);
    int error = errno;
    if (fd < 0 && RespellAfterMiss(error, request.hostPath)) {
        fd = open(request.hostPath.c_str(), flags);
        error = errno;
    }
    if (fd < 0)
        SetLastErrorForPath(error, request.hostPath);
    return fd;
}

// The dispositions that may create: an existing entry of any case is the file asked for; only when
// there is none is a new file made, under the name as asked. Returns the descriptor or -1 with
// the last error set; existed tells whether the file was there.
int OpenOrCreateHostFile(OpenRequest& request, bool& existed)
{
    mode_t permissions = (request.attributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    std::string existing;
    // A second round only when another process created the name between the look and the create.
    for (int round = 0; round < 2; ++round) {
        existed = ResolveNewEntry(request.hostPath, existing);
        if (existed) {
            request.hostPath = existing;
            struct stat info {};
            if (request.disposition == CREATE_NEW) {
                bool folder = stat(existing.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
                SetLastError(folder ? ERROR_ACCESS_DENIED : ERROR_FILE_EXISTS);
                return -1;
            }
            int fd = open(existing.c_str(), HostOpenFlags(request, Truncates(request.disposition)));
            if (fd < 0)
                SetLastErrorForPath(errno, existing);
            return fd;
        }
        int fd = open(request.hostPath.c_str(), HostOpenFlags(request, false) | O_CREAT | O_EXCL, permissions);
        if (fd >= 0 || errno != EEXIST) {
            if (fd < 0)
                SetLastErrorForPath(errno, request.hostPath);
            return fd;
        }
    }
    SetLastError(ERROR_SHARING_VIOLATION);
    return -1;
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
    // Truncation waits until sharing allowed the open: a refused open must not empty the file.
    bool truncate = request.disposition == TRUNCATE_EXISTING || (request.disposition == CREATE_ALWAYS && existed);
    // A READONLY file is neither opened for writing nor emptied, even by a user the host would let
    // do it; the file this call created is writable through its own handle, as on the device.
    if (existed && ((request.access & GENERIC_WRITE) || truncate) && (info.st_mode & S_IWUSR) == 0) {
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
    if (truncate && ftruncate(fd, 0) != 0) {
        int error = errno;
        file->Release();
        FailWithErrno(error);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = InsertHandle(file);
    if (handle == nullptr)
        return INVALID_HANDLE_VALUE;
    bool reportsExistence = request.disposition == CREATE_ALWAYS || request.disposition == OPEN_ALWAYS;
    SetLastError(existed && reportsExistence ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
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

bool OpenFilesAllow(dev_t device, ino_t inode, DWORD access, DWORD share)
{
    std::lock_guard<std::mutex> guard(openFilesLock);
    for (FileObject* open : openFiles) {
        if (open->device == device && open->inode == inode && Conflicts(*open, access, share))
            return false;
    }
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
    bool existed = true;
    bool creates = dwCreationDisposition != OPEN_EXISTING && dwCreationDisposition != TRUNCATE_EXISTING;
    int fd = creates ? wce::OpenOrCreateHostFile(request, existed) : wce::OpenExistingHostFile(request);
    if (fd < 0)
        return INVALID_HANDLE_VALUE;
    HANDLE handle = wce::FinishOpen(fd, request, dwShareMode, existed);
    if (handle == INVALID_HANDLE_VALUE && !existed)
        unlink(request.hostPath.c_str());   // a failed create leaves nothing behind
    return handle;
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
    if (!file || !file->AllowsWriting())
        return FALSE;
    off_t at = lseek(file->fd, 0, SEEK_CUR);
    if (at < 0 || ftruncate(file->fd, at) != 0)
        return wce::FailWithErrno(errno == ENOSPC || errno == EFBIG ? ENOSPC : errno);
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE hFile)
{
    ObjectRef<FileObject> file(hFile, ObjectType::File);
    if (!file || !file->AllowsWriting())
        return FALSE;
    if (fsync(file->fd) != 0 && errno != EINVAL)
        return wce::FailWithErrno(errno);
    return TRUE;
}
