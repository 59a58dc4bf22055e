// EngineHost: loading the engine image, starting the engine under the guard, and the ordered
// teardown.
#include "EngineHost.h"

#include <cstring>

#include "EngineContext.h"
#include "EnginePaths.h"

namespace {

constexpr uint32_t REASON_PROCESS_ATTACH = 1;
constexpr int32_t INIT_READY = 1;

}  // namespace

EngineHost::EngineHost() noexcept : loader(&allocator, &fileSystem)
{
}

void EngineHost::NoteFault(const char* step) noexcept
{
    broken = true;
    faultPending = true;
    if (step != nullptr && startFault == nullptr)
        startFault = step;
}

bool EngineHost::TakeFault() noexcept
{
    bool faulted = system.TakeFault() || faultPending;
    faultPending = false;
    if (faulted)
        broken = true;
    return faulted;
}

// A guarded call the engine made itself during a start-up step faulted: the step did not finish.
bool EngineHost::FaultedIn(const char* step) noexcept
{
    if (!TakeFault())
        return false;
    NoteFault(step);
    faultPending = false;
    return true;
}

// Even a broken engine is asked to let go (under the guard), so that it gives back files it holds
// open; whatever it still holds in memory goes with the allocator.
void EngineHost::StopEngine() noexcept
{
    EngineScanner* oldScanner = scanner;
    Engine* oldEngine = engine;
    scanner = nullptr;
    engine = nullptr;
    if (oldScanner != nullptr) {
        auto release = [oldScanner] { oldScanner->table->Release(oldScanner); };
        CallEngine(release);
    }
    if (oldEngine != nullptr) {
        auto shutdown = [oldEngine] { oldEngine->table->Shutdown(oldEngine); };
        CallEngine(shutdown);
    }
}

// Scanner, engine, image, services, and the allocator last, which frees whatever the engine and
// the loader still held.
void EngineHost::Destroy(uint32_t flags) noexcept
{
    StopEngine();
    loader.Unload();
    fileSystem.Destroy(0);
    allocator.Destroy(0);
    // No callback can come any more; the context must not keep pointing at us.
    EngineContext* context = GetEngineContext();
    if (context != nullptr && context->GetFileSystem() == &fileSystem)
        context->SetHost(nullptr);
    if (flags & 1)
        delete this;
}

int32_t EngineHost::Delete() noexcept
{
    Destroy(1);
    return 0;
}

int32_t EngineHost::LoadEngine(const WCHAR* libFolder, const WCHAR* backupFolder) noexcept
{
    char lib[MAX_PATH];
    char backup[MAX_PATH];
    if (!PathToAnsi(libFolder, lib) || !PathToAnsi(backupFolder, backup))
        return 0;
    GetSelf(1);
    EngineContext* context = GetEngineContext();
    if (context != nullptr)
        context->SetHost(this);
    if (!MapImage(lib))
        return 0;
    auto entry = [this] { loader.CallEntry(REASON_PROCESS_ATTACH); };
    if (!CallEngine(entry, "entry point"))
        return 0;
    int32_t initResult = 0;
    StartEngine(lib, backup, initResult);
    return !broken && initResult == INIT_READY ? 1 : 0;
}

// Maps, binds and seals the image; libFolder is the folder on the way in and on the way out. An
// image for another processor stays mapped but is never entered: no engine, scans find nothing.
bool EngineHost::MapImage(char* lib) noexcept
{
    // The image name must fit behind the folder in the same 260-byte buffer.
    size_t folderLength = std::strlen(lib);
    if (folderLength + sizeof(ENGINE_IMAGE_NAME) > MAX_PATH)
        return false;
    std::memcpy(lib + folderLength, ENGINE_IMAGE_NAME, sizeof(ENGINE_IMAGE_NAME));
    int32_t loaded = loader.Load(lib);
    lib[folderLength] = 0;
    if (!loaded)
        return false;
    loader.BindImport(ENGINE_IMPORT_MODULE, ImageOrdinal(ENGINE_ORDINAL_FILE_SYSTEM), reinterpret_cast<void*>(FileSystemCallback));
    loader.BindImport(ENGINE_IMPORT_MODULE, ImageOrdinal(ENGINE_ORDINAL_ALLOCATOR), reinterpret_cast<void*>(AllocatorCallback));
    loader.BindImport(ENGINE_IMPORT_MODULE, ImageOrdinal(ENGINE_ORDINAL_SYSTEM), reinterpret_cast<void*>(SystemCallback));
    return loader.Protect() && loader.IsRunnable();
}

// The factory and Init read the image's own data and the signature databases, both from outside:
// each runs under the guard, and a fault leaves the program without an engine.
void EngineHost::StartEngine(const char* libFolder, const char* backupFolder, int32_t& initResult) noexcept
{
    void* factory = loader.GetExport(ImageOrdinal(ENGINE_ORDINAL_FACTORY));
    if (factory == nullptr)
        return;
    Engine* made = nullptr;
    auto create = [factory, &made] { reinterpret_cast<EngineFactoryFn>(factory)(&made); };
    if (!CallEngine(create, "factory"))
        return;
    engine = made;
    if (engine == nullptr)
        return;
    int32_t result = 0;
    auto init = [this, libFolder, backupFolder, &result] {
        result = engine->table->Init(engine, libFolder, backupFolder, ENGINE_PRODUCT_NAME);
    };
    if (!CallEngine(init, "Init") || FaultedIn("Init"))
        return;
    initResult = result;
    if (initResult == 0)
        return;
    EngineScanner* taken = nullptr;
    auto getScanner = [this, &taken] { taken = engine->table->GetScanner(engine); };
    if (CallEngine(getScanner, "GetScanner"))
        scanner = taken;
}

int32_t EngineHost::GetVersion(EngineDate* date) noexcept
{
    if (engine == nullptr || broken)
        return 0;
    int32_t major = 0, minor = 0, unused = 0, build = 0;
    int32_t year = 0, month = 0, day = 0;
    auto ask = [&] {
        engine->table->GetVersion(engine, &major, &minor, &unused, &build);
        engine->table->GetDatabaseDate(engine, &year, &month, &day);
    };
    // A fault here leaves the version at 0.0.0, as without an engine.
    if (!CallEngine(ask, "GetVersion") || FaultedIn("GetVersion"))
        return 0;
    if (date != nullptr) {
        date->year = uint16_t(year);
        date->month = uint16_t(month);
        date->day = uint16_t(day);
    }
    return int32_t(((uint32_t(major) * 256u + uint32_t(minor)) << 16) + (uint32_t(build) & 0xFFFF));
}
