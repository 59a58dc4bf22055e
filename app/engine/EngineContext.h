// EngineContext: the one application-wide object through which the engine image's import
// callbacks find the engine host that loaded it; it also keeps the program's log.
#pragma once

#include <windows.h>

#include "EngineContract.h"

class EngineHost;
class LogWriter;

// Table order is fixed.
class EngineContext {
public:
    virtual void Destroy(uint32_t flags) noexcept = 0;
    virtual int32_t AddRef() noexcept = 0;
    virtual int32_t Release() noexcept = 0;
    virtual EngineContext* Init(int32_t value) noexcept = 0;
    virtual ::FileSystemService* GetFileSystem() noexcept = 0;
    virtual ::TrackedAllocator* GetAllocator() noexcept = 0;
    virtual ::SystemService* GetSystem() noexcept = 0;
    virtual int32_t GetValue() noexcept = 0;
    virtual void SetHost(EngineHost* host) noexcept = 0;
    virtual void SetValue(int32_t value) noexcept = 0;
    virtual void SetLog(LogWriter* log) noexcept = 0;
    virtual void LogMessage(const WCHAR* text) noexcept = 0;

protected:
    ~EngineContext() = default;
};

// A new context (count 1), which also becomes the global one; null when memory is short.
EngineContext* CreateEngineContext() noexcept;

// The global context, or null when none exists (it is cleared when that context is destroyed).
EngineContext* GetEngineContext() noexcept;

// The engine image's imports of "Verlink.dll" ordinals 10, 11 and 12: the services of the host
// registered in the global context, or null when there is none.
::FileSystemService* ENGINE_CALL FileSystemCallback() noexcept;
::TrackedAllocator* ENGINE_CALL AllocatorCallback() noexcept;
::SystemService* ENGINE_CALL SystemCallback() noexcept;
