// Per-thread last error and the translation of host errno values into the platform's codes.
#include <cerrno>

#include <sys/stat.h>

#include <windows.h>

#include "HostPath.h"
#include "LastErrorMap.h"

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}

DWORD GetLastError()
{
    return lastError;
}

void SetLastError(DWORD dwErrCode)
{
    lastError = dwErrCode;
}

namespace wce {

DWORD ErrorFromErrno(int error)
{
    switch (error) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: case ELOOP: return ERROR_PATH_NOT_FOUND;
    case EACCES: case EPERM: case EISDIR: return ERROR_ACCESS_DENIED;
    case EBUSY: case ETXTBSY: return ERROR_SHARING_VIOLATION;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOSPC: case EDQUOT: return ERROR_DISK_FULL;
    case EMFILE: case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EBADF: return ERROR_INVALID_HANDLE;
    case EROFS: return ERROR_WRITE_PROTECT;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case EFBIG: return ERROR_DISK_FULL;
    default: return ERROR_GEN_FAILURE;
    }
}

void SetLastErrorForPath(int error, const std::string& hostPath)
{
    if (error == ENOENT) {
        struct stat info {};
        std::string parent = HostParentFolder(hostPath);
        if (stat(parent.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return;
        }
    }
    SetLastError(ErrorFromErrno(error));
}

BOOL FailWithErrno(int error)
{
    SetLastError(ErrorFromErrno(error));
    return FALSE;
}

}  // namespace wce
