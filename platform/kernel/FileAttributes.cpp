// File attributes by path: GetFileAttributesW and SetFileAttributesW.
#include <cerrno>

#include <sys/stat.h>

#include <windows.h>

#include "FileStat.h"
#include "HostPath.h"
#include "LastErrorMap.h"

namespace wce {

// Folders are DIRECTORY; files NORMAL, or READONLY when the owner may not write them.
DWORD AttributesFromStat(const struct stat& info)
{
    if (S_ISDIR(info.st_mode))
        return FILE_ATTRIBUTE_DIRECTORY;
    return (info.st_mode & S_IWUSR) ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
}

bool IsReadOnlyFile(const std::string& hostPath)
{
    struct stat info {};
    return stat(hostPath.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) == 0;
}

namespace {

// The status of the entry a path names, as spelled or matched without case; false with the last
// error set.
bool StatExisting(std::string& hostPath, struct stat& info)
{
    if (stat(hostPath.c_str(), &info) == 0)
        return true;
    int error = errno;
    if (RespellAfterMiss(error, hostPath) && stat(hostPath.c_str(), &info) == 0)
        return true;
    SetLastErrorForPath(error, hostPath);
    return false;
}

}  // namespace
}  // namespace wce

DWORD GetFileAttributesW(LPCWSTR lpFileName)
{
    std::string hostPath;
    struct stat info {};
    if (!wce::HostPathForCall(lpFileName, hostPath) || !wce::StatExisting(hostPath, info))
        return INVALID_FILE_ATTRIBUTES;
    return wce::AttributesFromStat(info);
}

// Only READONLY has a host counterpart (the write permission bits); the other bits are accepted and
// not kept, as on a file system without them. On a folder READONLY does not keep files from being
// created in it, so folders keep their permissions.
BOOL SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes)
{
    std::string hostPath;
    struct stat info {};
    if (!wce::HostPathForCall(lpFileName, hostPath) || !wce::StatExisting(hostPath, info))
        return FALSE;
    if (S_ISDIR(info.st_mode))
        return TRUE;
    mode_t mode = info.st_mode & 07777;
    if (dwFileAttributes & FILE_ATTRIBUTE_READONLY)
        mode &= mode_t(~(S_IWUSR | S_IWGRP | S_IWOTH));
    else
        mode |= S_IWUSR;
    if (mode != (info.st_mode & 07777) && chmod(hostPath.c_str(), mode) != 0)
        return wce::FailWithErrno(errno);
    return TRUE;
}
