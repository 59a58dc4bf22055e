// Fuzz target: host file names as a search meets them (UTF-8 decoding, matching, encoding back).
#include <cstddef>
#include <cstdint>
#include <string>

#include <wce/DeviceProfile.h>

#include "FindPattern.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first byte splits the input into a pattern (as UTF-16 units) and a host name (UTF-8).
    size_t split = size == 0 ? 0 : data[0] % size;
    std::u16string pattern;
    for (size_t i = 1; i + 1 < split; i += 2)
        pattern += char16_t(data[i] | data[i + 1] << 8);
    const char* name = reinterpret_cast<const char*>(data) + split;
    std::u16string wide = wce::Utf8ToUtf16(name, size - split);
    wce::MatchFindPattern(pattern, wide);
    wce::Utf16ToUtf8(wide.data(), wide.size());
    return 0;
}
