// The image's entry point, its imports from the host and its factory (export ordinal 20).
#include "EngineObject.h"

// Bound by ordinal (10, 11, 12 of the host's import module); the names live only in the import library.
extern "C" __declspec(dllimport) FileSystemService* VerlinkFileSystem(void);
extern "C" __declspec(dllimport) TrackedAllocator* VerlinkAllocator(void);
extern "C" __declspec(dllimport) SystemService* VerlinkSystem(void);

// The host calls this once with reason 1 after binding the imports; there is nothing to set up
// before the factory runs, so every reason is accepted.
extern "C" int32_t EngineEntry(void*, uint32_t, void*)
{
    return 1;
}

// Leaves *out null when a service or memory is missing; the host then runs without an engine.
extern "C" int32_t CreateEngine(Engine** out)
{
    if (!out)
        return 0;
    orv::HostServices host { VerlinkAllocator(), VerlinkFileSystem(), VerlinkSystem() };
    *out = orv::CreateEngineObject(host);
    return *out ? 1 : 0;
}
