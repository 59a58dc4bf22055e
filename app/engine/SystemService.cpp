// SystemService: the table the engine calls for the time and for guarded calls.
#include "SystemService.h"

#include <cstring>
#include <windows.h>

#include "EngineMemory.h"
#include "GuardedCall.h"

namespace orv {
namespace {

SystemService* Self(::SystemService* self) { return static_cast<SystemService*>(self); }

::SystemService* ENGINE_CALL TableSelf(::SystemService* self) noexcept { return self; }
int32_t ENGINE_CALL TableQueryLocalTime(::SystemService* self, EngineDate* date) noexcept
{
    return Self(self)->QueryLocalTime(date);
}
int32_t ENGINE_CALL TableNone(::SystemService*) noexcept { return 0; }
int32_t ENGINE_CALL TableRunGuarded(::SystemService* self, GuardedFunction function, void* argument) noexcept
{
    return Self(self)->RunGuarded(function, argument);
}

const SystemServiceTable SYSTEM_TABLE = {
    TableSelf, TableSelf, TableQueryLocalTime, TableNone, TableRunGuarded, TableSelf,
    TableNone, TableSelf, TableSelf, TableNone, TableNone,
};

static_assert(sizeof(SYSTEMTIME) == sizeof(EngineDate), "the engine's date is the platform's record");

}  // namespace

SystemService::SystemService() noexcept
{
    table = &SYSTEM_TABLE;
}

int32_t SystemService::QueryLocalTime(EngineDate* date) noexcept
{
    if (date == nullptr)
        return 0;
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    return WriteEngineMemory(date, &now, sizeof(now)) ? 1 : 0;
}

int32_t SystemService::RunGuarded(GuardedFunction function, void* argument) noexcept
{
    if (!CallGuarded(function, argument))
        faulted.store(true);
    return 0;
}

}  // namespace orv
