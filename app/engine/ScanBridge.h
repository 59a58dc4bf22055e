// ScanBridge: what the program (start-up, scan page, scan worker) uses to load the engine and
// scan files, and the prompt handler through which it asks the user about a finding.
#pragma once

#include <windows.h>

class EngineHost;
class ServiceContext;

// The scan page's question about one finding. Table order is fixed; the first slot is not used.
class PromptHandler {
public:
    virtual int32_t Reserved0() noexcept = 0;
    virtual int32_t AddRef() noexcept = 0;
    virtual int32_t Release() noexcept = 0;
    // Returns PROMPT_TREAT or PROMPT_LEAVE; may set *applyToAll to reuse the answer for the run.
    virtual int32_t Ask(const WCHAR* first, const WCHAR* second, int32_t* applyToAll) noexcept = 0;

protected:
    ~PromptHandler() = default;
};

constexpr int32_t PROMPT_TREAT = 0;
constexpr int32_t PROMPT_LEAVE = 3;

// ScanFile results.
constexpr int32_t SCAN_CLEAN = 0;
constexpr int32_t SCAN_FOUND_LEFT = 1;
constexpr int32_t SCAN_DELETED = 2;
constexpr int32_t SCAN_RENAMED = 3;
// The file could not be examined (unreadable, a name no form of which reaches the engine, or the
// engine faulted on it): neither clean nor infected.
constexpr int32_t SCAN_NOT_SCANNED = 4;

// Table order is fixed.
class ScanBridge {
public:
    virtual void Destroy(uint32_t flags) noexcept = 0;
    virtual int32_t AddRef() noexcept = 0;
    virtual int32_t Release() noexcept = 0;
    virtual ScanBridge* Acknowledge(int32_t value) noexcept = 0;
    virtual EngineHost* GetEngineHost() noexcept = 0;
    virtual ScanBridge* GetSelf() noexcept = 0;
    virtual int32_t LoadEngine(const WCHAR* libFolder, const WCHAR* backupFolder) noexcept = 0;
    virtual int32_t ApplyOptions() noexcept = 0;
    virtual int32_t BeginScan(PromptHandler* handler) noexcept = 0;
    virtual int32_t EndScan() noexcept = 0;
    virtual int32_t GetVirusAction() noexcept = 0;
    // nameOut holds MAX_PATH characters; it is written only when something was found.
    virtual int32_t ScanFile(const WCHAR* path, WCHAR* nameOut, int32_t forceTreat) noexcept = 0;

protected:
    ~ScanBridge() = default;
};

// Asked before every read of a file that the engine has open, on the thread that reads (the scan
// worker's, where the engine runs): true refuses the read, which then gives no bytes, so that the
// engine gives up the file at its next read. This is how a stop takes effect inside a large file.
class ReadGate {
public:
    virtual bool RefusesReads() noexcept = 0;

protected:
    ~ReadGate() = default;
};

// Installs the calling thread's gate (null removes it); reads on other threads are not asked.
void SetReadGate(ReadGate* gate) noexcept;
ReadGate* CurrentReadGate() noexcept;

// A new bridge (count 1) holding a reference on context, or null when memory is short.
ScanBridge* CreateScanBridge(ServiceContext* context) noexcept;

// The start-up step in which the engine faulted ("Init", "factory", ...), or null when it did not.
const char* GetEngineStartFault(ScanBridge* bridge) noexcept;

// The engine action code for a settings value or a prompt answer: 0 -> 2, 1 -> 3, 2 -> 1, else 0.
int32_t MapAction(int32_t value) noexcept;
