// A call that survives a hardware fault of the called function (segmentation fault, bus error,
// illegal instruction, arithmetic fault): the platform's stand-in for a structured-exception guard.
#pragma once

#include "EngineContract.h"

// Calls function(argument); true when it returned, false when a fault ended it. A fault on a
// thread outside any guarded call still takes the process down as it would without us.
bool CallGuarded(GuardedFunction function, void* argument) noexcept;
