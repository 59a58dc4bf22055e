// A temporary device for the shell tests: the program folder (the device path of this test
// program) holds the resource libraries and the engine; the program module gets the pictures.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include <wce/DeviceProfile.h>
#include <wce/GdiInternal.h>
#include <windows.h>

#include "AppState.h"

class ShellDevice {
public:
    // Variables such as WCE_PLATFORM or WCE_CODEPAGE are set before the profile is read.
    explicit ShellDevice(std::vector<std::pair<std::string, std::string>> environment = {})
        : variables(std::move(environment))
    {
        char pattern[] = "/tmp/orv-shell-XXXXXX";
        root = mkdtemp(pattern);
        setenv("WCE_DEVICE_ROOT", root.c_str(), 1);
        for (const auto& [name, value] : variables)
            setenv(name.c_str(), value.c_str(), 1);
        wce::ReloadDeviceProfile();
        WceResetSurface();   // the screen takes this device's size, not the previous test's
        programFolder = root / std::filesystem::read_symlink("/proc/self/exe").parent_path().relative_path();
        std::filesystem::create_directories(programFolder / "Lib");
        g_app = AppState();
    }
    ~ShellDevice()
    {
        // A library stays loaded by name for the process; the next test must not find it.
        while (g_app.resourceModule && FreeLibrary(g_app.resourceModule)) {
        }
        g_app.resourceModule = nullptr;
        for (const auto& [name, value] : variables)
            unsetenv(name.c_str());
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
        unsetenv("WCE_DEVICE_ROOT");
        wce::ReloadDeviceProfile();
    }
    ShellDevice(const ShellDevice&) = delete;
    ShellDevice& operator=(const ShellDevice&) = delete;

    void InstallResources(const std::vector<std::string>& names = { "OrvResEN.DLL", "OrvResCN.DLL", "OrvResTW.DLL" })
    {
        for (const std::string& name : names)
            std::filesystem::copy_file(std::filesystem::path(ORV_RES_DIR) / name, programFolder / name);
    }
    void InstallEngine()
    {
        for (const auto& entry : std::filesystem::directory_iterator(ORV_ENGINE_LIB_DIR))
            std::filesystem::copy_file(entry.path(), programFolder / "Lib" / entry.path().filename());
    }
    static void AttachPictures()
    {
        std::string bytes = ReadHost(std::filesystem::path(ORV_RES_DIR) / "OrvMobilePictures.dll");
        WceSetModuleResourceImage(GetModuleHandleW(nullptr), bytes.data(), DWORD(bytes.size()));
    }
    static std::string ReadHost(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::filesystem::path root;
    std::filesystem::path programFolder;

private:
    std::vector<std::pair<std::string, std::string>> variables;
};
