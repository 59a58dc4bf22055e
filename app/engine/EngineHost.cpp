// EngineHost: loading the engine image, starting the engine, and the ordered teardown.
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

// Scanner, engine, image, services, and the allocator last, which frees whatever the engine and
// the loader still held.
void EngineHost::Destroy(uint32_t flags) noexcept
{
    if (scanner != nullptr)
        scanner->table->Release(scanner);
    scanner = nullptr;
    if (engine != nullptr)
        engine->table->Shutdown(engine);
    engine = nullptr;
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
    // The image name must fit behind the folder in the same 260-byte buffer.
    size_t folderLength = std::strlen(lib);
    if (folderLength + sizeof(ENGINE_IMAGE_NAME) > MAX_PATH)
        return 0;
    std::memcpy(lib + folderLength, ENGINE_IMAGE_NAME, sizeof(ENGINE_IMAGE_NAME));
    if (!loader.Load(lib))
        return 0;
    lib[folderLength] = 0;
    loader.BindImport(ENGINE_IMPORT_MODULE, ImageOrdinal(ENGINE_ORDINAL_FILE_SYSTEM), reinterpret_cast<void*>(FileSystemCallback));
    loader.BindImport(ENGINE_IMPORT_MODULE, ImageOrdinal(ENGINE_ORDINAL_ALLOCATOR), reinterpret_cast<void*>(AllocatorCallback));
    loader.BindImport(ENGINE_IMPORT_MODULE, ImageOrdinal(ENGINE_ORDINAL_SYSTEM), reinterpret_cast<void*>(SystemCallback));
    loader.CallEntry(REASON_PROCESS_ATTACH);
    // An image for another processor stays mapped but is never entered: no engine, scans find
    // nothing.
    if (!loader.IsRunnable())
        return 0;
    int32_t initResult = 0;
    StartEngine(lib, backup, initResult);
    return initResult == INIT_READY ? 1 : 0;
}

void EngineHost::StartEngine(const char* libFolder, const char* backupFolder, int32_t& initResult) noexcept
{
    void* factory = loader.GetExport(ImageOrdinal(ENGINE_ORDINAL_FACTORY));
    if (factory == nullptr)
        return;
    reinterpret_cast<EngineFactoryFn>(factory)(&engine);
    if (engine == nullptr)
        return;
    initResult = engine->table->Init(engine, libFolder, backupFolder, ENGINE_PRODUCT_NAME);
    if (initResult != 0)
        scanner = engine->table->GetScanner(engine);
}

int32_t EngineHost::GetVersion(EngineDate* date) noexcept
{
    if (engine == nullptr)
        return 0;
    int32_t major = 0, minor = 0, unused = 0, build = 0;
    int32_t year = 0, month = 0, day = 0;
    engine->table->GetVersion(engine, &major, &minor, &unused, &build);
    engine->table->GetDatabaseDate(engine, &year, &month, &day);
    if (date != nullptr) {
        date->year = uint16_t(year);
        date->month = uint16_t(month);
        date->day = uint16_t(day);
    }
    return int32_t(((uint32_t(major) * 256u + uint32_t(minor)) << 16) + (uint32_t(build) & 0xFFFF));
}
