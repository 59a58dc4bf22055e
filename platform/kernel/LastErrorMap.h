// Translation of host errno values into the platform's error codes.
#pragma once

#include <string>

#include <wce/WinTypes.h>

namespace wce {

// The platform's code for a host errno value.
DWORD ErrorFromErrno(int error);

// Sets the last error for a failed call on hostPath: like ErrorFromErrno, except that a missing
// entry is ERROR_PATH_NOT_FOUND when the folder that should hold it is missing too.
void SetLastErrorForPath(int error, const std::string& hostPath);

// Sets the last error from errno and returns FALSE, the common tail of a failed call.
BOOL FailWithErrno(int error);

}  // namespace wce
