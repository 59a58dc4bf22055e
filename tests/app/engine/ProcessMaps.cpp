// ProcessMaps: reading /proc/self/maps.
#include "ProcessMaps.h"

#include <fstream>
#include <sstream>

std::vector<MappedRange> ReadProcessMaps()
{
    std::vector<MappedRange> ranges;
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        std::istringstream fields(line);
        std::string span, permissions;
        fields >> span >> permissions;
        size_t dash = span.find('-');
        if (dash == std::string::npos || permissions.size() < 3)
            continue;
        ranges.push_back({ std::stoull(span.substr(0, dash), nullptr, 16), std::stoull(span.substr(dash + 1), nullptr, 16),
                           permissions.substr(0, 3) });
    }
    return ranges;
}

std::string ProtectionAt(const void* address)
{
    uintptr_t at = reinterpret_cast<uintptr_t>(address);
    for (const MappedRange& range : ReadProcessMaps()) {
        if (at >= range.begin && at < range.end)
            return range.protection;
    }
    return "";
}

std::vector<MappedRange> WritableAndExecutable()
{
    std::vector<MappedRange> found;
    for (const MappedRange& range : ReadProcessMaps()) {
        if (range.protection[1] == 'w' && range.protection[2] == 'x')
            found.push_back(range);
    }
    return found;
}
