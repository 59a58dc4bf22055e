// Fuzz target for the image loader: the input is served as the engine file; it is mapped, its
// imports bound and its exports looked up, but never entered.
#include <cstddef>
#include <cstdint>

#include "../tests/support/MemoryFileSystem.h"
#include "ImageLoader.h"
#include "TrackedAllocator.h"

namespace {

constexpr const char* ENGINE_PATH = "\\Lib\\Verdane.dll";

void ENGINE_CALL Unreachable() {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MemoryFileSystem files(ENGINE_PATH, data, size);   // serves the fuzz bytes as the engine file
    orv::TrackedAllocator allocator;
    ImageLoader loader(&allocator, &files);
    if (!loader.Load(ENGINE_PATH))
        return 0;
    void* target = reinterpret_cast<void*>(Unreachable);
    for (uint16_t ordinal : { ENGINE_ORDINAL_FILE_SYSTEM, ENGINE_ORDINAL_ALLOCATOR, ENGINE_ORDINAL_SYSTEM })
        loader.BindImport(ENGINE_IMPORT_MODULE, ImageOrdinal(ordinal), target);
    loader.BindImport(ENGINE_IMPORT_MODULE, "OpenThing", target);
    loader.GetExport(ImageOrdinal(ENGINE_ORDINAL_FACTORY));
    loader.GetExport("Name");
    return 0;
}
