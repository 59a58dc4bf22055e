// EngineHost: owns the services handed to the engine, the mapped engine image, the engine object
// and its scanner; its destruction takes them down in a fixed order. Every call into the engine
// runs under the fault guard: an engine that faults is not used again.
#pragma once

#include <windows.h>

#include "EngineContract.h"
#include "FileSystemService.h"
#include "GuardedCall.h"
#include "ImageLoader.h"
#include "SystemService.h"
#include "TrackedAllocator.h"

// Table order is fixed.
class EngineHost final {
public:
    EngineHost() noexcept;

    virtual void Destroy(uint32_t flags) noexcept;
    virtual int32_t Delete() noexcept;
    virtual int32_t LoadEngine(const WCHAR* libFolder, const WCHAR* backupFolder) noexcept;
    // Null once the engine faulted: its state can no longer be trusted.
    virtual EngineScanner* GetScanner() noexcept { return broken ? nullptr : scanner; }
    virtual int32_t GetVersion(EngineDate* date) noexcept;
    virtual EngineHost* GetSelf(int32_t) noexcept { return this; }
    virtual ::FileSystemService* GetFileSystem() noexcept { return &fileSystem; }
    virtual ::TrackedAllocator* GetAllocator() noexcept { return &allocator; }
    virtual ::SystemService* GetSystem() noexcept { return &system; }

    // Runs body (a call into the engine) under the guard; false when a fault of engine code ended
    // it. step names the start-up step for the log ("Init", ...). body must own nothing that
    // needs destroying, and no lock may be held across it.
    template <class Body>
    bool CallEngine(Body& body, const char* step = nullptr) noexcept
    {
        if (RunEngineGuarded(body))
            return true;
        NoteFault(step);
        return false;
    }
    // Whether the engine faulted, in a call of ours or in a guarded call of its own, since the
    // last time this was asked. Such an engine is broken for good.
    bool TakeFault() noexcept;
    bool IsBroken() const { return broken; }
    // The start-up step that faulted, or null.
    const char* GetStartFault() const { return startFault; }

    // Whether an engine object was made (tests and the about page's callers look at this).
    Engine* GetEngine() const { return engine; }
    const ImageLoader& GetLoader() const { return loader; }

private:
    ~EngineHost() = default;   // through Destroy(1) / Delete only
    bool MapImage(char* libFolder) noexcept;
    void StartEngine(const char* libFolder, const char* backupFolder, int32_t& initResult) noexcept;
    void StopEngine() noexcept;
    void NoteFault(const char* step) noexcept;
    bool FaultedIn(const char* step) noexcept;

    orv::TrackedAllocator allocator;
    orv::FileSystemService fileSystem;
    orv::SystemService system;
    ImageLoader loader;
    Engine* engine = nullptr;
    EngineScanner* scanner = nullptr;
    bool broken = false;
    bool faultPending = false;
    const char* startFault = nullptr;
};
