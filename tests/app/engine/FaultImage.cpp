// FaultImage: the machine code of the faulting functions and the image around them.
#include "FaultImage.h"

#include <stdexcept>

namespace {

constexpr const char* PATH = "\\Lib\\Faults.dll";
constexpr uint32_t CODE_RVA = 0x1000;
constexpr uint32_t SLOT = 0x10;   // each function starts at a multiple of this

const std::vector<Bytes> CODE = {
    { 0xFF, 0x01, 0xC3 },                                                   // inc dword [rcx]; ret
    { 0xC7, 0x04, 0x25, 0x10, 0x00, 0x00, 0x00, 0x2A, 0x00, 0x00, 0x00, 0xC3 }, // mov dword [0x10], 42
    { 0x0F, 0x0B },                                                         // ud2
    { 0x31, 0xC9, 0x31, 0xD2, 0xB8, 0x01, 0x00, 0x00, 0x00, 0xF7, 0xF1, 0xC3 }, // div by ecx = 0
    { 0xE8, 0xFB, 0xFF, 0xFF, 0xFF },                                       // call itself
    { 0x31, 0xC0, 0xFF, 0xD0, 0xC3 },                                       // xor eax, eax; call rax
    { 0x48, 0x83, 0xEC, 0x28, 0xFF, 0x11, 0x48, 0x83, 0xC4, 0x28, 0xC3 },   // call [rcx] with shadow space
};

}  // namespace

FaultImage::FaultImage()
{
    Bytes code(SLOT * CODE.size(), 0xCC);
    for (size_t i = 0; i < CODE.size(); ++i)
        std::copy(CODE[i].begin(), CODE[i].end(), code.begin() + SLOT * i);
    PeBuilder pe(true);
    pe.SetMachine(0x8664).AddSection(CODE_RVA, code);
    file = pe.Build();
    files = std::make_unique<MemoryFileSystem>(PATH, file.data(), file.size());
    loader = std::make_unique<ImageLoader>(&allocator, files.get());
    if (!loader->Load(PATH) || !loader->Protect() || !loader->IsRunnable())
        throw std::runtime_error("the fault image did not load");
}

GuardedFunction FaultImage::Function(FaultKind kind) const
{
    return reinterpret_cast<GuardedFunction>(loader->GetImage() + CODE_RVA + SLOT * uint32_t(kind));
}
