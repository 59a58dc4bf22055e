// Maps a PE file as data for resource look-up: validates the headers, then lays out the sections.
#include "ModuleImage.h"

#include <cstdlib>
#include <cstring>

namespace wce {
namespace {

constexpr uint16_t DOS_MAGIC = 0x5A4D;          // "MZ"
constexpr uint32_t PE_SIGNATURE = 0x00004550;   // "PE\0\0"
constexpr uint16_t PE32_MAGIC = 0x10B;
constexpr uint16_t PE32PLUS_MAGIC = 0x20B;
constexpr uint32_t RESOURCE_DIRECTORY = 2;
constexpr uint32_t SECTION_HEADER_SIZE = 40;
constexpr uint16_t MAX_SECTIONS = 96;           // the platform loader's own limit
constexpr size_t MAX_FILE_SIZE = 1u << 30;

struct Headers {
    uint32_t sectionTable = 0;
    uint16_t sectionCount = 0;
    uint32_t sizeOfImage = 0;
    uint32_t sizeOfHeaders = 0;
    uint32_t resourceRva = 0;
    uint32_t resourceSize = 0;
};

// The resource entry of the data directory; an image whose directory is too short for it simply
// has no resources.
bool ReadResourceDirectory(const ByteReader& file, uint32_t optional, uint16_t optionalSize, bool plus,
                           Headers& headers)
{
    uint32_t countOffset = optional + (plus ? 108 : 92);
    uint32_t directory = optional + (plus ? 112 : 96);
    uint32_t entryCount = 0;
    if (!file.ReadU32(countOffset, entryCount))
        return false;
    uint32_t entry = directory + RESOURCE_DIRECTORY * 8;
    if (entryCount <= RESOURCE_DIRECTORY || entry + 8 > optional + uint32_t(optionalSize))
        return true;
    return file.ReadU32(entry, headers.resourceRva) && file.ReadU32(entry + 4, headers.resourceSize);
}

bool ReadHeaders(const ByteReader& file, Headers& headers)
{
    uint16_t magic = 0;
    uint32_t peOffset = 0;
    uint32_t signature = 0;
    if (!file.ReadU16(0, magic) || magic != DOS_MAGIC || !file.ReadU32(0x3C, peOffset))
        return false;
    // e_lfanew is bounded by the file, so the sums below stay far from overflowing.
    if (!file.Contains(peOffset, 24) || !file.ReadU32(peOffset, signature) || signature != PE_SIGNATURE)
        return false;
    uint16_t optionalSize = 0;
    uint16_t optionalMagic = 0;
    uint32_t optional = peOffset + 24;
    if (!file.ReadU16(peOffset + 6, headers.sectionCount) || !file.ReadU16(peOffset + 20, optionalSize) ||
        !file.ReadU16(optional, optionalMagic))
        return false;
    if (optionalMagic != PE32_MAGIC && optionalMagic != PE32PLUS_MAGIC)
        return false;
    bool plus = optionalMagic == PE32PLUS_MAGIC;
    if (optionalSize < (plus ? 112u : 96u) || headers.sectionCount > MAX_SECTIONS)
        return false;
    if (!file.ReadU32(optional + 56, headers.sizeOfImage) || !file.ReadU32(optional + 60, headers.sizeOfHeaders))
        return false;
    headers.sectionTable = optional + optionalSize;
    if (!file.Contains(headers.sectionTable, size_t(headers.sectionCount) * SECTION_HEADER_SIZE))
        return false;
    if (headers.sizeOfImage == 0 || headers.sizeOfImage > MAX_IMAGE_SIZE)
        return false;
    return ReadResourceDirectory(file, optional, optionalSize, plus, headers);
}

// Copies each section's raw data to its RVA. A section whose raw data lies outside the file or
// whose RVA range lies outside the image fails the load, as the platform loader refuses such files.
bool MapSections(const ByteReader& file, const Headers& headers, uint8_t* image)
{
    for (uint16_t i = 0; i < headers.sectionCount; ++i) {
        uint32_t header = headers.sectionTable + i * SECTION_HEADER_SIZE;
        uint32_t virtualSize = 0, virtualAddress = 0, rawSize = 0, rawOffset = 0;
        file.ReadU32(header + 8, virtualSize);
        file.ReadU32(header + 12, virtualAddress);
        file.ReadU32(header + 16, rawSize);
        file.ReadU32(header + 20, rawOffset);
        uint32_t length = virtualSize != 0 && virtualSize < rawSize ? virtualSize : rawSize;
        if (length == 0)
            continue;
        const uint8_t* source = file.Pointer(rawOffset, length);
        if (!source || virtualAddress > headers.sizeOfImage || headers.sizeOfImage - virtualAddress < length)
            return false;
        std::memcpy(image + virtualAddress, source, length);
    }
    return true;
}

}  // namespace

MappedImage::~MappedImage()
{
    std::free(bytes);
}

bool MappedImage::Map(const uint8_t* file, size_t fileSize)
{
    // Offsets are 32-bit sums below; a file this large is no resource library anyway.
    if (fileSize > MAX_FILE_SIZE)
        return false;
    ByteReader reader(file, fileSize);
    Headers headers;
    if (!ReadHeaders(reader, headers))
        return false;
    uint8_t* image = static_cast<uint8_t*>(std::calloc(headers.sizeOfImage, 1));
    if (!image)
        return false;
    size_t headerBytes = headers.sizeOfHeaders;
    headerBytes = headerBytes < fileSize ? headerBytes : fileSize;
    headerBytes = headerBytes < headers.sizeOfImage ? headerBytes : headers.sizeOfImage;
    std::memcpy(image, file, headerBytes);
    if (!MapSections(reader, headers, image)) {
        std::free(image);
        return false;
    }
    std::free(bytes);
    bytes = image;
    size = headers.sizeOfImage;
    resourceRva = headers.resourceRva;
    resourceSize = headers.resourceSize;
    return true;
}

}  // namespace wce
