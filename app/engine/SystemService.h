// SystemService: local time and guarded calls for the engine.
#pragma once

#include "EngineContract.h"

namespace orv {

// The engine sees only the table word of the contract (::SystemService); no state of its own.
class SystemService final : public ::SystemService {
public:
    SystemService() noexcept;

    int32_t QueryLocalTime(EngineDate* date) noexcept;
    // Calls function(argument); a fault inside it ends the call and the process goes on. Always 0.
    int32_t RunGuarded(GuardedFunction function, void* argument) noexcept;
};

}  // namespace orv
