// MemoryFileSystem: a FileSystemService that serves one read-only file from memory, so the image
// loader can be driven without a disk (loader tests, the loader's fuzz target).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "EngineContract.h"

class MemoryFileSystem : public ::FileSystemService {
public:
    // data must outlive every file opened from it.
    MemoryFileSystem(const char* path, const uint8_t* data, size_t size);

    int opened = 0;      // files handed out
    int released = 0;    // files whose last reference went

private:
    friend struct MemoryFileAccess;
    std::string path;
    const uint8_t* data;
    size_t size;
};
