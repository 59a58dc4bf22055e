// ScanBridge: engine loading, options, scan runs and the mapping of the engine's results.
#include "ScanBridgeObject.h"

#include <cstring>
#include <new>

#include "EngineHost.h"
#include "EngineMemory.h"
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
// looked at, through the kernel (a broken engine may hand out any pointer), and the result always
// ends inside nameOut.
void CopyVirusName(const char* engineName, WCHAR* nameOut)
{
    nameOut[0] = 0;
    char name[MAX_PATH];
    CopyEngineText(engineName, name, sizeof name);
    size_t length = std::strlen(name);
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

int32_t ScanBridgeObject::LoadEngine(const WCHAR* lib, const WCHAR* backup) noexcept
{
    if (lib != nullptr)
        lstrcpynW(libFolder, lib, MAX_PATH);
    if (backup != nullptr)
        lstrcpynW(backupFolder, backup, MAX_PATH);
    if (host == nullptr || !host->LoadEngine(lib, backup))
        return 0;
    ConnectScanner();
    if (scanner == nullptr)
        return 0;
    if (context != nullptr) {
        EngineDate date = {};
        int32_t version = host->GetVersion(&date);
        // A fault while the version was asked leaves the program as without an engine.
        if (host->IsBroken()) {
            scanner = nullptr;
            return 0;
        }
        context->SetEngineInfo(version, &date);
    }
    return 1;
}

const char* GetEngineStartFault(ScanBridge* bridge) noexcept
{
    EngineHost* host = bridge != nullptr ? bridge->GetEngineHost() : nullptr;
    return host != nullptr ? host->GetStartFault() : nullptr;
}

void ScanBridgeObject::ConnectScanner() noexcept
{
    scanner = host->GetScanner();
    if (scanner == nullptr)
        return;
    EngineScanner* target = scanner;
    ::ScanCallbacks* table = &callbacks.callbacks;
    auto connect = [target, table] { target->table->SetCallbacks(target, table); };
    if (!host->CallEngine(connect, "SetCallbacks"))
        scanner = nullptr;
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
    if (!ApplyToScanner(keepBackup, action))
        RestartEngine();
    return 0;
}

bool ScanBridgeObject::ApplyToScanner(bool keepBackup, int32_t action) noexcept
{
    if (scanner == nullptr)
        return true;
    EngineScanner* target = scanner;
    auto apply = [target, keepBackup, action] {
        target->table->SetOption(target, keepBackup ? 1 : 0);
        target->table->Reset(target);
        target->table->SetAction(target, 0, action);
    };
    return host->CallEngine(apply) && !host->TakeFault();
}

// The faulted engine's state may be damaged anywhere: it is taken down whole (its memory goes
// with its host) and a new one is started from the same folders, with the run's options.
void ScanBridgeObject::RestartEngine() noexcept
{
    scanner = nullptr;
    if (host != nullptr)
        host->Delete();
    host = new (std::nothrow) EngineHost();
    if (host != nullptr && host->LoadEngine(libFolder, backupFolder))
        ConnectScanner();
    if (scanner != nullptr) {
        int32_t action = MapAction(context != nullptr ? options.virusAction : -1);
        // An engine that faults again at once is given up for the rest of the program's life.
        if (!ApplyToScanner(context == nullptr || (options.flag & FLAG_KEEP_BACKUP) != 0, action))
            scanner = nullptr;
    }
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
    // Without an engine (none installed, one that failed to start, or one lost to a fault) the
    // files go unexamined, which is not the same as clean: the run finds nothing and says so.
    if (scanner == nullptr)
        return SCAN_NOT_SCANNED;
    char enginePath[MAX_PATH];
    // The engine gets the file's exact name or an alias of it; a path with neither is not scanned.
    if (!PathToAnsi(path, enginePath))
        return SCAN_NOT_SCANNED;
    EngineScanner* target = scanner;
    bool force = (forceTreat & 0xFF) != 0;
    int32_t code = 0;
    const char* name = nullptr;
    auto scan = [target, force, &enginePath, &code, &name] {
        if (force) {
            target->table->Reset(target);
            target->table->SetAction(target, 0, ENGINE_ACTION_DELETE);
        }
        code = target->table->ScanFile(target, enginePath);
        if (code != 0)
            name = target->table->GetVirusName(target);
    };
    if (!host->CallEngine(scan) || host->TakeFault()) {
        RestartEngine();
        return SCAN_NOT_SCANNED;
    }
    if (code == 0)
        return SCAN_CLEAN;
    if ((code & 0xFF) == ENGINE_RESULT_NOT_SCANNED)
        return SCAN_NOT_SCANNED;
    if (nameOut != nullptr)
        CopyVirusName(name, nameOut);
    return MapResult(code);
}
