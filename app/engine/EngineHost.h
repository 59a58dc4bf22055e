// EngineHost: owns the services handed to the engine, the mapped engine image, the engine object
// and its scanner; its destruction takes them down in a fixed order.
#pragma once

#include <windows.h>

#include "EngineContract.h"
#include "FileSystemService.h"
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
    virtual EngineScanner* GetScanner() noexcept { return scanner; }
    virtual int32_t GetVersion(EngineDate* date) noexcept;
    virtual EngineHost* GetSelf(int32_t) noexcept { return this; }
    virtual ::FileSystemService* GetFileSystem() noexcept { return &fileSystem; }
    virtual ::TrackedAllocator* GetAllocator() noexcept { return &allocator; }
    virtual ::SystemService* GetSystem() noexcept { return &system; }

    // Whether an engine object was made (tests and the about page's callers look at this).
    Engine* GetEngine() const { return engine; }
    const ImageLoader& GetLoader() const { return loader; }

private:
    ~EngineHost() = default;   // through Destroy(1) / Delete only
    void StartEngine(const char* libFolder, const char* backupFolder, int32_t& initResult) noexcept;

    orv::TrackedAllocator allocator;
    orv::FileSystemService fileSystem;
    orv::SystemService system;
    ImageLoader loader;
    Engine* engine = nullptr;
    EngineScanner* scanner = nullptr;
};
