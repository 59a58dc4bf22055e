// EngineContext: the global object behind the engine's import callbacks.
#include "EngineContext.h"

#include <new>

#include "EngineHost.h"
#include "OrvMobileEngCE.h"

namespace {

class EngineContextObject final : public EngineContext {
public:
    void Destroy(uint32_t flags) noexcept override;
    int32_t AddRef() noexcept override { return ++refCount; }
    int32_t Release() noexcept override;
    EngineContext* Init(int32_t) noexcept override { return this; }
    ::FileSystemService* GetFileSystem() noexcept override { return host ? host->GetFileSystem() : nullptr; }
    ::TrackedAllocator* GetAllocator() noexcept override { return host ? host->GetAllocator() : nullptr; }
    ::SystemService* GetSystem() noexcept override { return host ? host->GetSystem() : nullptr; }
    int32_t GetValue() noexcept override { return value; }
    void SetHost(EngineHost* newHost) noexcept override { host = newHost; }
    void SetValue(int32_t newValue) noexcept override { value = newValue; }
    void SetLog(LogWriter* newLog) noexcept override;
    void LogMessage(const WCHAR* text) noexcept override;

private:
    int32_t refCount = 1;
    EngineHost* host = nullptr;   // not owned; the host clears it when it goes
    int32_t value = 0;
    LogWriter* log = nullptr;     // one reference held
};

EngineContext* globalContext = nullptr;

void EngineContextObject::Destroy(uint32_t flags) noexcept
{
    if (log != nullptr)
        log->Release();
    log = nullptr;
    // The callbacks must not find a context that is gone.
    if (globalContext == this)
        globalContext = nullptr;
    if (flags & 1)
        delete this;
}

int32_t EngineContextObject::Release() noexcept
{
    int32_t count = --refCount;
    if (count == 0)
        Destroy(1);
    return count;
}

void EngineContextObject::SetLog(LogWriter* newLog) noexcept
{
    if (newLog != nullptr)
        newLog->AddRef();
    if (log != nullptr)
        log->Release();
    log = newLog;
}

void EngineContextObject::LogMessage(const WCHAR* text) noexcept
{
    if (log != nullptr)
        log->Write(text, nullptr);
}

}  // namespace

EngineContext* CreateEngineContext() noexcept
{
    EngineContext* context = new (std::nothrow) EngineContextObject();
    if (context != nullptr)
        globalContext = context;
    return context;
}

EngineContext* GetEngineContext() noexcept
{
    return globalContext;
}

::FileSystemService* ENGINE_CALL FileSystemCallback() noexcept
{
    return globalContext ? globalContext->GetFileSystem() : nullptr;
}

::TrackedAllocator* ENGINE_CALL AllocatorCallback() noexcept
{
    return globalContext ? globalContext->GetAllocator() : nullptr;
}

::SystemService* ENGINE_CALL SystemCallback() noexcept
{
    return globalContext ? globalContext->GetSystem() : nullptr;
}
