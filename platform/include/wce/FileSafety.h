// What the platform offers beyond the Windows CE API for replacing files safely and for sharing
// one file between processes: flushing a folder, advisory whole-file locks, and file identity.
// The service library uses these where the device API has no word for them.
#pragma once

#include "WinTypes.h"

namespace wce {

// Writes the folder that holds path (its entry names) to the storage, so that a rename into it
// survives a power cut. False, with the last error set, when the folder cannot be flushed.
bool FlushFolderOf(LPCWSTR path);

// An advisory lock on the whole open file, shared by every process that asks for it through this
// call: waits up to timeoutMs for another holder to let go. False when it could not be had in
// time. The lock goes with UnlockFileHandle, with the handle, or with the process.
bool LockFileHandle(HANDLE file, DWORD timeoutMs);
// The lock only when it is free at once.
bool TryLockFileHandle(HANDLE file);
void UnlockFileHandle(HANDLE file);

// Whether the open file is the one that path names now (false when path names nothing or another
// file, for instance after the file was replaced by a rename).
bool IsFileAtPath(HANDLE file, LPCWSTR path);
// Whether two handles are open on the same file.
bool IsSameFile(HANDLE first, HANDLE second);

}  // namespace wce
