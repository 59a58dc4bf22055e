// Fuzz target: the first byte of the input chooses a database file of the engine's library folder,
// the rest is its content; the built engine image is mapped, bound and started through the engine
// host, whose Init parses it. A fault there is contained by the guard, so it is turned into a
// crash here for the fuzzer to keep.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>

#include "EngineContext.h"
#include "EngineHost.h"
#include "FuzzDeviceRoot.h"

namespace {

// The databases the engine reads from its library folder, by the input's first byte.
const char* const DATABASES[] = { "orv.hdb", "orv.hsb", "orv.ndb", "orv.info", "orv.ldb", "orv.fp", "orv.sfp", "orv.ign2" };

bool PrepareDevice(const std::string& root)
{
    std::error_code error;
    std::filesystem::create_directories(root + "/Lib", error);
    std::filesystem::create_directories(root + "/Back", error);
    return std::filesystem::copy_file(ORV_ENGINE_IMAGE, root + "/Lib/Verdane.dll",
                                      std::filesystem::copy_options::overwrite_existing, error);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string root = FuzzDeviceRoot();
    static const bool ready = !root.empty() && PrepareDevice(root);
    static EngineContext* context = CreateEngineContext();
    if (!ready || context == nullptr || size == 0)
        return 0;
    const char* name = DATABASES[data[0] % (sizeof DATABASES / sizeof DATABASES[0])];
    {
        std::ofstream(root + "/Lib/" + name, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(data + 1), std::streamsize(size - 1));
    }
    EngineHost* host = new EngineHost();
    host->LoadEngine(u"\\Lib\\", u"\\Back\\");
    bool faulted = host->GetStartFault() != nullptr;
    host->Delete();
    std::filesystem::remove(root + "/Lib/" + name);
    if (faulted)
        __builtin_trap();
    return 0;
}
