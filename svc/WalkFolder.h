// WalkFolder: depth-first walk of a folder tree with a callback for every entry.
#pragma once

#include <windows.h>

// The walk's listener, called by position like the other library tables.
class FolderWalkCallback {
public:
    // 0 stops the whole walk; negative goes on without entering this entry; positive goes on and
    // walks into the entry first when it is a folder (attribute 0x10).
    virtual int32_t OnEntry(const WCHAR* fullPath, uint32_t sizeLow, uint32_t attributes, int32_t arg1,
                            int32_t arg2) noexcept = 0;

protected:
    ~FolderWalkCallback() = default;
};

// path is a buffer of MAX_PATH characters holding a folder; on return it holds that folder with a
// trailing separator. Returns 0 when a callback stopped the walk, else the last callback's result
// (1 when there was none). Entries whose full path would not fit in MAX_PATH are skipped.
int32_t WalkFolder(WCHAR* path, FolderWalkCallback* callback, int32_t arg1, int32_t arg2,
                   const WCHAR* pattern) noexcept;
