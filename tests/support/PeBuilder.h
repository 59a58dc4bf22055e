// PeBuilder: PE32 and PE32+ images built byte by byte for loader tests and fuzz seeds: headers,
// sections, base relocation blocks, imports by ordinal and name, exports with ordinals and names.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

Bytes U16Le(uint16_t value);
Bytes U32Le(uint32_t value);
Bytes U64Le(uint64_t value);
void PutU16(Bytes& bytes, size_t offset, uint16_t value);
void PutU32(Bytes& bytes, size_t offset, uint32_t value);
uint32_t GetU32(const Bytes& bytes, size_t offset);

// Relocation entries: type in the top four bits, page offset in the rest.
inline uint16_t High(uint16_t offset) { return uint16_t(0x1000 | offset); }
inline uint16_t Low(uint16_t offset) { return uint16_t(0x2000 | offset); }
inline uint16_t HighLow(uint16_t offset) { return uint16_t(0x3000 | offset); }
inline uint16_t Dir64(uint16_t offset) { return uint16_t(0xA000 | offset); }

struct ImportRef {
    bool byOrdinal = false;
    uint16_t ordinal = 0;
    std::string name;
};
inline ImportRef ByOrdinal(uint16_t ordinal) { return ImportRef{ true, ordinal, {} }; }
inline ImportRef ByName(const std::string& name) { return ImportRef{ false, 0, name }; }

struct ExportName {
    std::string name;
    uint16_t index;   // into the function table
};

class PeBuilder {
public:
    // Section characteristics: code (readable, executable), data (readable, writable), read-only
    // data, and the writable code that the loader refuses.
    static constexpr uint32_t SECTION_CODE = 0x60000020;
    static constexpr uint32_t SECTION_DATA = 0xC0000040;
    static constexpr uint32_t SECTION_CONST = 0x40000040;
    static constexpr uint32_t SECTION_WRITABLE_CODE = 0xE0000020;
    static constexpr uint32_t NT_OFFSET = 0x80;
    static constexpr uint32_t HEADER_BYTES = 0x400;

    explicit PeBuilder(bool plus = false);

    PeBuilder& SetMachine(uint16_t machine);
    PeBuilder& SetImageBase(uint64_t base);
    PeBuilder& SetEntryPoint(uint32_t rva);
    PeBuilder& SetSizeOfImage(uint32_t size);   // instead of the computed one
    // A section at rva with bytes as its raw data (none: uninitialised data of virtualSize). The
    // generated tables (imports, exports, relocations) go into a data section of their own.
    PeBuilder& AddSection(uint32_t rva, const Bytes& bytes, uint32_t virtualSize = 0,
                          uint32_t characteristics = SECTION_CODE);
    // A section header whose raw data lies at rawPointer, rawSize bytes, whatever the file holds.
    PeBuilder& AddRawSectionHeader(uint32_t rva, uint32_t rawPointer, uint32_t rawSize);
    // sizeOfBlock: the stored SizeOfBlock instead of 8 + 2 * entries.
    PeBuilder& AddRelocBlock(uint32_t page, const std::vector<uint16_t>& entries,
                             std::optional<uint32_t> sizeOfBlock = std::nullopt);
    PeBuilder& AddImport(const std::string& module, const std::vector<ImportRef>& imports);
    PeBuilder& SetExports(uint32_t base, const std::vector<uint32_t>& functions, const std::vector<ExportName>& names);

    Bytes Build();

    // Known after Build: where things landed.
    uint32_t ImportAddressRva(size_t module, size_t index) const;
    uint32_t ImportDirectoryRva() const { return importDirectory; }
    uint32_t ExportDirectoryRva() const { return exportDirectory; }
    uint32_t RelocDirectoryRva() const { return relocDirectory; }
    uint32_t DataDirectoryOffset(uint32_t index) const;   // file offset of the directory entry
    uint32_t SectionHeaderOffset(size_t index) const;     // file offset of a section header
    uint32_t SizeOfImage() const { return sizeOfImage; }

private:
    struct Section {
        uint32_t rva;
        Bytes bytes;
        uint32_t virtualSize;
        std::optional<uint32_t> rawPointer;
        uint32_t rawSize;
        uint32_t characteristics;
    };
    struct Import {
        std::string module;
        std::vector<ImportRef> refs;
    };
    struct RelocBlock {
        uint32_t page;
        std::vector<uint16_t> entries;
        std::optional<uint32_t> sizeOfBlock;
    };

    Bytes BuildLinkSection(uint32_t rva);
    void AppendImports(Bytes& out, uint32_t rva);
    void AppendExports(Bytes& out, uint32_t rva);
    void AppendRelocations(Bytes& out, uint32_t rva);
    void WriteHeaders(Bytes& file, size_t sectionCount);
    uint32_t OptionalHeaderSize() const { return plus ? 0xF0 : 0xE0; }

    bool plus;
    uint16_t machine;
    uint64_t imageBase = 0x10000000;
    uint32_t entryPoint = 0;
    std::optional<uint32_t> sizeOfImageOverride;
    std::vector<Section> sections;
    std::vector<Import> imports;
    std::vector<RelocBlock> relocs;
    bool hasExports = false;
    uint32_t exportBase = 1;
    std::vector<uint32_t> exportFunctions;
    std::vector<ExportName> exportNames;

    uint32_t importDirectory = 0, importSize = 0;
    uint32_t exportDirectory = 0, exportSize = 0;
    uint32_t relocDirectory = 0, relocSize = 0;
    uint32_t sizeOfImage = 0;
    std::vector<std::vector<uint32_t>> importAddressRvas;
};
