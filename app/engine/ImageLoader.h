// ImageLoader: maps a PE32 or PE32+ image file into pages of its own, relocates it, binds the
// imports it is told to bind, gives each section the protection it asks for, runs its entry point
// and finds its exports. No page is ever writable and executable at once.
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
    // be had, the file is too damaged to say how large its image is, a section asks to be writable
    // and executable at once, or the entry point or an export lies outside the executable sections.
    int32_t Load(const char* path) noexcept;
    // Only before Protect: afterwards the import table may lie in read-only pages.
    int32_t BindImport(const char* module, const char* nameOrOrdinal, void* address) noexcept;
    // Gives every page the protection of its sections (headers and gaps read-only; execution only
    // for an image of this processor) and registers the image as engine code with the fault guard.
    // 1 on success; 0 when the protections cannot be applied, and then the image is never entered.
    int32_t Protect() noexcept;
    // Protects the image first when that has not been done.
    void CallEntry(uint32_t reason) noexcept;
    void* GetExport(const char* nameOrOrdinal) noexcept;
    void Unload() noexcept;

    // Whether the image is for this processor and was made executable; only then is it entered.
    bool IsRunnable() const { return runnable; }
    uint8_t* GetImage() const { return image; }
    uint32_t GetImageSize() const { return imageSize; }

    static constexpr uint32_t MAX_IMAGE_BYTES = 64u << 20;   // files and images beyond this are refused
    // The platform's own loader refuses more sections than this; so do we, which also bounds the
    // work of laying out protections.
    static constexpr uint32_t MAX_SECTIONS = 96;

private:
    struct Directory {
        uint32_t virtualAddress = 0;
        uint32_t size = 0;
    };

    bool MapSections(const ByteReader& file) noexcept;
    void CopySections(const ByteReader& file, uint32_t ntOffset) noexcept;
    void Relocate() noexcept;
    void ApplyRelocation(uint32_t type, uint64_t target, uint64_t delta) noexcept;
    bool IsForThisProcessor() const noexcept;
    bool PlanProtections() noexcept;
    bool AddSectionProtection(uint64_t header) noexcept;
    bool IsExecutable(uint32_t rva) const noexcept;
    bool ExportsAreCode() const noexcept;
    bool ApplyProtections() noexcept;
    uint32_t GetNtHeaders() const noexcept;
    bool Is64() const noexcept;
    Directory GetDataDirectory(uint32_t index) const noexcept;
    bool FindImportDescriptor(const char* module, uint32_t& descriptor) const noexcept;
    void* AddressOf(uint32_t rva) const noexcept;
    uint32_t FindExportByName(const char* name, uint32_t directory, uint32_t functionCount) const noexcept;

    ::TrackedAllocator* allocator;
    ::FileSystemService* fileSystem;
    uint8_t* image = nullptr;        // the mapped image's base: pages of our own (mmap)
    uint32_t imageSize = 0;
    size_t mappedBytes = 0;          // imageSize rounded up to whole pages
    uint8_t* pageAccess = nullptr;   // per page: what its sections ask for (ACCESS_* bits)
    uint32_t pageCount = 0;
    bool sealed = false;             // Protect ran: the image is no longer written to
    bool runnable = false;
    int codeSlot = -1;               // the fault guard's record of this image
    ImageView view;
};
