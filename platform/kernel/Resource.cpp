// FindResourceW and friends, and LoadStringW, over the images of the module registry. An HRSRC
// is the address of the resource's data entry in the mapped image, as on the platform; it is
// checked against the module's image and re-read before use.
#include <cstdint>

#include "ModuleInternal.h"
#include "ResourceReader.h"
#include "wce/WinBase.h"
#include "wce/WinModule.h"

namespace {

using wce::MappedImage;
using wce::ResourceEntry;
using wce::ResourceReader;
using wce::ResourceStatus;

constexpr unsigned STRINGS_PER_BLOCK = 16;

ResourceReader ReaderOf(const MappedImage& image)
{
    return ResourceReader(image.Reader(), image.ResourceRva());
}

DWORD ErrorOf(ResourceStatus status)
{
    switch (status) {
    case ResourceStatus::TypeNotFound: return ERROR_RESOURCE_TYPE_NOT_FOUND;
    case ResourceStatus::NameNotFound: return ERROR_RESOURCE_NAME_NOT_FOUND;
    case ResourceStatus::LanguageNotFound: return ERROR_RESOURCE_LANG_NOT_FOUND;
    default: return ERROR_RESOURCE_DATA_NOT_FOUND;
    }
}

// The entry an HRSRC stands for, if it lies inside this module's image.
bool EntryOf(HMODULE module, HRSRC resource, const MappedImage*& image, ResourceEntry& entry)
{
    image = wce::ModuleImageOf(module);
    uintptr_t address = reinterpret_cast<uintptr_t>(resource);
    uintptr_t base = image ? reinterpret_cast<uintptr_t>(image->Base()) : 0;
    if (!image || address < base || address - base >= image->Size()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (!ReaderOf(*image).ReadEntry(uint32_t(address - base), entry)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return false;
    }
    return true;
}

// String id lives in block id / 16 + 1 of RT_STRING, at index id % 16; an empty string counts
// as missing, as on the platform.
bool LocateString(const MappedImage& image, UINT id, uint32_t& offset, uint16_t& length)
{
    ResourceReader reader = ReaderOf(image);
    wce::ResourceKey type;
    type.id = 6;
    wce::ResourceKey block;
    block.id = uint16_t((id & 0xFFFF) / STRINGS_PER_BLOCK + 1);
    ResourceEntry entry;
    ResourceStatus status = reader.Find(type, block, wce::ANY_LANGUAGE, entry);
    if (status != ResourceStatus::Found) {
        SetLastError(ErrorOf(status));
        return false;
    }
    if (!reader.FindString(entry, id % STRINGS_PER_BLOCK, offset, length) || length == 0) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return false;
    }
    return true;
}

}  // namespace

HRSRC FindResourceExW(HMODULE hModule, LPCWSTR lpType, LPCWSTR lpName, WORD wLanguage)
{
    if (!lpType || !lpName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const MappedImage* image = wce::ModuleImageOf(hModule);
    if (!image) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    ResourceEntry entry;
    ResourceStatus status = ReaderOf(*image).Find(wce::ResourceKey::From(lpType), wce::ResourceKey::From(lpName),
                                                  wLanguage, entry);
    if (status != ResourceStatus::Found) {
        SetLastError(ErrorOf(status));
        return nullptr;
    }
    return reinterpret_cast<HRSRC>(const_cast<uint8_t*>(image->Base() + entry.entryOffset));
}

HRSRC FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType)
{
    return FindResourceExW(hModule, lpType, lpName, wce::ANY_LANGUAGE);
}

HGLOBAL LoadResource(HMODULE hModule, HRSRC hResInfo)
{
    const MappedImage* image = nullptr;
    ResourceEntry entry;
    if (!EntryOf(hModule, hResInfo, image, entry))
        return nullptr;
    return const_cast<uint8_t*>(image->Base() + entry.dataRva);
}

DWORD SizeofResource(HMODULE hModule, HRSRC hResInfo)
{
    const MappedImage* image = nullptr;
    ResourceEntry entry;
    return EntryOf(hModule, hResInfo, image, entry) ? entry.size : 0;
}

LPVOID LockResource(HGLOBAL hResData)
{
    return hResData;
}

// Resources live in the mapped image until the module is freed; there is nothing to release.
BOOL FreeResource(HGLOBAL hResData)
{
    return FALSE;
}

int LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax)
{
    if (!lpBuffer || cchBufferMax < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // A string that is not there leaves the buffer as the caller prepared it, as on the platform:
    // callers fill in a default first and rely on it surviving.
    const MappedImage* image = wce::ModuleImageOf(hInstance);
    uint32_t offset = 0;
    uint16_t length = 0;
    if (!image) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return 0;
    }
    if (!LocateString(*image, uID, offset, length))
        return 0;
    if (cchBufferMax == 0) {
        *reinterpret_cast<const WCHAR**>(lpBuffer) = reinterpret_cast<const WCHAR*>(image->Base() + offset);
        return length;
    }
    // Copied through the reader: a damaged file may leave the text at an odd address.
    int copied = length < cchBufferMax ? length : cchBufferMax - 1;
    ByteReader bytes = image->Reader();
    for (int i = 0; i < copied; ++i) {
        uint16_t unit = 0;
        bytes.ReadU16(offset + size_t(i) * 2, unit);
        lpBuffer[i] = WCHAR(unit);
    }
    lpBuffer[copied] = 0;
    return copied;
}
