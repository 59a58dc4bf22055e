// The device profile: which host folder is the device's root and what kind of device it is.
// Read by the platform only (from <root>/device.profile and WCE_* environment overrides); the
// program never reads it, it sees only the API results that depend on it.
#pragma once

#include <string>

#include "WinTypes.h"

namespace wce {

struct DeviceProfile {
    std::string rootFolder;          // host folder that is the device's "\"; "/" by default
    std::u16string platformType;     // SystemParametersInfoW(SPI_GETPLATFORMTYPE): "PocketPC", "SmartPhone", ...
    DWORD platformId = 3;            // OSVERSIONINFO dwPlatformId: 3 on a CE device
    DWORD majorVersion = 4;
    DWORD minorVersion = 20;
    int screenWidth = 240;
    int screenHeight = 320;
    UINT codePage = 1252;            // the system default ANSI code page
};

// The profile in force; loaded on first use.
const DeviceProfile& GetDeviceProfile();

// Reloads the profile (tests change WCE_* variables or the profile file, then call this).
void ReloadDeviceProfile();

// Device path ("\a\b", "/a/b", both separators accepted) to host path under the root.
// Returns false for an empty or unusable path.
bool HostPathFromDevice(const WCHAR* devicePath, std::string& hostPath);

// The host path of the existing entry a device path names, its components matched without regard
// to case as every file call matches them; false when there is none.
bool ExistingHostPath(const WCHAR* devicePath, std::string& hostPath);

// Host path to device path ("\..."); false when the host path lies outside the device root.
bool DevicePathFromHost(const std::string& hostPath, std::u16string& devicePath);

// Folder of the device's live objects (named objects, the window registry, automation sockets):
// /tmp/wce-<uid>-<hash of the root>, or WCE_RUNTIME_DIR when set, so that test processes running
// side by side on one root do not see each other's windows. Created on first use; empty when it
// cannot be made.
std::string DeviceRuntimeFolder();

// UTF-16 <-> UTF-8 for host file names; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const WCHAR* text, size_t length);
std::u16string Utf8ToUtf16(const char* text, size_t length);

}  // namespace wce
