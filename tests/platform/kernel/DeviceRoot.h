// Test support: a temporary device root per test, and small file helpers on the host side.
#pragma once

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include <ftw.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <windows.h>
#include <wce/DeviceProfile.h>

// Makes a fresh host folder the device's "\" for the duration of a test.
class DeviceRootTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/wce-kernel-test-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        root = pattern;
        setenv("WCE_DEVICE_ROOT", root.c_str(), 1);
        wce::ReloadDeviceProfile();
    }
    void TearDown() override
    {
        unsetenv("WCE_DEVICE_ROOT");
        wce::ReloadDeviceProfile();
        nftw(root.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    }

    std::string Host(const std::string& relative) const { return root + "/" + relative; }

    void WriteHost(const std::string& relative, const std::string& bytes) const
    {
        std::ofstream(Host(relative), std::ios::binary) << bytes;
    }
    std::string ReadHost(const std::string& relative) const
    {
        std::ifstream in(Host(relative), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool HostExists(const std::string& relative) const { return access(Host(relative).c_str(), F_OK) == 0; }

    std::string root;

private:
    static int RemoveEntry(const char* path, const struct stat*, int, struct FTW*)
    {
        remove(path);
        return 0;
    }
};
