// File times through a handle: GetFileTime and SetFileTime.
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>

#include <windows.h>

#include "FileObject.h"
#include "LastErrorMap.h"
#include "TimeConvert.h"

using wce::FileObject;
using wce::ObjectRef;
using wce::ObjectType;

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
    // Changing a file's times is writing to it: a handle opened only for reading may not.
    if (!file || !file->AllowsWriting())
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
