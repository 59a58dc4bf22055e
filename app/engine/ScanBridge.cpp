// ScanBridge: engine loading, options, scan runs and the mapping of the engine's results.
#include "ScanBridgeObject.h"

#include <cstring>
#include <new>

#include "EngineHost.h"
#include "EnginePaths.h"
#include "TextHelpers.h"

namespace {

constexpr uint32_t FLAG_KEEP_BACKUP = 0x100;

int32_t MapResult(int32_t code)
{
    switch (code & 0xFF) {
    case ENGINE_RESULT_DELETED:
    case ENGINE_RESULT_DELETED_BACKUP:
        return SCAN_DELETED;
    case ENGINE_RESULT_RENAMED:
    case ENGINE_RESULT_RENAMED_BACKUP:
        return SCAN_RENAMED;
    default:
        return SCAN_FOUND_LEFT;
    }
}

// The engine's name is copied with a bound on both sides: at most MAX_PATH - 1 bytes of it are
// looked at, and the result always ends inside nameOut.
void CopyVirusName(const char* name, WCHAR* nameOut)
{
    nameOut[0] = 0;
    if (name == nullptr)
        return;
    size_t length = strnlen(name, MAX_PATH - 1);
    int written = MultiByteToWideChar(CP_ACP, 0, name, int(length), nameOut, MAX_PATH - 1);
    nameOut[written > 0 ? written : 0] = 0;
}

}  // namespace

int32_t MapAction(int32_t value) noexcept
{
    switch (value) {
    case 0:
        return ENGINE_ACTION_DELETE;
    case 1:
        return ENGINE_ACTION_RENAME;
    case 2:
        return ENGINE_ACTION_ASK;
    default:
        return ENGINE_ACTION_LEAVE;
    }
}

ScanBridge* CreateScanBridge(ServiceContext* context) noexcept
{
    EngineHost* host = new (std::nothrow) EngineHost();
    if (host == nullptr)
        return nullptr;
    ScanBridgeObject* bridge = new (std::nothrow) ScanBridgeObject(context, host);
    if (bridge == nullptr)
        host->Delete();
    return bridge;
}

ScanBridgeObject::ScanBridgeObject(ServiceContext* context, EngineHost* host) noexcept
    : context(context), host(host)
{
    callbacks.callbacks.table = &SCAN_CALLBACKS_TABLE;
    callbacks.owner = this;
    // Zeros, not the defaults: until a scan takes the context's options the engine acts on none.
    InitSettingsRecords(&options, nullptr, false);
    if (context != nullptr)
        context->AddRef();
}

void ScanBridgeObject::Destroy(uint32_t flags) noexcept
{
    if (promptHandler != nullptr)
        promptHandler->Release();
    promptHandler = nullptr;
    if (context != nullptr)
        context->Release();
    context = nullptr;
    scanner = nullptr;
    if (host != nullptr)
        host->Delete();
    host = nullptr;
    if (flags & 1)
        delete this;
}

int32_t ScanBridgeObject::Release() noexcept
{
    int32_t count = --refCount;
    if (count == 0)
        Destroy(1);
    return count;
}

int32_t ScanBridgeObject::LoadEngine(const WCHAR* libFolder, const WCHAR* backupFolder) noexcept
{
    if (host == nullptr || !host->LoadEngine(libFolder, backupFolder))
        return 0;
    scanner = host->GetScanner();
    if (scanner == nullptr)
        return 0;
    scanner->table->SetCallbacks(scanner, &callbacks.callbacks);
    if (context != nullptr) {
        EngineDate date = {};
        int32_t version = host->GetVersion(&date);
        context->SetEngineInfo(version, &date);
    }
    return 1;
}

int32_t ScanBridgeObject::ApplyOptions() noexcept
{
    int32_t action = ENGINE_ACTION_LEAVE;
    bool keepBackup = true;
    if (context != nullptr) {
        context->GetSettings(SETTINGS_OPTIONS, &options);
        action = MapAction(options.virusAction);
        keepBackup = (options.flag & FLAG_KEEP_BACKUP) != 0;
    }
    if (scanner != nullptr) {
        scanner->table->SetOption(scanner, keepBackup ? 1 : 0);
        scanner->table->Reset(scanner);
        scanner->table->SetAction(scanner, 0, action);
    }
    return 0;
}

// A second BeginScan without EndScan gives back the handler it replaces, so no reference leaks.
int32_t ScanBridgeObject::BeginScan(PromptHandler* handler) noexcept
{
    if (handler != nullptr)
        handler->AddRef();
    if (promptHandler != nullptr)
        promptHandler->Release();
    promptHandler = handler;
    applyToAll = 0;
    ApplyOptions();
    return 0;
}

int32_t ScanBridgeObject::EndScan() noexcept
{
    if (promptHandler != nullptr)
        promptHandler->Release();
    promptHandler = nullptr;
    return 0;
}

int32_t ScanBridgeObject::ScanFile(const WCHAR* path, WCHAR* nameOut, int32_t forceTreat) noexcept
{
    char ansiPath[MAX_PATH];
    // A path the engine cannot be given whole is not scanned: a cut path names another file.
    if (scanner == nullptr || !PathToAnsi(path, ansiPath))
        return SCAN_CLEAN;
    if (forceTreat & 0xFF) {
        scanner->table->Reset(scanner);
        scanner->table->SetAction(scanner, 0, ENGINE_ACTION_DELETE);
    }
    int32_t code = scanner->table->ScanFile(scanner, ansiPath);
    if (code == 0)
        return SCAN_CLEAN;
    if (nameOut != nullptr)
        CopyVirusName(scanner->table->GetVirusName(scanner), nameOut);
    return MapResult(code);
}
