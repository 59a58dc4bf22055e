// The test resource library: its built bytes, a temporary device root that holds it, and a
// minimal walk of its PE layout so tests can damage one field at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace resdll {

// Bytes of the built library for "x64" (PE32+) or "x86" (PE32); empty when it was not built.
std::vector<uint8_t> Read(const std::string& machine);
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

uint32_t U32(const std::vector<uint8_t>& bytes, size_t offset);
void PutU16(std::vector<uint8_t>& bytes, size_t offset, uint16_t value);
void PutU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value);

struct Layout {
    size_t sizeOfImageField = 0;     // file offset of SizeOfImage
    size_t resourceFile = 0;         // file offset of the resource directory
    uint32_t resourceRva = 0;
    std::vector<size_t> dataEntries; // file offsets of every data entry of the tree
    size_t englishStrings = 0;       // file offset of the data of string block 1, English
};
Layout Parse(const std::vector<uint8_t>& bytes);

// A temporary folder made the device root for the test's lifetime; the previous root returns after.
class DeviceRoot {
public:
    DeviceRoot();
    ~DeviceRoot();
    const std::string& Host() const { return host; }

private:
    std::string host;
    std::string savedRoot;
    bool hadRoot = false;
};

}  // namespace resdll
