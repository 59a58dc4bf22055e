// Fuzz target: arbitrary bytes as the settings file; read a key, write one, and the rewrite must read back.
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "FuzzDeviceRoot.h"

#include "svc/IniFile.h"

namespace {

std::string HostBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string hostPath = FuzzDeviceRoot() + "/fuzz.ini";
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::ofstream(hostPath, std::ios::binary | std::ios::trunc).write(input.data(), std::streamsize(size));
    char16_t out[64];
    ReadIniString(u"Option", u"Flag", u"d", out, 64, u"\\fuzz.ini");
    ReadIniInt(u"Util", u"LogMax", 8, u"\\fuzz.ini");
    WriteIniString(u"Fuzz", u"Key", u"v1", u"\\fuzz.ini");
    // A file that was rewritten must hold what was written; one that could not be read whole is left as it was.
    ReadIniString(u"Fuzz", u"Key", nullptr, out, 64, u"\\fuzz.ini");
    if (HostBytes(hostPath) != input && std::u16string(out) != u"v1")
        __builtin_trap();
    return 0;
}
