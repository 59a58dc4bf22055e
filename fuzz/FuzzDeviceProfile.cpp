// Fuzz target: the device profile's key=value text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "DeviceProfileText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    wce::DeviceProfile profile;
    wce::ApplyProfileText(std::string_view(reinterpret_cast<const char*>(data), size), profile);
    return 0;
}
