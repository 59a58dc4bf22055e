// A temporary device root per test: WCE_DEVICE_ROOT points at a fresh host folder.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <wce/DeviceProfile.h>

class TestDevice {
public:
    TestDevice()
    {
        char pattern[] = "/tmp/orv-engine-XXXXXX";
        root = mkdtemp(pattern);
        setenv("WCE_DEVICE_ROOT", root.c_str(), 1);
        wce::ReloadDeviceProfile();
        std::filesystem::create_directories(root / "Temp");
    }
    ~TestDevice()
    {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    TestDevice(const TestDevice&) = delete;
    TestDevice& operator=(const TestDevice&) = delete;

    // Host path of a device path such as "a/b.txt" (relative to the device root).
    std::filesystem::path Host(const std::string& devicePath) const { return root / devicePath; }

    void Write(const std::string& devicePath, const std::string& content) const
    {
        std::filesystem::create_directories(Host(devicePath).parent_path());
        std::ofstream(Host(devicePath), std::ios::binary) << content;
    }
    std::string Read(const std::string& devicePath) const
    {
        std::ifstream in(Host(devicePath), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool Exists(const std::string& devicePath) const { return std::filesystem::exists(Host(devicePath)); }

    std::filesystem::path root;
};
