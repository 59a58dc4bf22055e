// ImageLoader: reading the file, laying out the sections, relocating, entering the image.
#include "ImageLoader.h"

#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <windows.h>

#include "ByteReader.h"

namespace {

constexpr uint32_t DOS_LFANEW = 0x3C;
constexpr uint32_t NT_MACHINE = 0x04;
constexpr uint32_t NT_SECTION_COUNT = 0x06;
constexpr uint32_t NT_OPTIONAL_SIZE = 0x14;
constexpr uint32_t NT_OPTIONAL_HEADER = 0x18;
constexpr uint32_t NT_MAGIC = 0x18;
constexpr uint32_t NT_ENTRY_POINT = 0x28;
constexpr uint32_t NT_IMAGE_BASE_32 = 0x34;
constexpr uint32_t NT_IMAGE_BASE_64 = 0x30;
constexpr uint32_t NT_SIZE_OF_IMAGE = 0x50;
constexpr uint32_t SECTION_HEADER_SIZE = 40;
constexpr uint32_t SECTION_VIRTUAL_ADDRESS = 0x0C;
constexpr uint32_t SECTION_RAW_SIZE = 0x10;
constexpr uint32_t SECTION_RAW_POINTER = 0x14;
constexpr uint16_t MAGIC_PE32_PLUS = 0x20B;
constexpr uint32_t DIRECTORY_RELOCATIONS = 5;

constexpr uint32_t REL_HIGH = 1;
constexpr uint32_t REL_LOW = 2;
constexpr uint32_t REL_HIGHLOW = 3;
constexpr uint32_t REL_DIR64 = 10;

#if defined(__x86_64__)
constexpr uint16_t HOST_MACHINE = 0x8664;
#elif defined(__aarch64__)
constexpr uint16_t HOST_MACHINE = 0xAA64;
#else
constexpr uint16_t HOST_MACHINE = 0;   // no image is ever entered
#endif

uint32_t PageSize()
{
    long size = sysconf(_SC_PAGESIZE);
    return size > 0 ? uint32_t(size) : 4096u;
}

uint64_t RoundUp(uint64_t value, uint32_t unit)
{
    return (value + unit - 1) / unit * unit;
}

// The platform's VirtualProtect governs only its own VirtualAlloc regions, and the image lives in
// the tracked heap so that the allocator's clean-up covers it; the page protection of that part of
// the heap is therefore changed here, on whole pages that belong to the image's block alone.
bool SetExecutable(uint8_t* pages, uint32_t bytes, bool executable)
{
    int protection = PROT_READ | PROT_WRITE | (executable ? PROT_EXEC : 0);
    return mprotect(pages, bytes, protection) == 0;
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
    if (mapped) {
        Relocate();
        MakeExecutable();
    }
    file->table->Release(file);
    return mapped ? 1 : 0;
}

bool ImageLoader::MapSections(const ByteReader& file) noexcept
{
    uint32_t ntOffset = 0;
    uint32_t sizeOfImage = 0;
    // Without a size there is nothing to lay out; such a file is refused like an unreadable one.
    if (!file.ReadU32(DOS_LFANEW, ntOffset) || !file.ReadU32(uint64_t(ntOffset) + NT_SIZE_OF_IMAGE, sizeOfImage))
        return false;
    if (sizeOfImage == 0 || sizeOfImage > MAX_IMAGE_BYTES)
        return false;
    // The image starts on a page boundary inside a block one page larger, so that making it
    // executable changes the protection of our own pages only.
    uint32_t page = PageSize();
    uint64_t blockBytes = RoundUp(sizeOfImage, page) + page;
    block = allocator->table->Alloc(allocator, uint32_t(blockBytes));
    if (block == nullptr)
        return false;
    std::memset(block, 0, size_t(blockBytes));
    image = reinterpret_cast<uint8_t*>(RoundUp(reinterpret_cast<uintptr_t>(block), page));
    imageSize = sizeOfImage;
    view = ImageView(image, imageSize);

    uint16_t sectionCount = 0;
    uint16_t optionalSize = 0;
    file.ReadU16(uint64_t(ntOffset) + NT_SECTION_COUNT, sectionCount);
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

// Only an image for this processor is made executable; any other stays plain data and is never
// entered. The protection covers whole pages of our own block (see MapSections).
void ImageLoader::MakeExecutable() noexcept
{
    uint16_t machine = 0;
    view.ReadU16(uint64_t(GetNtHeaders()) + NT_MACHINE, machine);
    if (HOST_MACHINE == 0 || machine != HOST_MACHINE || !Is64())
        return;
    uint32_t bytes = uint32_t(RoundUp(imageSize, PageSize()));
    if (!SetExecutable(image, bytes, true))
        return;
    protectedBytes = bytes;
    __builtin___clear_cache(reinterpret_cast<char*>(image), reinterpret_cast<char*>(image) + bytes);
    runnable = true;
}

void* ImageLoader::AddressOf(uint32_t rva) const noexcept
{
    // An address outside the image would send the caller into foreign memory.
    return rva != 0 && rva < imageSize ? image + rva : nullptr;
}

void ImageLoader::CallEntry(uint32_t reason) noexcept
{
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
    if (image == nullptr)
        return;
    if (protectedBytes != 0)
        SetExecutable(image, protectedBytes, false);
    allocator->table->Free(allocator, block);
    block = nullptr;
    image = nullptr;
    imageSize = 0;
    protectedBytes = 0;
    runnable = false;
    view = ImageView();
}
