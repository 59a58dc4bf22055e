// Folder flushing, advisory locks and file identity (wce/FileSafety.h).
#include <wce/FileSafety.h>

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <windows.h>

#include "FileObject.h"
#include "HostPath.h"
#include "LastErrorMap.h"

namespace wce {
namespace {

constexpr long LOCK_POLL_NS = 1000000;   // 1 ms between tries
constexpr DWORD LOCK_VIOLATION = 33;     // ERROR_LOCK_VIOLATION

bool SameFile(const struct stat& info, const FileObject& file)
{
    return info.st_dev == file.device && info.st_ino == file.inode;
}

}  // namespace

bool FlushFolderOf(LPCWSTR path)
{
    std::string hostPath;
    if (!HostPathForCall(path, hostPath))
        return false;
    struct stat info {};
    std::string folder = stat(hostPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode) ? hostPath : HostParentFolder(hostPath);
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return FailWithErrno(errno);
    int result = fsync(fd);
    int error = errno;
    close(fd);
    // Some file systems cannot flush a folder; their renames are as durable as they get.
    if (result != 0 && error != EINVAL)
        return FailWithErrno(error);
    return true;
}

// flock locks belong to the open file, so two handles of one process exclude each other too, and
// a process that ends, however it ends, lets go of its locks.
bool LockFileHandle(HANDLE handle, DWORD timeoutMs)
{
    ObjectRef<FileObject> file(handle, ObjectType::File);
    if (!file)
        return false;
    timespec pause { 0, LOCK_POLL_NS };
    for (DWORD waited = 0;; ++waited) {
        if (flock(file->fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return FailWithErrno(errno);
        if (waited >= timeoutMs) {
            SetLastError(LOCK_VIOLATION);
            return false;
        }
        nanosleep(&pause, nullptr);
    }
}

bool TryLockFileHandle(HANDLE handle)
{
    return LockFileHandle(handle, 0);
}

void UnlockFileHandle(HANDLE handle)
{
    ObjectRef<FileObject> file(handle, ObjectType::File);
    if (file)
        flock(file->fd, LOCK_UN);
}

bool IsFileAtPath(HANDLE handle, LPCWSTR path)
{
    ObjectRef<FileObject> file(handle, ObjectType::File);
    std::string hostPath;
    struct stat info {};
    return file && HostPathForCall(path, hostPath) && stat(hostPath.c_str(), &info) == 0 && SameFile(info, *file.get());
}

bool IsSameFile(HANDLE first, HANDLE second)
{
    ObjectRef<FileObject> one(first, ObjectType::File);
    ObjectRef<FileObject> two(second, ObjectType::File);
    return one && two && one->device == two->device && one->inode == two->inode;
}

}  // namespace wce
