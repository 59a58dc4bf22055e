// Device paths to host paths for the file calls, and the host areas the platform keeps away from.
#pragma once

#include <string>

#include <wce/WinTypes.h>

namespace wce {

// Host path of a device path; false with ERROR_PATH_NOT_FOUND (or ERROR_INVALID_PARAMETER for a
// null pointer, ERROR_FILENAME_EXCED_RANGE for a path of MAX_PATH characters or more) otherwise.
bool HostPathForCall(const WCHAR* devicePath, std::string& hostPath);

// True for the host's pseudo file systems and their contents (/proc, /sys, /dev, /run), which a
// search must never list or enter.
bool IsPseudoHostPath(const std::string& hostPath);

// The folder part of a host path ("/a/b" -> "/a", "/a" -> "/").
std::string HostParentFolder(const std::string& hostPath);

// Length of a zero-terminated UTF-16 string, at most limit.
size_t WideLength(const WCHAR* text, size_t limit);

}  // namespace wce
