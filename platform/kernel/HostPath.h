// Device paths to host paths for the file calls, and the host areas the platform keeps away from.
#pragma once

#include <string>

#include <wce/WinTypes.h>

namespace wce {

// Host path of a device path, each component as spelled; false with the last error otherwise:
// ERROR_PATH_NOT_FOUND (also for a null pointer), ERROR_INVALID_NAME for a component holding a
// character the device refuses, ERROR_FILENAME_EXCED_RANGE for an endless path.
bool HostPathForCall(const WCHAR* devicePath, std::string& hostPath);

// Respells hostPath so that each component that does not exist as spelled names the entry of its
// folder that matches it without regard to case; components past the first that matches nothing
// keep their spelling. True when the whole path names an existing entry. Calls try the exact
// spelling first, so a path of the right case costs nothing more.
bool MatchExistingPath(std::string& hostPath);

// For a call that found nothing at hostPath (errno error): respells hostPath, so that a failure is
// reported against the folders that do exist, and tells whether retrying there is worthwhile.
bool RespellAfterMiss(int error, std::string& hostPath);

// For a call that creates an entry at hostPath: respells its folders, and tells whether an entry of
// that name in any case exists already (existing is then its host path). hostPath keeps the name
// as asked, so a new entry is made in the case the caller gave.
bool ResolveNewEntry(std::string& hostPath, std::string& existing);

// True for the host's pseudo file systems and their contents (/proc, /sys, /dev, /run), which a
// search must never list or enter.
bool IsPseudoHostPath(const std::string& hostPath);

// The folder part of a host path ("/a/b" -> "/a", "/a" -> "/").
std::string HostParentFolder(const std::string& hostPath);

// Length of a zero-terminated UTF-16 string, at most limit.
size_t WideLength(const WCHAR* text, size_t limit);

}  // namespace wce
