// Host file status as the platform reports it.
#pragma once

#include <sys/stat.h>

#include <wce/WinTypes.h>

namespace wce {

DWORD AttributesFromStat(const struct stat& info);

}  // namespace wce
