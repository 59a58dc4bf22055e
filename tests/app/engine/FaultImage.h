// FaultImage: a tiny x86-64 image mapped by the real loader whose functions fault in the ways a
// damaged engine does, so that the guard meets faults of engine code and of host code alike.
#pragma once

#include <memory>

#include "EngineContract.h"
#include "ImageLoader.h"
#include "MemoryFileSystem.h"
#include "PeBuilder.h"
#include "TrackedAllocator.h"

enum class FaultKind {
    Count,             // ++*(int*)argument, no fault
    NullWrite,         // a store to address 0x10
    IllegalInstruction,
    DivideByZero,
    StackOverflow,     // calls itself until the stack runs out
    CallThroughNull,   // calls address 0
    CallHost,          // calls the host function whose address *(void**)argument holds
};

class FaultImage {
public:
    FaultImage();
    // The function of that kind inside the mapped image (engine calling convention).
    GuardedFunction Function(FaultKind kind) const;
    const ImageLoader& Loader() const { return *loader; }

private:
    Bytes file;
    orv::TrackedAllocator allocator;
    std::unique_ptr<MemoryFileSystem> files;
    std::unique_ptr<ImageLoader> loader;
};
