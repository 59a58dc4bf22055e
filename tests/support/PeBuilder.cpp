// PeBuilder: lays out headers, the caller's sections and one generated section holding the
// import, export and relocation tables.
#include "PeBuilder.h"

#include <algorithm>
#include <stdexcept>

namespace {

constexpr uint32_t SECTION_ALIGNMENT = 0x1000;
constexpr uint32_t FILE_ALIGNMENT = 0x200;

uint32_t Align(uint32_t value, uint32_t unit) { return (value + unit - 1) / unit * unit; }

void Put(Bytes& bytes, size_t offset, uint64_t value, int width)
{
    if (bytes.size() < offset + width)
        bytes.resize(offset + width);
    for (int i = 0; i < width; ++i)
        bytes[offset + i] = uint8_t(value >> (8 * i));
}

void PutText(Bytes& bytes, size_t offset, const std::string& text)
{
    if (bytes.size() < offset + text.size() + 1)
        bytes.resize(offset + text.size() + 1);
    std::copy(text.begin(), text.end(), bytes.begin() + offset);
    bytes[offset + text.size()] = 0;
}

void PadTo(Bytes& bytes, uint32_t unit)
{
    bytes.resize(Align(uint32_t(bytes.size()), unit));
}

}  // namespace

Bytes U16Le(uint16_t value) { Bytes b; Put(b, 0, value, 2); return b; }
Bytes U32Le(uint32_t value) { Bytes b; Put(b, 0, value, 4); return b; }
Bytes U64Le(uint64_t value) { Bytes b; Put(b, 0, value, 8); return b; }
void PutU16(Bytes& bytes, size_t offset, uint16_t value) { Put(bytes, offset, value, 2); }
void PutU32(Bytes& bytes, size_t offset, uint32_t value) { Put(bytes, offset, value, 4); }
uint32_t GetU32(const Bytes& bytes, size_t offset)
{
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 | uint32_t(bytes[offset + 3]) << 24;
}

PeBuilder::PeBuilder(bool plus) : plus(plus), machine(plus ? 0x8664 : 0x1C0) {}

PeBuilder& PeBuilder::SetMachine(uint16_t value) { machine = value; return *this; }
PeBuilder& PeBuilder::SetImageBase(uint64_t base) { imageBase = base; return *this; }
PeBuilder& PeBuilder::SetEntryPoint(uint32_t rva) { entryPoint = rva; return *this; }
PeBuilder& PeBuilder::SetSizeOfImage(uint32_t size) { sizeOfImageOverride = size; return *this; }

PeBuilder& PeBuilder::AddSection(uint32_t rva, const Bytes& bytes, uint32_t virtualSize, uint32_t characteristics)
{
    sections.push_back(Section{ rva, bytes, std::max<uint32_t>(virtualSize, uint32_t(bytes.size())), std::nullopt,
                                uint32_t(bytes.size()), characteristics });
    return *this;
}

PeBuilder& PeBuilder::AddRawSectionHeader(uint32_t rva, uint32_t rawPointer, uint32_t rawSize)
{
    sections.push_back(Section{ rva, {}, rawSize, rawPointer, rawSize, SECTION_CODE });
    return *this;
}

PeBuilder& PeBuilder::AddRelocBlock(uint32_t page, const std::vector<uint16_t>& entries, std::optional<uint32_t> sizeOfBlock)
{
    relocs.push_back(RelocBlock{ page, entries, sizeOfBlock });
    return *this;
}

PeBuilder& PeBuilder::AddImport(const std::string& module, const std::vector<ImportRef>& refs)
{
    imports.push_back(Import{ module, refs });
    return *this;
}

PeBuilder& PeBuilder::SetExports(uint32_t base, const std::vector<uint32_t>& functions, const std::vector<ExportName>& names)
{
    hasExports = true;
    exportBase = base;
    exportFunctions = functions;
    exportNames = names;
    return *this;
}

uint32_t PeBuilder::ImportAddressRva(size_t module, size_t index) const
{
    return importAddressRvas.at(module).at(index);
}

uint32_t PeBuilder::DataDirectoryOffset(uint32_t index) const
{
    return NT_OFFSET + (plus ? 0x88 : 0x78) + 8 * index;
}

uint32_t PeBuilder::SectionHeaderOffset(size_t index) const
{
    return NT_OFFSET + 0x18 + OptionalHeaderSize() + 40 * uint32_t(index);
}

void PeBuilder::AppendImports(Bytes& out, uint32_t rva)
{
    if (imports.empty())
        return;
    uint32_t thunk = plus ? 8 : 4;
    uint32_t descriptors = uint32_t(out.size());
    importDirectory = rva + descriptors;
    importSize = uint32_t(imports.size() + 1) * 20;
    out.resize(descriptors + importSize);
    importAddressRvas.clear();
    for (size_t m = 0; m < imports.size(); ++m) {
        const Import& import = imports[m];
        uint32_t tableBytes = uint32_t(import.refs.size() + 1) * thunk;
        uint32_t lookup = uint32_t(out.size());
        uint32_t address = lookup + tableBytes;
        out.resize(address + tableBytes);
        uint32_t name = uint32_t(out.size());
        PutText(out, name, import.module);
        std::vector<uint32_t> slots;
        for (size_t j = 0; j < import.refs.size(); ++j) {
            const ImportRef& ref = import.refs[j];
            uint64_t entry = 0;
            if (ref.byOrdinal) {
                entry = (plus ? 0x8000000000000000ull : 0x80000000ull) | ref.ordinal;
            } else {
                PadTo(out, 2);
                entry = rva + uint32_t(out.size());
                Put(out, out.size(), 0, 2);   // hint
                PutText(out, out.size(), ref.name);
            }
            Put(out, lookup + j * thunk, entry, int(thunk));
            Put(out, address + j * thunk, entry, int(thunk));
            slots.push_back(rva + address + uint32_t(j) * thunk);
        }
        importAddressRvas.push_back(slots);
        size_t d = descriptors + m * 20;
        Put(out, d + 0x00, rva + lookup, 4);
        Put(out, d + 0x0C, rva + name, 4);
        Put(out, d + 0x10, rva + address, 4);
    }
    PadTo(out, 8);
}

void PeBuilder::AppendExports(Bytes& out, uint32_t rva)
{
    if (!hasExports)
        return;
    uint32_t directory = uint32_t(out.size());
    out.resize(directory + 40);
    uint32_t functions = uint32_t(out.size());
    for (uint32_t f : exportFunctions)
        Put(out, out.size(), f, 4);
    uint32_t names = uint32_t(out.size());
    out.resize(names + 4 * exportNames.size());
    uint32_t ordinals = uint32_t(out.size());
    for (const ExportName& n : exportNames)
        Put(out, out.size(), n.index, 2);
    for (size_t j = 0; j < exportNames.size(); ++j) {
        Put(out, names + 4 * j, rva + uint32_t(out.size()), 4);
        PutText(out, out.size(), exportNames[j].name);
    }
    Put(out, directory + 0x10, exportBase, 4);
    Put(out, directory + 0x14, exportFunctions.size(), 4);
    Put(out, directory + 0x18, exportNames.size(), 4);
    Put(out, directory + 0x1C, rva + functions, 4);
    Put(out, directory + 0x20, rva + names, 4);
    Put(out, directory + 0x24, rva + ordinals, 4);
    exportDirectory = rva + directory;
    exportSize = uint32_t(out.size()) - directory;
    PadTo(out, 8);
}

void PeBuilder::AppendRelocations(Bytes& out, uint32_t rva)
{
    if (relocs.empty())
        return;
    uint32_t start = uint32_t(out.size());
    for (const RelocBlock& block : relocs) {
        uint32_t at = uint32_t(out.size());
        Put(out, at, block.page, 4);
        Put(out, at + 4, block.sizeOfBlock.value_or(8 + 2 * uint32_t(block.entries.size())), 4);
        for (uint16_t entry : block.entries)
            Put(out, out.size(), entry, 2);
    }
    relocDirectory = rva + start;
    relocSize = uint32_t(out.size()) - start;
}

Bytes PeBuilder::BuildLinkSection(uint32_t rva)
{
    Bytes out;
    AppendImports(out, rva);
    AppendExports(out, rva);
    AppendRelocations(out, rva);
    return out;
}

void PeBuilder::WriteHeaders(Bytes& file, size_t sectionCount)
{
    uint32_t nt = NT_OFFSET;
    file[0] = 'M';
    file[1] = 'Z';
    Put(file, 0x3C, nt, 4);
    PutText(file, nt, "PE");
    Put(file, nt + 0x04, machine, 2);
    Put(file, nt + 0x06, sectionCount, 2);
    Put(file, nt + 0x14, OptionalHeaderSize(), 2);
    Put(file, nt + 0x16, 0x2102, 2);   // executable, 32-bit words, DLL
    Put(file, nt + 0x18, plus ? 0x20B : 0x10B, 2);
    Put(file, nt + 0x28, entryPoint, 4);
    if (plus)
        Put(file, nt + 0x30, imageBase, 8);
    else
        Put(file, nt + 0x34, imageBase, 4);
    Put(file, nt + 0x38, SECTION_ALIGNMENT, 4);
    Put(file, nt + 0x3C, FILE_ALIGNMENT, 4);
    Put(file, nt + 0x50, sizeOfImage, 4);
    Put(file, nt + 0x54, HEADER_BYTES, 4);
    Put(file, nt + (plus ? 0x84 : 0x74), 16, 4);   // NumberOfRvaAndSizes
    Put(file, DataDirectoryOffset(0), exportDirectory, 4);
    Put(file, DataDirectoryOffset(0) + 4, exportSize, 4);
    Put(file, DataDirectoryOffset(1), importDirectory, 4);
    Put(file, DataDirectoryOffset(1) + 4, importSize, 4);
    Put(file, DataDirectoryOffset(5), relocDirectory, 4);
    Put(file, DataDirectoryOffset(5) + 4, relocSize, 4);
}

Bytes PeBuilder::Build()
{
    importDirectory = importSize = exportDirectory = exportSize = relocDirectory = relocSize = 0;
    std::vector<Section> all = sections;
    uint32_t end = SECTION_ALIGNMENT;
    for (const Section& s : all)
        end = std::max(end, Align(s.rva + std::max<uint32_t>(s.virtualSize, 1), SECTION_ALIGNMENT));
    Bytes links = BuildLinkSection(end);
    if (!links.empty()) {
        all.push_back(Section{ end, links, uint32_t(links.size()), std::nullopt, uint32_t(links.size()), SECTION_DATA });
        end = Align(end + uint32_t(links.size()), SECTION_ALIGNMENT);
    }
    sizeOfImage = sizeOfImageOverride.value_or(end);
    if (SectionHeaderOffset(all.size()) > HEADER_BYTES)
        throw std::length_error("too many sections for the header area");
    Bytes file(HEADER_BYTES, 0);
    for (size_t i = 0; i < all.size(); ++i) {
        Section& s = all[i];
        uint32_t rawPointer = s.rawPointer.value_or(s.bytes.empty() ? 0 : uint32_t(file.size()));
        if (!s.rawPointer && !s.bytes.empty()) {
            file.insert(file.end(), s.bytes.begin(), s.bytes.end());
            PadTo(file, FILE_ALIGNMENT);
        }
        size_t h = SectionHeaderOffset(i);
        PutText(file, h, i + 1 == all.size() && !links.empty() ? ".links" : ".sect");
        Put(file, h + 0x08, s.virtualSize, 4);
        Put(file, h + 0x0C, s.rva, 4);
        Put(file, h + 0x10, s.rawSize, 4);
        Put(file, h + 0x14, rawPointer, 4);
        Put(file, h + 0x24, s.characteristics, 4);
    }
    WriteHeaders(file, all.size());
    return file;
}
