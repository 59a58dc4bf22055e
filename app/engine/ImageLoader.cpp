// ImageLoader: reading the file, laying out the sections, relocating, entering the image.
#include "ImageLoader.h"

#include <cstring>
#include <sys/mman.h>
#include <windows.h>

#include "ByteReader.h"
#include "GuardedCall.h"
#include "ImageLayout.h"

namespace {

constexpr uint32_t NT_IMAGE_BASE_32 = 0x34;
constexpr uint32_t NT_IMAGE_BASE_64 = 0x30;
constexpr uint32_t DIRECTORY_RELOCATIONS = 5;

constexpr uint32_t REL_HIGH = 1;
constexpr uint32_t REL_LOW = 2;
constexpr uint32_t REL_HIGHLOW = 3;
constexpr uint32_t REL_DIR64 = 10;


uint64_t RoundUp(uint64_t value, uint32_t unit)
{
    return (value + unit - 1) / unit * unit;
}

}  // namespace

ImageLoader::ImageLoader(::TrackedAllocator* allocator, ::FileSystemService* fileSystem) noexcept
    : allocator(allocator), fileSystem(fileSystem)
{
}

ImageLoader::~ImageLoader()
{
    Unload();
}

int32_t ImageLoader::Load(const char* path) noexcept
{
    if (image != nullptr)
        return 0;   // a loaded image is never loaded over
    ::HostFile* file = fileSystem->table->OpenFile(fileSystem, path, 1);
    if (file == nullptr)
        return 0;
    int64_t fileSize = file->table->GetSize(file);
    void* raw = nullptr;
    if (fileSize >= 0 && uint64_t(fileSize) <= MAX_IMAGE_BYTES)
        raw = allocator->table->Alloc(allocator, uint32_t(fileSize) + 1);
    if (raw == nullptr) {
        file->table->Release(file);
        return 0;
    }
    // A short read leaves zeros behind: the image is taken as the bytes that could be had.
    std::memset(raw, 0, size_t(fileSize) + 1);
    file->table->Seek(file, 0, 0, 0);
    file->table->Read(file, raw, uint32_t(fileSize));
    bool mapped = MapSections(ByteReader(raw, size_t(fileSize)));
    allocator->table->Free(allocator, raw);
    file->table->Release(file);
    if (mapped) {
        Relocate();
        mapped = PlanProtections();
    }
    if (!mapped)
        Unload();
    return mapped ? 1 : 0;
}

bool ImageLoader::MapSections(const ByteReader& file) noexcept
{
    uint32_t ntOffset = 0;
    uint32_t sizeOfImage = 0;
    // Without a size there is nothing to lay out; such a file is refused like an unreadable one.
    if (!file.ReadU32(DOS_LFANEW, ntOffset) || !file.ReadU32(uint64_t(ntOffset) + NT_SIZE_OF_IMAGE, sizeOfImage))
        return false;
    uint16_t sectionCount = 0;
    file.ReadU16(uint64_t(ntOffset) + NT_SECTION_COUNT, sectionCount);
    if (sizeOfImage == 0 || sizeOfImage > MAX_IMAGE_BYTES || sectionCount > MAX_SECTIONS)
        return false;
    // Pages of its own, so that each can be given its section's protection; anonymous pages
    // start out zero.
    mappedBytes = size_t(RoundUp(sizeOfImage, ImagePageSize()));
    void* pages = mmap(nullptr, mappedBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) {
        mappedBytes = 0;
        return false;
    }
    image = static_cast<uint8_t*>(pages);
    imageSize = sizeOfImage;
    view = ImageView(image, imageSize);

    uint16_t optionalSize = 0;
    file.ReadU16(uint64_t(ntOffset) + NT_OPTIONAL_SIZE, optionalSize);
    uint64_t headerBytes = uint64_t(ntOffset) + NT_OPTIONAL_HEADER + optionalSize
                           + uint64_t(SECTION_HEADER_SIZE) * sectionCount;
    // Headers longer than the file or the image are copied as far as both reach.
    if (headerBytes > file.Size())
        headerBytes = file.Size();
    if (headerBytes > imageSize)
        headerBytes = imageSize;
    view.WriteBytes(0, file.Data(), headerBytes);
    CopySections(file, ntOffset);
    return true;
}

// A section whose raw bytes lie outside the file, or whose copy would run past the image, is left
// out whole: the image then lacks it, and nothing is read or written out of bounds.
void ImageLoader::CopySections(const ByteReader& file, uint32_t ntOffset) noexcept
{
    uint16_t sectionCount = 0;
    uint16_t optionalSize = 0;
    file.ReadU16(uint64_t(ntOffset) + NT_SECTION_COUNT, sectionCount);
    file.ReadU16(uint64_t(ntOffset) + NT_OPTIONAL_SIZE, optionalSize);
    uint64_t header = uint64_t(ntOffset) + NT_OPTIONAL_HEADER + optionalSize;
    for (uint32_t i = 0; i < sectionCount; ++i, header += SECTION_HEADER_SIZE) {
        uint32_t virtualAddress = 0, rawSize = 0, rawPointer = 0;
        if (!file.ReadU32(header + SECTION_VIRTUAL_ADDRESS, virtualAddress) || !file.ReadU32(header + SECTION_RAW_SIZE, rawSize)
            || !file.ReadU32(header + SECTION_RAW_POINTER, rawPointer))
            return;   // the section table runs off the end of the file
        if (rawSize == 0)
            continue;
        const uint8_t* bytes = file.Pointer(rawPointer, rawSize);
        if (bytes != nullptr)
            view.WriteBytes(virtualAddress, bytes, rawSize);
    }
}

uint32_t ImageLoader::GetNtHeaders() const noexcept
{
    uint32_t ntOffset = 0;
    view.ReadU32(DOS_LFANEW, ntOffset);
    return ntOffset;
}

bool ImageLoader::Is64() const noexcept
{
    uint16_t magic = 0;
    view.ReadU16(uint64_t(GetNtHeaders()) + NT_MAGIC, magic);
    return magic == MAGIC_PE32_PLUS;
}

// The directory as the mapped headers hold it; an entry outside the image reads as empty.
ImageLoader::Directory ImageLoader::GetDataDirectory(uint32_t index) const noexcept
{
    Directory directory;
    uint64_t entry = uint64_t(GetNtHeaders()) + (Is64() ? 0x88 : 0x78) + 8ull * index;
    if (!view.ReadU32(entry, directory.virtualAddress) || !view.ReadU32(entry + 4, directory.size))
        return Directory();
    return directory;
}

void ImageLoader::Relocate() noexcept
{
    Directory relocations = GetDataDirectory(DIRECTORY_RELOCATIONS);
    if (relocations.virtualAddress == 0)
        return;
    uint64_t preferred = 0;
    uint32_t nt = GetNtHeaders();
    if (Is64()) {
        view.ReadU64(uint64_t(nt) + NT_IMAGE_BASE_64, preferred);
    } else {
        uint32_t base32 = 0;
        view.ReadU32(uint64_t(nt) + NT_IMAGE_BASE_32, base32);
        preferred = base32;
    }
    uint64_t delta = reinterpret_cast<uintptr_t>(image) - preferred;
    uint64_t position = relocations.virtualAddress;
    uint64_t end = position + relocations.size;
    if (end > imageSize)
        end = imageSize;
    while (position < end && end - position >= 8) {
        uint32_t page = 0, blockSize = 0;
        view.ReadU32(position, page);
        view.ReadU32(position + 4, blockSize);
        if (blockSize == 0)
            break;
        if (page <= imageSize) {
            uint64_t blockEnd = position + blockSize < end ? position + blockSize : end;
            for (uint64_t entry = position + 8; entry + 2 <= blockEnd; entry += 2) {
                uint16_t value = 0;
                view.ReadU16(entry, value);
                ApplyRelocation(value >> 12, uint64_t(page) + (value & 0xFFF), delta);
            }
        }
        position += blockSize;
    }
}

// Every target is read and written through the view: one that reaches past the image is skipped.
void ImageLoader::ApplyRelocation(uint32_t type, uint64_t target, uint64_t delta) noexcept
{
    uint32_t delta32 = uint32_t(delta);
    if (type == REL_HIGH) {
        uint16_t value = 0;
        if (view.ReadU16(target, value))
            view.WriteU16(target, uint16_t(value + (delta32 >> 16)));
    } else if (type == REL_LOW) {
        uint16_t value = 0;
        if (view.ReadU16(target, value))
            view.WriteU16(target, uint16_t(value + delta32));
    } else if (type == REL_HIGHLOW) {
        uint32_t value = 0;
        if (view.ReadU32(target, value))
            view.WriteU32(target, value + delta32);
    } else if (type == REL_DIR64 && Is64()) {
        uint64_t value = 0;
        if (view.ReadU64(target, value))
            view.WriteU64(target, value + delta);
    }
    // Padding (0), HIGHADJ (4) and every other type are passed over.
}

void* ImageLoader::AddressOf(uint32_t rva) const noexcept
{
    // An address outside the image would send the caller into foreign memory.
    return rva != 0 && rva < imageSize ? image + rva : nullptr;
}

void ImageLoader::CallEntry(uint32_t reason) noexcept
{
    if (image != nullptr && !sealed)
        Protect();
    if (image == nullptr || !runnable)
        return;
    uint32_t entryRva = 0;
    view.ReadU32(uint64_t(GetNtHeaders()) + NT_ENTRY_POINT, entryRva);
    // An image without an entry point (RVA 0) has nothing to run at attach.
    void* entry = AddressOf(entryRva);
    if (entry == nullptr)
        return;
    reinterpret_cast<EngineEntryFn>(entry)(image, reason, nullptr);
}

void ImageLoader::Unload() noexcept
{
    UnregisterEngineCode(codeSlot);
    codeSlot = -1;
    if (image != nullptr)
        munmap(image, mappedBytes);
    delete[] pageAccess;
    pageAccess = nullptr;
    pageCount = 0;
    image = nullptr;
    imageSize = 0;
    mappedBytes = 0;
    sealed = false;
    runnable = false;
    view = ImageView();
}
