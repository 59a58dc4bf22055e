// WalkFolder: the depth-first walk the backup store lists and purges its folder with.
#include "WalkFolder.h"

#include <string>

#include "PathFence.h"

namespace {

size_t Length(const WCHAR* text) noexcept
{
    return std::char_traits<WCHAR>::length(text);
}

// Puts text at path[end], terminated; false (path untouched) when it would not fit in MAX_PATH.
bool PutAt(WCHAR* path, size_t end, const WCHAR* text) noexcept
{
    size_t length = Length(text);
    if (end + length >= MAX_PATH)
        return false;
    std::char_traits<WCHAR>::copy(path + end, text, length);
    path[end + length] = 0;
    return true;
}

// Makes path end in a separator ("" becomes "\"); the new length, or 0 when there is no room.
size_t EndInSeparator(WCHAR* path) noexcept
{
    size_t length = Length(path);
    if (length > 0 && (path[length - 1] == u'\\' || path[length - 1] == u'/'))
        return length;
    return PutAt(path, length, u"\\") ? length + 1 : 0;
}

}  // namespace

int32_t WalkFolder(WCHAR* path, FolderWalkCallback* callback, int32_t arg1, int32_t arg2,
                   const WCHAR* pattern) noexcept
{
    size_t end = EndInSeparator(path);
    if (end == 0 || !PutAt(path, end, pattern)) {
        if (end != 0)
            path[end] = 0;
        return 1;
    }
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(path, &entry);
    path[end] = 0;
    if (search == INVALID_HANDLE_VALUE)
        return 1;
    int32_t result = 1;
    do {
        // A name too long for the path buffer cannot be handed on whole, so the entry is left out;
        // so is one that is not a single name (a '\' in it would reach outside this folder).
        if (!IsSingleComponent(entry.cFileName) || !PutAt(path, end, entry.cFileName))
            continue;
        result = callback->OnEntry(path, entry.nFileSizeLow, entry.dwFileAttributes, arg1, arg2);
        if (result > 0 && (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0
            && WalkFolder(path, callback, arg1, arg2, pattern) == 0)
            result = 0;
        path[end] = 0;
    } while (result != 0 && FindNextFileW(search, &entry));
    FindClose(search);
    path[end] = 0;
    return result;
}
