// ReplacementFile: the temporary file, its lock, the rename and the flushes.
#include "ReplacementFile.h"

#include <string>

#include <wce/FileSafety.h>

namespace {

using Chars = std::char_traits<WCHAR>;

constexpr uint32_t NAME_TRIES = 16;

// The folder part of path with its separator: its length, or 0 without a folder.
size_t FolderLength(const WCHAR* path)
{
    size_t cut = 0;
    for (size_t i = 0; path[i] != 0; ++i) {
        if (path[i] == u'\\' || path[i] == u'/')
            cut = i + 1;
    }
    return cut;
}

// "<folder>~orvXXXXXXXX.tmp" with a name made of the time, the process and a counter.
bool MakeTemporaryName(const WCHAR* target, WCHAR* out, uint32_t attempt)
{
    static uint32_t counter = 0;
    size_t folder = FolderLength(target);
    if (folder == 0 || folder + 16 >= MAX_PATH)
        return false;
    Chars::copy(out, target, folder);
    uint32_t unique = GetTickCount() * 2654435761u ^ (GetCurrentProcessId() << 16) ^ (++counter + attempt);
    wsprintfW(out + folder, u"~orv%08x.tmp", unique);
    return true;
}

}  // namespace

bool ReplacementFile::Begin(const WCHAR* target) noexcept
{
    Abort();
    if (target == nullptr || Chars::length(target) >= MAX_PATH)
        return false;
    Chars::copy(targetPath, target, Chars::length(target) + 1);
    RemoveStaleReplacements(target);
    for (uint32_t attempt = 0; attempt < NAME_TRIES; ++attempt) {
        if (!MakeTemporaryName(target, tempPath, attempt))
            return false;
        file = CreateFileW(tempPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            // Held until the file is renamed or removed: a cleaner in another process leaves it be.
            wce::TryLockFileHandle(file);
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    tempPath[0] = 0;
    return false;
}

bool ReplacementFile::Write(const void* data, uint32_t bytes) noexcept
{
    const uint8_t* at = static_cast<const uint8_t*>(data);
    while (file != INVALID_HANDLE_VALUE && bytes > 0) {
        DWORD wrote = 0;
        if (!WriteFile(file, at, bytes, &wrote, nullptr) || wrote == 0)
            return false;
        at += wrote;
        bytes -= wrote;
    }
    return file != INVALID_HANDLE_VALUE;
}

bool ReplacementFile::Commit() noexcept
{
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool flushed = FlushFileBuffers(file) != 0;
    bool closed = CloseHandle(file) != 0;
    file = INVALID_HANDLE_VALUE;
    if (!flushed || !closed || !MoveFileExW(tempPath, targetPath, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(tempPath);
        tempPath[0] = 0;
        return false;
    }
    tempPath[0] = 0;
    // The rename is in place; a folder that cannot be flushed leaves it as durable as the storage
    // makes it, which is not a reason to call the replacement failed.
    wce::FlushFolderOf(targetPath);
    return true;
}

void ReplacementFile::Abort() noexcept
{
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
    if (tempPath[0] != 0)
        DeleteFileW(tempPath);
    tempPath[0] = 0;
}

void RemoveStaleReplacements(const WCHAR* path) noexcept
{
    WCHAR search[MAX_PATH];
    size_t folder = FolderLength(path);
    if (folder == 0 || folder + Chars::length(REPLACEMENT_PATTERN) >= MAX_PATH)
        return;
    Chars::copy(search, path, folder);
    Chars::copy(search + folder, REPLACEMENT_PATTERN, Chars::length(REPLACEMENT_PATTERN) + 1);
    WIN32_FIND_DATAW entry;
    HANDLE found = FindFirstFileW(search, &entry);
    if (found == INVALID_HANDLE_VALUE)
        return;
    do {
        size_t length = Chars::length(entry.cFileName);
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || folder + length >= MAX_PATH)
            continue;
        Chars::copy(search + folder, entry.cFileName, length + 1);
        HANDLE stale = CreateFileW(search, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        if (stale == INVALID_HANDLE_VALUE)
            continue;
        if (wce::TryLockFileHandle(stale))
            DeleteFileW(search);
        CloseHandle(stale);
    } while (FindNextFileW(found, &entry));
    FindClose(found);
}
