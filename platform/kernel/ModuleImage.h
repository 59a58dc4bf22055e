// A PE file laid out as data: headers and sections at their RVAs within SizeOfImage, nothing run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/ByteReader.h"

namespace wce {

// Large enough for any resource library we ship, small enough that a damaged SizeOfImage
// cannot make us allocate gigabytes.
constexpr uint32_t MAX_IMAGE_SIZE = 64u << 20;

class MappedImage {
public:
    MappedImage() = default;
    ~MappedImage();
    MappedImage(const MappedImage&) = delete;
    MappedImage& operator=(const MappedImage&) = delete;

    // Maps the file bytes; false (and the image left empty) for anything that is not a PE32 or
    // PE32+ image whose headers and sections lie inside the file and the image.
    bool Map(const uint8_t* file, size_t fileSize);

    ByteReader Reader() const { return ByteReader(bytes, size); }
    const uint8_t* Base() const { return bytes; }
    uint32_t Size() const { return size; }
    uint32_t ResourceRva() const { return resourceRva; }
    uint32_t ResourceSize() const { return resourceSize; }

private:
    uint8_t* bytes = nullptr;
    uint32_t size = 0;
    uint32_t resourceRva = 0;
    uint32_t resourceSize = 0;
};

}  // namespace wce
