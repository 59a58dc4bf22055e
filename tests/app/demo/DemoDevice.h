// The demo device for the tests: installed by scripts/demo-device.sh into a temporary folder, with
// helpers that read its files and the replies of wce-auto.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <windows.h>

#include "DemoProcess.h"

namespace demotest {

namespace fs = std::filesystem;

inline const fs::path BUILD_DIR = ORV_BUILD_DIR;
inline const fs::path SCRIPT = fs::path(ORV_SOURCE_DIR) / "scripts" / "demo-device.sh";
constexpr int SCRIPT_TIMEOUT_MS = 60000;
constexpr int TOOL_TIMEOUT_MS = 10000;

inline std::string ReadHost(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteHost(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// One top-level window or control of a `wce-auto list` reply.
struct WindowLine {
    std::string handle;
    std::string className;
    int id = 0;
    std::string text;
    bool visible = false;
    bool active = false;
    bool child = false;
};

inline std::vector<WindowLine> ParseList(const std::string& reply)
{
    static const std::regex line(
        R"re((\s*)([0-9a-f]+) class=(\S+) id=(-?\d+) text="(.*)" enabled=\d visible=(\d) rect=\S+( active=1)?.*)re");
    std::vector<WindowLine> windows;
    std::istringstream in(reply);
    for (std::string text; std::getline(in, text);) {
        std::smatch m;
        if (std::regex_match(text, m, line))
            windows.push_back({ m[2], m[3], std::stoi(m[4]), m[5], m[6] == "1", m[7].matched, m[1].length() > 0 });
    }
    return windows;
}

class DemoDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/orv-demo-XXXXXX";
        folder = mkdtemp(pattern);
        device = folder / "device";
        program = device / "Program Files" / "OrvMobile";
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }

    ToolResult Install(std::vector<std::string> options = {})
    {
        std::vector<std::string> argv { "/bin/bash", SCRIPT.string(), "--build-dir", BUILD_DIR.string(),
                                        "--device", device.string(), "--no-start" };
        argv.insert(argv.end(), options.begin(), options.end());
        return RunTool(argv, {}, SCRIPT_TIMEOUT_MS);
    }
    // A string of the English library installed on the device; the English texts are ASCII.
    std::string EnglishString(UINT id) const
    {
        std::string host = (program / "OrvResEN.DLL").string();
        std::u16string path(host.begin(), host.end());
        HMODULE library = LoadLibraryW(path.c_str());
        WCHAR buffer[256] = {};
        LoadStringW(library, id, buffer, 256);
        FreeLibrary(library);
        return std::string(buffer, buffer + std::char_traits<char16_t>::length(buffer));
    }
    std::string Profile() const { return ReadHost(device / "device.profile"); }

    fs::path folder;
    fs::path device;
    fs::path program;
};

}  // namespace demotest
