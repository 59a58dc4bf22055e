// Deleting, moving and copying files, creating and removing folders.
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <windows.h>

#include "FileStat.h"
#include "HostPath.h"
#include "LastErrorMap.h"

namespace wce {
namespace {

constexpr size_t COPY_CHUNK = 64 * 1024;

// Renames without replacing an existing target. File systems without RENAME_NOREPLACE fall back to
// a check first, which leaves only a narrow race.
int RenameNoReplace(const std::string& from, const std::string& to)
{
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    struct stat info {};
    if (lstat(to.c_str(), &info) == 0)
        return EEXIST;
    return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// Copies every byte of in to out; 0 or the errno of the failure.
int CopyBytes(int in, int out)
{
    static thread_local char buffer[COPY_CHUNK];
    for (;;) {
        ssize_t got = read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            return 0;
        for (ssize_t done = 0; done < got;) {
            ssize_t put = write(out, buffer + done, size_t(got - done));
            if (put < 0 && errno != EINTR)
                return errno;
            if (put > 0)
                done += put;
        }
    }
}

// Copies source into a temporary file beside target, then renames it into place, so a failed copy
// never leaves a truncated target and never touches an existing one. 0 or the errno of the failure.
int CopyHostFile(const std::string& source, const std::string& target, bool replace, int& failedOn)
{
    failedOn = 0;   // 0: source, 1: target
    int in = open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat info {};
    if (in < 0 || fstat(in, &info) != 0 || !S_ISREG(info.st_mode)) {
        int error = in < 0 ? errno : EACCES;
        if (in >= 0)
            close(in);
        return error;
    }
    failedOn = 1;
    std::string temporary = HostParentFolder(target) + "/.~copyXXXXXX";
    int out = mkostemp(temporary.data(), O_CLOEXEC);
    if (out < 0) {
        int error = errno;
        close(in);
        return error;
    }
    int error = CopyBytes(in, out);
    fchmod(out, info.st_mode & 07777);
    timespec times[2] = { info.st_atim, info.st_mtim };   // a copy keeps the last write time
    futimens(out, times);
    if (close(out) != 0 && error == 0)
        error = errno;
    close(in);
    if (error == 0)
        error = replace ? (rename(temporary.c_str(), target.c_str()) == 0 ? 0 : errno) : RenameNoReplace(temporary, target);
    if (error != 0)
        unlink(temporary.c_str());
    return error;
}

bool IsReadOnlyFileStat(const struct stat& info)
{
    return S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) == 0;
}

bool ResolveTwo(LPCWSTR first, LPCWSTR second, std::string& firstHost, std::string& secondHost)
{
    return HostPathForCall(first, firstHost) && HostPathForCall(second, secondHost);
}

// Moves a regular file to another file system: copy, then delete the original.
BOOL MoveAcrossDevices(const std::string& from, const std::string& to, bool replace)
{
    int failedOn = 0;
    int error = CopyHostFile(from, to, replace, failedOn);
    if (error == EEXIST) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (error != 0)
        return FailWithErrno(error);
    if (unlink(from.c_str()) != 0)
        return FailWithErrno(errno);
    return TRUE;
}

}  // namespace
}  // namespace wce

BOOL DeleteFileW(LPCWSTR lpFileName)
{
    std::string hostPath;
    if (!wce::HostPathForCall(lpFileName, hostPath))
        return FALSE;
    struct stat info {};
    if (lstat(hostPath.c_str(), &info) != 0) {
        wce::SetLastErrorForPath(errno, hostPath);
        return FALSE;
    }
    if (S_ISDIR(info.st_mode) || wce::IsReadOnlyFileStat(info)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (unlink(hostPath.c_str()) != 0)
        return wce::FailWithErrno(errno);
    return TRUE;
}

BOOL MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName)
{
    return MoveFileExW(lpExistingFileName, lpNewFileName, MOVEFILE_COPY_ALLOWED);
}

// With MOVEFILE_REPLACE_EXISTING a file replaces the target in one rename(2): a reader sees either
// the old or the new file, never a mix or nothing. A folder is never replaced.
BOOL MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags)
{
    std::string from;
    std::string to;
    if (!wce::ResolveTwo(lpExistingFileName, lpNewFileName, from, to))
        return FALSE;
    struct stat source {};
    if (lstat(from.c_str(), &source) != 0) {
        wce::SetLastErrorForPath(errno, from);
        return FALSE;
    }
    bool replace = (dwFlags & MOVEFILE_REPLACE_EXISTING) != 0;
    struct stat target {};
    if (replace && stat(to.c_str(), &target) == 0 && (S_ISDIR(target.st_mode) || wce::IsReadOnlyFile(to)) && from != to) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    int error = replace ? (rename(from.c_str(), to.c_str()) == 0 ? 0 : errno) : wce::RenameNoReplace(from, to);
    if (error == EXDEV && (dwFlags & MOVEFILE_COPY_ALLOWED) && S_ISREG(source.st_mode))
        return wce::MoveAcrossDevices(from, to, replace);
    if (error == 0)
        return TRUE;
    if (error == ENOENT)
        wce::SetLastErrorForPath(error, to);
    else
        SetLastError(error == EEXIST || error == ENOTEMPTY ? ERROR_ALREADY_EXISTS : wce::ErrorFromErrno(error));
    return FALSE;
}

BOOL CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists)
{
    std::string from;
    std::string to;
    if (!wce::ResolveTwo(lpExistingFileName, lpNewFileName, from, to))
        return FALSE;
    if (!bFailIfExists && wce::IsReadOnlyFile(to)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    int failedOn = 0;
    int error = wce::CopyHostFile(from, to, !bFailIfExists, failedOn);
    if (error == 0)
        return TRUE;
    if (error == EEXIST)
        SetLastError(ERROR_FILE_EXISTS);
    else if (error == ENOENT)
        wce::SetLastErrorForPath(error, failedOn == 0 ? from : to);
    else
        SetLastError(error == ENOSPC || error == EDQUOT ? ERROR_DISK_FULL : wce::ErrorFromErrno(error));
    return FALSE;
}

BOOL CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes)
{
    std::string hostPath;
    if (!wce::HostPathForCall(lpPathName, hostPath))
        return FALSE;
    if (mkdir(hostPath.c_str(), 0777) == 0)
        return TRUE;
    SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : wce::ErrorFromErrno(errno));
    return FALSE;
}

BOOL RemoveDirectoryW(LPCWSTR lpPathName)
{
    std::string hostPath;
    if (!wce::HostPathForCall(lpPathName, hostPath))
        return FALSE;
    if (rmdir(hostPath.c_str()) == 0)
        return TRUE;
    if (errno == ENOENT)
        wce::SetLastErrorForPath(errno, hostPath);
    else
        SetLastError(errno == ENOTDIR ? ERROR_DIRECTORY : errno == EEXIST ? ERROR_DIR_NOT_EMPTY : wce::ErrorFromErrno(errno));
    return FALSE;
}
