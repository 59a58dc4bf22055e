// Deleting, moving and copying files, creating and removing folders.
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <windows.h>

#include "FileObject.h"
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

// The existing entry a path names, as spelled or matched without case; false with the last error.
bool FindExisting(std::string& hostPath, struct stat& info)
{
    if (lstat(hostPath.c_str(), &info) == 0)
        return true;
    int error = errno;
    if (RespellAfterMiss(error, hostPath) && lstat(hostPath.c_str(), &info) == 0)
        return true;
    SetLastErrorForPath(error, hostPath);
    return false;
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

// The move once both ends are known: to is the name as asked (folders respelled), existing the
// entry already there under any case, or empty.
BOOL MoveResolved(const std::string& from, const struct stat& source, const std::string& to,
                  const std::string& existing, DWORD flags)
{
    bool replace = (flags & MOVEFILE_REPLACE_EXISTING) != 0;
    if (existing == from) {
        // The source itself under another spelling: only its case changes, or nothing at all.
        int error = to == from ? 0 : RenameNoReplace(from, to);
        return error == 0 ? TRUE : FailWithErrno(error);
    }
    struct stat target {};
    if (!existing.empty() && !replace) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (!existing.empty() && stat(existing.c_str(), &target) == 0 && (S_ISDIR(target.st_mode) || IsReadOnlyFile(existing))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    // A replaced file keeps its host spelling: one rename(2) over it, so a reader sees the old or
    // the new file and never neither.
    const std::string& destination = existing.empty() ? to : existing;
    int error = replace ? (rename(from.c_str(), destination.c_str()) == 0 ? 0 : errno) : RenameNoReplace(from, destination);
    if (error == EXDEV && (flags & MOVEFILE_COPY_ALLOWED) && S_ISREG(source.st_mode))
        return MoveAcrossDevices(from, destination, replace);
    if (error == 0)
        return TRUE;
    if (error == ENOENT)
        SetLastErrorForPath(error, destination);
    else
        SetLastError(error == EEXIST || error == ENOTEMPTY ? ERROR_ALREADY_EXISTS : ErrorFromErrno(error));
    return FALSE;
}

// The sharing checks of a copy against this process's own handles: the source is read by a
// reader that lets others read and write, the target is replaced by a writer that does the same.
bool CopyIsShareable(const struct stat& source, const std::string& existingTarget)
{
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    if (!OpenFilesAllow(source.st_dev, source.st_ino, GENERIC_READ, share))
        return false;
    struct stat target {};
    return existingTarget.empty() || stat(existingTarget.c_str(), &target) != 0 ||
           OpenFilesAllow(target.st_dev, target.st_ino, GENERIC_WRITE, share);
}

}  // namespace
}  // namespace wce

BOOL DeleteFileW(LPCWSTR lpFileName)
{
    std::string hostPath;
    struct stat info {};
    if (!wce::HostPathForCall(lpFileName, hostPath) || !wce::FindExisting(hostPath, info))
        return FALSE;
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

// The host paths of a move or copy: the source must exist; the target is the entry that already
// answers to its name in any letter case (existing), or the new name as asked for.
static bool ResolveSourceAndTarget(LPCWSTR fromName, LPCWSTR toName, std::string& from, struct stat& source,
                                   std::string& to, std::string& existing)
{
    if (!wce::HostPathForCall(fromName, from) || !wce::HostPathForCall(toName, to) || !wce::FindExisting(from, source))
        return false;
    if (!wce::ResolveNewEntry(to, existing))
        existing.clear();
    return true;
}

// With MOVEFILE_REPLACE_EXISTING a file replaces the target in one rename(2): a reader sees either
// the old or the new file, never a mix or nothing. A folder is never replaced.
BOOL MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags)
{
    std::string from, to, existing;
    struct stat source {};
    if (!ResolveSourceAndTarget(lpExistingFileName, lpNewFileName, from, source, to, existing))
        return FALSE;
    return wce::MoveResolved(from, source, to, existing, dwFlags);
}

BOOL CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists)
{
    std::string from, to, existing;
    struct stat source {};
    if (!ResolveSourceAndTarget(lpExistingFileName, lpNewFileName, from, source, to, existing))
        return FALSE;
    if (!existing.empty() && bFailIfExists) {
        SetLastError(ERROR_FILE_EXISTS);
        return FALSE;
    }
    // A file copied onto itself would be emptied by the writer before the reader saw it.
    if (existing == from || !wce::CopyIsShareable(source, existing)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    if (!existing.empty() && wce::IsReadOnlyFile(existing)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    int failedOn = 0;
    int error = wce::CopyHostFile(from, existing.empty() ? to : existing, !bFailIfExists, failedOn);
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
    std::string existing;
    if (!wce::HostPathForCall(lpPathName, hostPath))
        return FALSE;
    if (wce::ResolveNewEntry(hostPath, existing)) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (mkdir(hostPath.c_str(), 0777) == 0)
        return TRUE;
    SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : wce::ErrorFromErrno(errno));
    return FALSE;
}

BOOL RemoveDirectoryW(LPCWSTR lpPathName)
{
    std::string hostPath;
    struct stat info {};
    if (!wce::HostPathForCall(lpPathName, hostPath) || !wce::FindExisting(hostPath, info))
        return FALSE;
    if (rmdir(hostPath.c_str()) == 0)
        return TRUE;
    if (errno == ENOENT)
        wce::SetLastErrorForPath(errno, hostPath);
    else
        SetLastError(errno == ENOTDIR ? ERROR_DIRECTORY : errno == EEXIST ? ERROR_DIR_NOT_EMPTY : wce::ErrorFromErrno(errno));
    return FALSE;
}
