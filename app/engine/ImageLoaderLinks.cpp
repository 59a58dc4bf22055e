// ImageLoader: binding imports of one module and looking exports up by ordinal or name.
#include "ImageLoader.h"

namespace {

constexpr uint32_t DIRECTORY_EXPORTS = 0;
constexpr uint32_t DIRECTORY_IMPORTS = 1;
constexpr uint32_t DESCRIPTOR_SIZE = 20;
constexpr uint32_t DESCRIPTOR_LOOKUP_TABLE = 0x00;
constexpr uint32_t DESCRIPTOR_NAME = 0x0C;
constexpr uint32_t DESCRIPTOR_ADDRESS_TABLE = 0x10;
constexpr uint32_t EXPORT_BASE = 0x10;
constexpr uint32_t EXPORT_FUNCTION_COUNT = 0x14;
constexpr uint32_t EXPORT_NAME_COUNT = 0x18;
constexpr uint32_t EXPORT_FUNCTIONS = 0x1C;
constexpr uint32_t EXPORT_NAMES = 0x20;
constexpr uint32_t EXPORT_NAME_ORDINALS = 0x24;
constexpr uint64_t ORDINAL_FLAG_32 = 0x80000000ull;
constexpr uint64_t ORDINAL_FLAG_64 = 0x8000000000000000ull;
constexpr uint32_t NO_INDEX = 0xFFFFFFFFu;

bool IsOrdinal(const char* nameOrOrdinal)
{
    return (reinterpret_cast<uintptr_t>(nameOrOrdinal) >> 16) == 0;
}

uint16_t OrdinalOf(const char* nameOrOrdinal)
{
    return uint16_t(reinterpret_cast<uintptr_t>(nameOrOrdinal));
}

}  // namespace

// The walk stops at the first descriptor without a lookup table; our engine images come from
// lld-link, which always writes one.
bool ImageLoader::FindImportDescriptor(const char* module, uint32_t& descriptor) const noexcept
{
    Directory imports = GetDataDirectory(DIRECTORY_IMPORTS);
    if (imports.virtualAddress == 0 || module == nullptr)
        return false;
    for (uint64_t position = imports.virtualAddress;; position += DESCRIPTOR_SIZE) {
        uint32_t lookupTable = 0, name = 0;
        if (!view.ReadU32(position + DESCRIPTOR_LOOKUP_TABLE, lookupTable) || lookupTable == 0)
            return false;
        if (view.ReadU32(position + DESCRIPTOR_NAME, name) && view.TextEquals(name, module, true)) {
            descriptor = uint32_t(position);
            return true;
        }
    }
}

int32_t ImageLoader::BindImport(const char* module, const char* nameOrOrdinal, void* address) noexcept
{
    uint32_t descriptor = 0;
    // Once sealed the import address table may be read-only: binding is a step of loading.
    if (image == nullptr || sealed || nameOrOrdinal == nullptr || !FindImportDescriptor(module, descriptor))
        return 0;
    uint32_t lookupTable = 0, addressTable = 0;
    view.ReadU32(uint64_t(descriptor) + DESCRIPTOR_LOOKUP_TABLE, lookupTable);
    view.ReadU32(uint64_t(descriptor) + DESCRIPTOR_ADDRESS_TABLE, addressTable);
    bool wide = Is64();
    uint32_t thunkSize = wide ? 8 : 4;
    uint64_t ordinalFlag = wide ? ORDINAL_FLAG_64 : ORDINAL_FLAG_32;
    bool byOrdinal = IsOrdinal(nameOrOrdinal);
    // The lookup table ends at a zero entry, or where the image ends.
    for (uint64_t j = 0;; ++j) {
        uint64_t entry = 0;
        uint64_t slot = lookupTable + j * thunkSize;
        if (wide) {
            if (!view.ReadU64(slot, entry))
                return 0;
        } else {
            uint32_t entry32 = 0;
            if (!view.ReadU32(slot, entry32))
                return 0;
            entry = entry32;
        }
        if (entry == 0)
            return 0;
        bool matches = (entry & ordinalFlag)
                           ? byOrdinal && (entry & ~ordinalFlag) == OrdinalOf(nameOrOrdinal)
                           : !byOrdinal && view.TextEquals(entry + 2, nameOrOrdinal, false);
        if (!matches)
            continue;
        uint64_t target = addressTable + j * thunkSize;
        uint64_t value = reinterpret_cast<uintptr_t>(address);
        bool written = wide ? view.WriteU64(target, value) : view.WriteU32(target, uint32_t(value));
        return written ? 1 : 0;
    }
}

void* ImageLoader::GetExport(const char* nameOrOrdinal) noexcept
{
    if (image == nullptr || nameOrOrdinal == nullptr)
        return nullptr;
    Directory exports = GetDataDirectory(DIRECTORY_EXPORTS);
    if (exports.virtualAddress == 0)
        return nullptr;
    uint64_t directory = exports.virtualAddress;
    uint32_t base = 0, functionCount = 0, functions = 0;
    if (!view.ReadU32(directory + EXPORT_BASE, base) || !view.ReadU32(directory + EXPORT_FUNCTION_COUNT, functionCount)
        || !view.ReadU32(directory + EXPORT_FUNCTIONS, functions))
        return nullptr;
    uint32_t index = NO_INDEX;
    if (IsOrdinal(nameOrOrdinal)) {
        uint32_t ordinal = OrdinalOf(nameOrOrdinal);
        if (ordinal >= base && ordinal - base < functionCount)
            index = ordinal - base;
    } else {
        index = FindExportByName(nameOrOrdinal, uint32_t(directory), functionCount);
    }
    uint32_t rva = 0;
    if (index == NO_INDEX || !view.ReadU32(functions + 4ull * index, rva))
        return nullptr;
    return AddressOf(rva);
}

// Of the names that match, the one whose function comes first in the function table wins, and a
// name for an empty function slot never does. One pass over the names, bounded by the image.
uint32_t ImageLoader::FindExportByName(const char* name, uint32_t directory, uint32_t functionCount) const noexcept
{
    uint32_t nameCount = 0, functions = 0, names = 0, nameOrdinals = 0;
    view.ReadU32(uint64_t(directory) + EXPORT_NAME_COUNT, nameCount);
    view.ReadU32(uint64_t(directory) + EXPORT_FUNCTIONS, functions);
    view.ReadU32(uint64_t(directory) + EXPORT_NAMES, names);
    view.ReadU32(uint64_t(directory) + EXPORT_NAME_ORDINALS, nameOrdinals);
    uint32_t best = NO_INDEX;
    for (uint64_t j = 0; j < nameCount; ++j) {
        uint32_t nameRva = 0, rva = 0;
        uint16_t index = 0;
        if (!view.ReadU32(names + 4 * j, nameRva) || !view.ReadU16(nameOrdinals + 2 * j, index))
            break;
        if (index >= functionCount || index >= best)
            continue;
        if (!view.ReadU32(functions + 4ull * index, rva) || rva == 0)
            continue;
        if (view.TextEquals(nameRva, name, false))
            best = index;
    }
    return best;
}
