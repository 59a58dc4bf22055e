// ImageLoader: maps a PE32 or PE32+ image file into memory of the host's tracking allocator,
// relocates it, binds the imports it is told to bind, runs its entry point and finds its exports.
#pragma once

#include <cstdint>

#include "EngineContract.h"
#include "ImageView.h"

class ByteReader;

// An import or export is named by text, or by an ordinal passed where the text would go (a value
// whose upper bits are zero), as the platform's own loader takes them.
inline const char* ImageOrdinal(uint16_t ordinal)
{
    return reinterpret_cast<const char*>(uintptr_t(ordinal));
}

class ImageLoader {
public:
    // Neither is owned. Both are reached through their engine tables only.
    ImageLoader(::TrackedAllocator* allocator, ::FileSystemService* fileSystem) noexcept;
    ~ImageLoader();
    ImageLoader(const ImageLoader&) = delete;
    ImageLoader& operator=(const ImageLoader&) = delete;

    // 1 when the image was read and mapped; 0 when the file could not be opened, memory could not
    // be had, or the file is too damaged to say how large its image is.
    int32_t Load(const char* path) noexcept;
    int32_t BindImport(const char* module, const char* nameOrOrdinal, void* address) noexcept;
    void CallEntry(uint32_t reason) noexcept;
    void* GetExport(const char* nameOrOrdinal) noexcept;
    void Unload() noexcept;

    // Whether the image is for this processor and was made executable; only then is it entered.
    bool IsRunnable() const { return runnable; }
    uint8_t* GetImage() const { return image; }
    uint32_t GetImageSize() const { return imageSize; }

    static constexpr uint32_t MAX_IMAGE_BYTES = 64u << 20;   // files and images beyond this are refused

private:
    struct Directory {
        uint32_t virtualAddress = 0;
        uint32_t size = 0;
    };

    bool MapSections(const ByteReader& file) noexcept;
    void CopySections(const ByteReader& file, uint32_t ntOffset) noexcept;
    void Relocate() noexcept;
    void ApplyRelocation(uint32_t type, uint64_t target, uint64_t delta) noexcept;
    void MakeExecutable() noexcept;
    uint32_t GetNtHeaders() const noexcept;
    bool Is64() const noexcept;
    Directory GetDataDirectory(uint32_t index) const noexcept;
    bool FindImportDescriptor(const char* module, uint32_t& descriptor) const noexcept;
    void* AddressOf(uint32_t rva) const noexcept;
    uint32_t FindExportByName(const char* name, uint32_t directory, uint32_t functionCount) const noexcept;

    ::TrackedAllocator* allocator;
    ::FileSystemService* fileSystem;
    uint8_t* image = nullptr;        // the mapped image's base (page-aligned inside block)
    uint32_t imageSize = 0;
    void* block = nullptr;           // the allocator's block that holds the image
    uint32_t protectedBytes = 0;     // bytes made executable, given back as plain data on Unload
    bool runnable = false;
    ImageView view;
};
