// A call that survives a hardware fault of engine code (segmentation fault, bus error, illegal
// instruction, arithmetic fault): the platform's stand-in for a structured-exception guard.
#pragma once

#include <cstddef>

#include "EngineContract.h"

// Calls function(argument); true when it returned, false when a fault of engine code ended it.
// Only a fault whose instruction lies in registered engine code (or that engine code caused by
// jumping through a bad pointer) is caught: any other fault is a host bug and takes the process
// down with the action it would have had without us.
bool CallGuarded(GuardedFunction function, void* argument) noexcept;

// The same guard for host code that calls into the engine through its tables.
bool CallGuardedHost(void (*call)(void*), void* context) noexcept;

// Runs body() under the guard; body must hold nothing that needs destroying, since a fault
// leaves its frame without unwinding.
template <class Body>
bool RunEngineGuarded(Body& body) noexcept
{
    return CallGuardedHost([](void* context) { (*static_cast<Body*>(context))(); }, &body);
}

// Marks [begin, begin + bytes) as engine code; the slot to give back, or -1 when all are taken
// (faults there are then not caught).
int RegisterEngineCode(const void* begin, size_t bytes) noexcept;
void UnregisterEngineCode(int slot) noexcept;
