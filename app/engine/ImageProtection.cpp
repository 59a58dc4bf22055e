// ImageLoader: the protection each page of the image gets, the checks that keep writable and
// executable memory apart, and the sealing of the image before it is entered.
#include "ImageLoader.h"

#include <new>
#include <sys/mman.h>

#include "GuardedCall.h"
#include "ImageLayout.h"

namespace {

constexpr uint8_t ACCESS_WRITE = 1;
constexpr uint8_t ACCESS_EXECUTE = 2;
constexpr uint32_t DIRECTORY_EXPORTS = 0;
constexpr uint32_t EXPORT_FUNCTION_COUNT = 0x14;
constexpr uint32_t EXPORT_FUNCTIONS = 0x1C;
// Ordinals and name ordinals are 16-bit: no export beyond this many functions can be reached.
constexpr uint32_t MAX_EXPORTS = 0x10000;

// Every page stays readable: the host reads names and tables anywhere in the image, and a page
// the image asked to hide would turn such a read into a fault of ours.
int ProtectionOf(uint8_t access)
{
    return PROT_READ | ((access & ACCESS_WRITE) ? PROT_WRITE : 0) | ((access & ACCESS_EXECUTE) ? PROT_EXEC : 0);
}

}  // namespace

bool ImageLoader::IsForThisProcessor() const noexcept
{
    uint16_t machine = 0;
    view.ReadU16(uint64_t(GetNtHeaders()) + NT_MACHINE, machine);
    return HOST_MACHINE != 0 && machine == HOST_MACHINE && Is64();
}

// Records what each page's sections ask for, from the mapped section table, and refuses an image
// that asks for writable code or keeps its entry point or an export outside its code.
bool ImageLoader::PlanProtections() noexcept
{
    pageCount = uint32_t(mappedBytes / ImagePageSize());
    pageAccess = new (std::nothrow) uint8_t[pageCount]();
    if (pageAccess == nullptr)
        return false;
    uint32_t nt = GetNtHeaders();
    uint16_t sectionCount = 0, optionalSize = 0;
    view.ReadU16(uint64_t(nt) + NT_SECTION_COUNT, sectionCount);
    view.ReadU16(uint64_t(nt) + NT_OPTIONAL_SIZE, optionalSize);
    uint64_t header = uint64_t(nt) + NT_OPTIONAL_HEADER + optionalSize;
    for (uint32_t i = 0; i < sectionCount; ++i, header += SECTION_HEADER_SIZE) {
        if (!AddSectionProtection(header))
            return false;
    }
    // Two sections that share a page, one writing and one running, cannot be honoured without a
    // page both writable and executable; an image that would be entered is refused for it.
    for (uint32_t p = 0; IsForThisProcessor() && p < pageCount; ++p) {
        if ((pageAccess[p] & ACCESS_WRITE) && (pageAccess[p] & ACCESS_EXECUTE))
            return false;
    }
    uint32_t entry = 0;
    view.ReadU32(uint64_t(nt) + NT_ENTRY_POINT, entry);
    // An image without an entry point (RVA 0) has nothing to run at attach.
    if (entry != 0 && !IsExecutable(entry))
        return false;
    return ExportsAreCode();
}

// A section extends over its virtual size, or its raw size when that is larger or the virtual
// size is missing, clipped to the image. A header that lies outside the copied headers adds
// nothing: the section was not copied either.
bool ImageLoader::AddSectionProtection(uint64_t header) noexcept
{
    uint32_t virtualSize = 0, virtualAddress = 0, rawSize = 0, characteristics = 0;
    if (!view.ReadU32(header + SECTION_VIRTUAL_SIZE, virtualSize) || !view.ReadU32(header + SECTION_VIRTUAL_ADDRESS, virtualAddress)
        || !view.ReadU32(header + SECTION_RAW_SIZE, rawSize) || !view.ReadU32(header + SECTION_CHARACTERISTICS, characteristics))
        return true;
    bool writes = (characteristics & SCN_MEM_WRITE) != 0;
    bool executes = (characteristics & SCN_MEM_EXECUTE) != 0;
    if (writes && executes)
        return false;   // code that may rewrite itself is not hosted
    uint64_t extent = rawSize > virtualSize ? rawSize : virtualSize;
    if (extent == 0 || virtualAddress >= imageSize)
        return true;
    uint64_t end = uint64_t(virtualAddress) + extent;
    if (end > imageSize)
        end = imageSize;
    uint8_t access = uint8_t((writes ? ACCESS_WRITE : 0) | (executes ? ACCESS_EXECUTE : 0));
    uint32_t page = ImagePageSize();
    for (uint64_t p = virtualAddress / page; p * page < end && p < pageCount; ++p)
        pageAccess[p] |= access;
    return true;
}

bool ImageLoader::IsExecutable(uint32_t rva) const noexcept
{
    uint32_t page = rva / ImagePageSize();
    return rva < imageSize && page < pageCount && (pageAccess[page] & ACCESS_EXECUTE) != 0;
}

// Every function the export table names must be code; an empty slot (RVA 0) names nothing. A
// table that cannot be read has nothing to hand out, so there is nothing to check.
bool ImageLoader::ExportsAreCode() const noexcept
{
    Directory exports = GetDataDirectory(DIRECTORY_EXPORTS);
    uint32_t functionCount = 0, functions = 0;
    if (exports.virtualAddress == 0 || !view.ReadU32(uint64_t(exports.virtualAddress) + EXPORT_FUNCTION_COUNT, functionCount)
        || !view.ReadU32(uint64_t(exports.virtualAddress) + EXPORT_FUNCTIONS, functions))
        return true;
    for (uint64_t i = 0; i < functionCount && i < MAX_EXPORTS; ++i) {
        uint32_t rva = 0;
        if (!view.ReadU32(functions + 4 * i, rva))
            break;
        if (rva != 0 && !IsExecutable(rva))
            return false;
    }
    return true;
}

int32_t ImageLoader::Protect() noexcept
{
    if (image == nullptr || pageAccess == nullptr)
        return 0;
    if (sealed)
        return runnable ? 1 : 0;
    sealed = true;
    if (!ApplyProtections())
        return 0;
    runnable = IsForThisProcessor();
    if (runnable) {
        __builtin___clear_cache(reinterpret_cast<char*>(image), reinterpret_cast<char*>(image) + mappedBytes);
        codeSlot = RegisterEngineCode(image, mappedBytes);
    }
    return 1;
}

// Runs of pages with the same protection are changed together. An image for another processor
// gets no executable page at all. A page both writable and executable never comes about: such
// pages were refused when the image was loaded, and the check stays here as the last word.
bool ImageLoader::ApplyProtections() noexcept
{
    uint8_t keep = IsForThisProcessor() ? uint8_t(ACCESS_WRITE | ACCESS_EXECUTE) : ACCESS_WRITE;
    uint32_t page = ImagePageSize();
    for (uint32_t first = 0; first < pageCount;) {
        uint8_t access = pageAccess[first] & keep;
        if ((access & ACCESS_WRITE) && (access & ACCESS_EXECUTE))
            return false;
        uint32_t last = first + 1;
        while (last < pageCount && (pageAccess[last] & keep) == access)
            ++last;
        if (mprotect(image + size_t(first) * page, size_t(last - first) * page, ProtectionOf(access)) != 0)
            return false;
        first = last;
    }
    return true;
}
