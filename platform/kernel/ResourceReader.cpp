// Walks the three-level resource tree (type, name, language) of a mapped image. The walk has a
// fixed depth, so a directory that points back at itself ends as a damaged entry, not a loop.
#include "ResourceReader.h"

#include "wce/WinString.h"

namespace wce {
namespace {

constexpr uint32_t SUBDIRECTORY = 0x80000000u;
constexpr uint32_t NAME_IS_STRING = 0x80000000u;
constexpr uint32_t DIRECTORY_HEADER_SIZE = 16;
constexpr uint32_t DIRECTORY_ENTRY_SIZE = 8;
constexpr uint16_t ENGLISH_US = 0x0409;
constexpr uint16_t PRIMARY_ENGLISH = 0x09;

// How well a language fits the request; lower is better, NO_FIT never matches.
constexpr int NO_FIT = 99;

int LanguageRank(uint16_t candidate, uint16_t wanted)
{
    if (wanted != ANY_LANGUAGE) {
        if (candidate == wanted)
            return 0;
        if ((candidate & 0x3FF) == (wanted & 0x3FF))
            return 1;
        return candidate == 0 ? 2 : NO_FIT;
    }
    if (candidate == 0)
        return 0;
    if (candidate == ENGLISH_US)
        return 1;
    if ((candidate & 0x3FF) == PRIMARY_ENGLISH)
        return 2;
    return 3;
}

}  // namespace

ResourceKey ResourceKey::From(LPCWSTR value)
{
    ResourceKey key;
    if (IS_INTRESOURCE(value)) {
        key.id = uint16_t(ULONG_PTR(value));
        return key;
    }
    if (value[0] == u'#') {
        uint32_t id = 0;
        const WCHAR* p = value + 1;
        for (; *p >= u'0' && *p <= u'9' && id <= 0xFFFF; ++p)
            id = id * 10 + uint32_t(*p - u'0');
        if (*p == 0 && p != value + 1 && id <= 0xFFFF) {
            key.id = uint16_t(id);
            return key;
        }
    }
    key.isId = false;
    key.name = value;
    return key;
}

ResourceReader::ResourceReader(const ByteReader& image, uint32_t directoryRva)
    : image(image), treeRva(directoryRva)
{
    hasTree = directoryRva != 0 && directoryRva < image.Size();
    if (hasTree)
        tree = image.From(directoryRva);
}

bool ResourceReader::ReadDirectory(uint32_t offset, Directory& directory) const
{
    uint16_t named = 0;
    uint16_t ids = 0;
    if (!tree.ReadU16(offset + size_t(12), named) || !tree.ReadU16(offset + size_t(14), ids))
        return false;
    directory.entries = offset + DIRECTORY_HEADER_SIZE;
    directory.count = uint32_t(named) + ids;
    return tree.Contains(directory.entries, size_t(directory.count) * DIRECTORY_ENTRY_SIZE);
}

bool ResourceReader::Matches(uint32_t nameField, const ResourceKey& key) const
{
    if ((nameField & NAME_IS_STRING) == 0)
        return key.isId && nameField == key.id;
    if (key.isId)
        return false;
    uint32_t offset = nameField & ~NAME_IS_STRING;
    uint16_t length = 0;
    if (!tree.ReadU16(offset, length) || length != key.name.size() || !tree.Contains(offset + size_t(2), length * 2u))
        return false;
    for (uint16_t i = 0; i < length; ++i) {
        uint16_t unit = 0;
        tree.ReadU16(offset + 2 + size_t(i) * 2, unit);
        if (towupper(WCHAR(unit)) != towupper(key.name[i]))
            return false;
    }
    return true;
}

ResourceStatus ResourceReader::FindChild(const Directory& directory, const ResourceKey& key, uint32_t& child) const
{
    for (uint32_t i = 0; i < directory.count; ++i) {
        uint32_t entry = directory.entries + i * DIRECTORY_ENTRY_SIZE;
        uint32_t nameField = 0;
        if (!tree.ReadU32(entry, nameField) || !tree.ReadU32(entry + 4, child))
            return ResourceStatus::Damaged;
        if (Matches(nameField, key))
            return ResourceStatus::Found;
    }
    return ResourceStatus::NameNotFound;
}

ResourceStatus ResourceReader::ChooseLanguage(const Directory& directory, uint16_t language, uint32_t& child) const
{
    int bestRank = NO_FIT;
    for (uint32_t i = 0; i < directory.count; ++i) {
        uint32_t entry = directory.entries + i * DIRECTORY_ENTRY_SIZE;
        uint32_t nameField = 0;
        uint32_t offset = 0;
        if (!tree.ReadU32(entry, nameField) || !tree.ReadU32(entry + 4, offset))
            return ResourceStatus::Damaged;
        int rank = (nameField & NAME_IS_STRING) ? NO_FIT : LanguageRank(uint16_t(nameField), language);
        if (rank < bestRank) {
            bestRank = rank;
            child = offset;
        }
    }
    return bestRank == NO_FIT ? ResourceStatus::LanguageNotFound : ResourceStatus::Found;
}

ResourceStatus ResourceReader::Find(const ResourceKey& type, const ResourceKey& name, uint16_t language,
                                    ResourceEntry& entry) const
{
    Directory directory;
    if (!hasTree)
        return ResourceStatus::NoResources;
    if (!ReadDirectory(0, directory))
        return ResourceStatus::Damaged;
    uint32_t child = 0;
    ResourceStatus status = FindChild(directory, type, child);
    if (status != ResourceStatus::Found)
        return status == ResourceStatus::NameNotFound ? ResourceStatus::TypeNotFound : status;
    if ((child & SUBDIRECTORY) == 0 || !ReadDirectory(child & ~SUBDIRECTORY, directory))
        return ResourceStatus::Damaged;
    status = FindChild(directory, name, child);
    if (status != ResourceStatus::Found)
        return status;
    if ((child & SUBDIRECTORY) == 0 || !ReadDirectory(child & ~SUBDIRECTORY, directory))
        return ResourceStatus::Damaged;
    status = ChooseLanguage(directory, language, child);
    if (status != ResourceStatus::Found)
        return status;
    // The third level must hold data; a further directory here is a damaged (or looping) tree.
    if ((child & SUBDIRECTORY) != 0 || child > image.Size() - treeRva)
        return ResourceStatus::Damaged;
    return ReadEntry(treeRva + child, entry) ? ResourceStatus::Found : ResourceStatus::Damaged;
}

bool ResourceReader::ReadEntry(uint32_t entryOffset, ResourceEntry& entry) const
{
    uint32_t dataRva = 0;
    uint32_t size = 0;
    if (!image.ReadU32(entryOffset, dataRva) || !image.ReadU32(entryOffset + size_t(4), size))
        return false;
    // The data must lie wholly inside the image; a size running past it is damage, not a
    // resource to be cut short.
    if (!image.Contains(dataRva, size))
        return false;
    entry = ResourceEntry { entryOffset, dataRva, size };
    return true;
}

bool ResourceReader::FindString(const ResourceEntry& block, unsigned index, uint32_t& offset, uint16_t& length) const
{
    ByteReader strings;
    if (!image.Sub(block.dataRva, block.size, strings))
        return false;
    size_t position = 0;
    for (unsigned i = 0;; ++i) {
        uint16_t count = 0;
        if (!strings.ReadU16(position, count) || !strings.Contains(position + 2, size_t(count) * 2))
            return false;
        if (i == index) {
            offset = block.dataRva + uint32_t(position) + 2;
            length = count;
            return true;
        }
        position += 2 + size_t(count) * 2;
    }
}

}  // namespace wce
