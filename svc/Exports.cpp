// The library's six exported factories, ordinals 1 to 6.
#include <new>

#include "BackupStoreImpl.h"
#include "LogWriterImpl.h"
#include "NullObjects.h"
#include "ServiceContextImpl.h"
#include "SettingsStoreImpl.h"

namespace {

constexpr int32_t INIT_SUCCEEDED = 0;

// Every factory: allocate and construct; a failed initialising call destroys and frees the
// half-made object, so the caller sees only a ready object or null.
template <typename Object, typename Initialise>
Object* Make(Initialise initialise) noexcept
{
    Object* object = new (std::nothrow) Object();
    if (object == nullptr)
        return nullptr;
    if (initialise(object) != INIT_SUCCEEDED) {
        object->Destroy(1);
        return nullptr;
    }
    return object;
}

}  // namespace

ORV_SERVICE_EXPORT ServiceContext* CreateServiceContext()
{
    // The constructor takes the caller's reference; there is nothing to initialise.
    return new (std::nothrow) ServiceContextImpl();
}

ORV_SERVICE_EXPORT LogWriter* CreateLogWriter(ServiceContext* context, const WCHAR* logPath)
{
    return Make<LogWriterImpl>([&](LogWriterImpl* log) { return log->Init(context, logPath); });
}

ORV_SERVICE_EXPORT BackupStore* CreateBackupStore(ServiceContext* context)
{
    return Make<BackupStoreImpl>([&](BackupStoreImpl* store) { return store->Init(context); });
}

ORV_SERVICE_EXPORT SettingsStore* CreateSettingsStore(ServiceContext* context)
{
    return Make<SettingsStoreImpl>([&](SettingsStoreImpl* store) { return store->Init(context); });
}

ORV_SERVICE_EXPORT NullService* CreateNullService(ServiceContext* context)
{
    return Make<NullServiceImpl>([](NullServiceImpl* service) { return service->Init(); });
}

ORV_SERVICE_EXPORT NullObject* CreateNullObject(int32_t value)
{
    return Make<NullObjectImpl>([](NullObjectImpl* object) { return object->Init(); });
}
