// The ScanBridge implementation, shared by the bridge operations and its ScanCallbacks side.
#pragma once

#include "EngineContract.h"
#include "OrvMobileEngCE.h"
#include "ScanBridge.h"

class ScanBridgeObject;

// The interface the engine's scanner calls; the owner pointer leads back to the bridge.
struct ScanCallbacksView {
    ::ScanCallbacks callbacks;
    ScanBridgeObject* owner;
};

class ScanBridgeObject final : public ScanBridge {
public:
    explicit ScanBridgeObject(ServiceContext* context, EngineHost* host) noexcept;

    void Destroy(uint32_t flags) noexcept override;
    int32_t AddRef() noexcept override { return ++refCount; }
    int32_t Release() noexcept override;
    ScanBridge* Acknowledge(int32_t) noexcept override { return this; }
    EngineHost* GetEngineHost() noexcept override { return host; }
    ScanBridge* GetSelf() noexcept override { return this; }
    int32_t LoadEngine(const WCHAR* libFolder, const WCHAR* backupFolder) noexcept override;
    int32_t ApplyOptions() noexcept override;
    int32_t BeginScan(PromptHandler* handler) noexcept override;
    int32_t EndScan() noexcept override;
    int32_t GetVirusAction() noexcept override { return options.virusAction; }
    int32_t ScanFile(const WCHAR* path, WCHAR* nameOut, int32_t forceTreat) noexcept override;

    // The ScanCallbacks operations (8-bit texts, as the engine gives them).
    int32_t AskAction(const char* first, const char* second, int32_t* action) noexcept;
    int32_t AcceptFile(const char* path) noexcept;
    int32_t HasScanFlags() noexcept;

private:
    void ConnectScanner() noexcept;
    bool ApplyToScanner(bool keepBackup, int32_t action) noexcept;
    void RestartEngine() noexcept;

    ScanCallbacksView callbacks;
    EngineScanner* scanner = nullptr;   // the host's, borrowed
    ServiceContext* context;            // one reference
    OptionSettings options = {};
    int32_t refCount = 1;
    PromptHandler* promptHandler = nullptr;   // one reference while a scan runs
    int32_t applyToAll = 0;
    int32_t rememberedAnswer = PROMPT_LEAVE;
    EngineHost* host;                   // owned
    // After a fault the engine is started anew from these folders; when that fails, the files that
    // remain are reported as not scanned rather than clean.
    WCHAR libFolder[MAX_PATH] = {};
    WCHAR backupFolder[MAX_PATH] = {};
};

// The callbacks table handed to the scanner.
extern const ScanCallbacksTable SCAN_CALLBACKS_TABLE;
