// Fuzz target: host file names as a search meets them (decoding into one device component,
// matching, mapping back to the host bytes) and device paths as the file calls map them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <wce/DeviceProfile.h>

#include "FindPattern.h"
#include "HostName.h"

namespace {

// Host names that hold a private-use character of the mapped range themselves are the one case
// where the way back gives other bytes.
bool HoldsMappedPrivateUse(const std::u16string& decoded)
{
    for (char16_t c : decoded) {
        if (c >= 0xF000 && c <= 0xF0FF)
            return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first byte splits the input into a pattern (as UTF-16 units) and a host name (UTF-8).
    size_t split = size == 0 ? 0 : data[0] % size;
    std::u16string pattern;
    for (size_t i = 1; i + 1 < split; i += 2)
        pattern += char16_t(data[i] | data[i + 1] << 8);
    std::string host(reinterpret_cast<const char*>(data) + split, size - split);
    if (host.find('/') != std::string::npos || host.find('\0') != std::string::npos)
        return 0;   // not a host name
    std::u16string device = wce::HostNameToDevice(host);
    std::string back;
    for (char16_t c : device) {
        if (wce::IsRefusedNameChar(c))
            abort();   // a search would yield a name that is not one device component
    }
    if (!wce::AppendHostName(device, back) || (back != host && !HoldsMappedPrivateUse(wce::Utf8ToUtf16(host.data(), host.size()))))
        abort();
    wce::MatchFindPattern(pattern, device);
    std::string hostPath;
    pattern += u'\0';
    if (!wce::HostPathFromDevice(pattern.c_str(), hostPath))
        return 0;
    bool endsInDots = hostPath.size() >= 3 && hostPath.compare(hostPath.size() - 3, 3, "/..") == 0;
    if (endsInDots || hostPath.find("/../") != std::string::npos)
        abort();   // ".." never survives into a host path
    return 0;
}
