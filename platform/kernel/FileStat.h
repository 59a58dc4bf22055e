// Host file status as the platform reports it.
#pragma once

#include <string>

#include <sys/stat.h>

#include <wce/WinTypes.h>

namespace wce {

DWORD AttributesFromStat(const struct stat& info);

// True for an existing regular file without the owner's write permission: the READONLY attribute.
// The platform refuses to write, replace or delete such a file whoever asks, so we check it rather
// than leave it to the host, which lets a privileged user do all three.
bool IsReadOnlyFile(const std::string& hostPath);

}  // namespace wce
