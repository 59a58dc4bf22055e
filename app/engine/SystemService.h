// SystemService: local time and guarded calls for the engine.
#pragma once

#include <atomic>

#include "EngineContract.h"

namespace orv {

// The engine sees only the table word of the contract (::SystemService); no state of its own.
class SystemService final : public ::SystemService {
public:
    SystemService() noexcept;

    int32_t QueryLocalTime(EngineDate* date) noexcept;
    // Calls function(argument); a fault of engine code inside it ends the call and the process
    // goes on. Always 0, as the engine expects; the host learns of the fault through TakeFault.
    int32_t RunGuarded(GuardedFunction function, void* argument) noexcept;

    // Whether a guarded call faulted since the last time this was asked.
    bool TakeFault() noexcept { return faulted.exchange(false); }

private:
    std::atomic<bool> faulted { false };   // set by the engine's thread, taken by the host's
};

}  // namespace orv
