// Reading the device profile's key=value text; shared by the loader and its fuzz target.
#pragma once

#include <string_view>

#include <wce/DeviceProfile.h>

namespace wce {

// The profile file is at most this long; a longer file is read up to here.
constexpr size_t MAX_PROFILE_BYTES = 64 * 1024;

// Applies every "Key=Value" line of text to profile. Unknown keys, malformed lines and values out
// of range are skipped, so a damaged profile leaves the defaults in force.
void ApplyProfileText(std::string_view text, DeviceProfile& profile);

// Applies one key and value (also used for the WCE_* environment overrides); false when the key is
// unknown or the value is unusable.
bool ApplyProfileValue(std::string_view key, std::string_view value, DeviceProfile& profile);

}  // namespace wce
