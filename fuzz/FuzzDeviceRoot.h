// A device root of its own for one fuzzing process: made on first use, removed at exit.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

#include <wce/DeviceProfile.h>

// The folder name lives in static storage so that it is still there when the exit handler runs.
// Memory-backed storage is preferred: the library flushes every file it replaces, which on a disk
// would make each input cost milliseconds.
inline std::string FuzzDeviceRoot()
{
    static char shared[] = "/dev/shm/orv-fuzz-XXXXXX";
    static char fallback[] = "/tmp/orv-fuzz-XXXXXX";
    static char* root = shared;
    static bool made = [] {
        if (mkdtemp(shared) == nullptr) {
            root = fallback;
            if (mkdtemp(fallback) == nullptr)
                return false;
        }
        setenv("WCE_DEVICE_ROOT", root, 1);
        wce::ReloadDeviceProfile();
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(root, ignored);
        });
        return true;
    }();
    return made ? root : "";
}
