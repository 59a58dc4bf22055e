// ResourceReader: look-up in the resource tree (type / name / language) of a mapped PE image.
#pragma once

#include <cstdint>
#include <string>

#include "common/ByteReader.h"
#include "wce/WinTypes.h"

namespace wce {

// A type or name: an integer id or a string (compared without case).
struct ResourceKey {
    bool isId = true;
    uint16_t id = 0;
    std::u16string name;

    // From an API argument: MAKEINTRESOURCE, "#123", or a name.
    static ResourceKey From(LPCWSTR value);
};

// One resource: where its data entry sits in the image and the data it describes, both checked
// to lie inside the image.
struct ResourceEntry {
    uint32_t entryOffset = 0;
    uint32_t dataRva = 0;
    uint32_t size = 0;
};

enum class ResourceStatus { Found, NoResources, TypeNotFound, NameNotFound, LanguageNotFound, Damaged };

// Language 0 asks for any language, preferring neutral, then English.
constexpr uint16_t ANY_LANGUAGE = 0;

class ResourceReader {
public:
    ResourceReader(const ByteReader& image, uint32_t directoryRva);

    ResourceStatus Find(const ResourceKey& type, const ResourceKey& name, uint16_t language,
                        ResourceEntry& entry) const;
    // Re-reads a data entry by its offset in the image (an HRSRC handed back by a caller).
    bool ReadEntry(uint32_t entryOffset, ResourceEntry& entry) const;

    // The counted string of a string-table block at index (0..15): offset of its first character
    // in the image and its length. False when the block is too short to hold it.
    bool FindString(const ResourceEntry& block, unsigned index, uint32_t& offset, uint16_t& length) const;

private:
    struct Directory {
        uint32_t entries = 0;    // offset of the first entry in the tree
        uint32_t count = 0;
    };
    bool ReadDirectory(uint32_t offset, Directory& directory) const;
    bool Matches(uint32_t nameField, const ResourceKey& key) const;
    ResourceStatus FindChild(const Directory& directory, const ResourceKey& key, uint32_t& child) const;
    ResourceStatus ChooseLanguage(const Directory& directory, uint16_t language, uint32_t& child) const;

    ByteReader image;
    ByteReader tree;             // the image from the resource directory on
    uint32_t treeRva = 0;
    bool hasTree = false;
};

}  // namespace wce
