// The protections of this process's memory as the kernel reports them in /proc/self/maps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct MappedRange {
    uintptr_t begin;
    uintptr_t end;
    std::string protection;   // "r-x", "rw-", ...
};

std::vector<MappedRange> ReadProcessMaps();
// The protection of the page holding address; "" when it is not mapped.
std::string ProtectionAt(const void* address);
// Every mapping that is writable and executable at once.
std::vector<MappedRange> WritableAndExecutable();
