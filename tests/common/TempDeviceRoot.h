// A fresh host folder as the device root for one test, with helpers to look at files on the host.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include <algorithm>

#include <wce/DeviceProfile.h>

class TempDeviceRoot {
public:
    TempDeviceRoot()
    {
        char pattern[] = "/tmp/orv-device-XXXXXX";
        root = mkdtemp(pattern);
        setenv("WCE_DEVICE_ROOT", root.c_str(), 1);
        setenv("WCE_CODEPAGE", "1252", 1);
        wce::ReloadDeviceProfile();
    }

    ~TempDeviceRoot()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }

    TempDeviceRoot(const TempDeviceRoot&) = delete;
    TempDeviceRoot& operator=(const TempDeviceRoot&) = delete;

    // Host path of a device path such as "\Storage\a.txt".
    std::string Host(const std::string& devicePath) const
    {
        std::string host = root;
        for (char c : devicePath)
            host += c == '\\' ? '/' : c;
        return host;
    }

    bool Exists(const std::string& devicePath) const
    {
        return std::filesystem::exists(Host(devicePath));
    }

    bool IsFolder(const std::string& devicePath) const
    {
        return std::filesystem::is_directory(Host(devicePath));
    }

    void MakeFolder(const std::string& devicePath) const
    {
        std::filesystem::create_directories(Host(devicePath));
    }

    void Write(const std::string& devicePath, const std::string& bytes) const
    {
        std::ofstream out(Host(devicePath), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), std::streamsize(bytes.size()));
    }

    std::string Read(const std::string& devicePath) const
    {
        std::ifstream in(Host(devicePath), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Names in a device folder, sorted, for "nothing else was left behind" checks.
    std::string List(const std::string& devicePath) const
    {
        std::string names;
        std::error_code error;
        std::vector<std::string> sorted;
        for (const auto& entry : std::filesystem::directory_iterator(Host(devicePath), error))
            sorted.push_back(entry.path().filename().string());
        std::sort(sorted.begin(), sorted.end());
        for (const auto& name : sorted)
            names += (names.empty() ? "" : " ") + name;
        return names;
    }

private:
    std::string root;
};

// "\a\b" as a UTF-16 device path.
inline std::u16string Wide(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}
