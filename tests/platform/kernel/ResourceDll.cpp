// Test helpers around the built resource library (see ResourceDll.h).
#include "ResourceDll.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "wce/DeviceProfile.h"

namespace resdll {

std::vector<uint8_t> Read(const std::string& machine)
{
#ifdef ORV_TEST_RESOURCE_DLLS
    std::ifstream in(std::string(ORV_TEST_RESOURCE_DLLS) + "/Test-" + machine + ".dll", std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
#else
    return {};
#endif
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

uint32_t U32(const std::vector<uint8_t>& bytes, size_t offset)
{
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 | uint32_t(bytes[offset + 3]) << 24;
}

void PutU16(std::vector<uint8_t>& bytes, size_t offset, uint16_t value)
{
    bytes[offset] = uint8_t(value);
    bytes[offset + 1] = uint8_t(value >> 8);
}

void PutU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value)
{
    PutU16(bytes, offset, uint16_t(value));
    PutU16(bytes, offset + 2, uint16_t(value >> 16));
}

namespace {

uint16_t U16(const std::vector<uint8_t>& bytes, size_t offset)
{
    return uint16_t(bytes[offset] | bytes[offset + 1] << 8);
}

// Records every data entry below a directory of the (undamaged) tree; path holds the ids walked.
void Walk(const std::vector<uint8_t>& bytes, Layout& layout, uint32_t directory, int depth, uint32_t type, uint32_t name)
{
    size_t at = layout.resourceFile + directory;
    size_t count = size_t(U16(bytes, at + 12)) + U16(bytes, at + 14);
    for (size_t i = 0; i < count; ++i) {
        uint32_t id = U32(bytes, at + 16 + i * 8);
        uint32_t target = U32(bytes, at + 20 + i * 8);
        if (target & 0x80000000u) {
            Walk(bytes, layout, target & 0x7FFFFFFFu, depth + 1, depth == 0 ? id : type, depth == 1 ? id : name);
            continue;
        }
        size_t entry = layout.resourceFile + target;
        layout.dataEntries.push_back(entry);
        if (type == 6 && name == 1 && id == 0x409)
            layout.englishStrings = U32(bytes, entry) - layout.resourceRva + layout.resourceFile;
    }
}

}  // namespace

Layout Parse(const std::vector<uint8_t>& bytes)
{
    Layout layout;
    size_t pe = U32(bytes, 0x3C);
    size_t optional = pe + 24;
    bool plus = U16(bytes, optional) == 0x20B;
    layout.sizeOfImageField = optional + 56;
    layout.resourceRva = U32(bytes, optional + (plus ? 112 : 96) + 16);
    size_t sections = optional + U16(bytes, pe + 20);
    for (size_t i = 0; i < U16(bytes, pe + 6); ++i) {
        size_t header = sections + i * 40;
        uint32_t rva = U32(bytes, header + 12);
        if (layout.resourceRva >= rva && layout.resourceRva < rva + U32(bytes, header + 16))
            layout.resourceFile = U32(bytes, header + 20) + (layout.resourceRva - rva);
    }
    Walk(bytes, layout, 0, 0, 0, 0);
    return layout;
}

DeviceRoot::DeviceRoot()
{
    char pattern[] = "/tmp/wce-resources-XXXXXX";
    host = mkdtemp(pattern) ? pattern : "";
    std::filesystem::create_directories(host + "/Windows");
    std::filesystem::create_directories(host + "/Program");
    const char* saved = std::getenv("WCE_DEVICE_ROOT");
    hadRoot = saved != nullptr;
    savedRoot = saved ? saved : "";
    setenv("WCE_DEVICE_ROOT", host.c_str(), 1);
    wce::ReloadDeviceProfile();
}

DeviceRoot::~DeviceRoot()
{
    if (hadRoot)
        setenv("WCE_DEVICE_ROOT", savedRoot.c_str(), 1);
    else
        unsetenv("WCE_DEVICE_ROOT");
    wce::ReloadDeviceProfile();
    std::error_code ignored;
    std::filesystem::remove_all(host, ignored);
}

}  // namespace resdll
