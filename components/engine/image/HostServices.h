// The host's services as the engine sees them: the three tables it got from its imports, with
// small helpers so that the rest of the engine does not spell out table calls.
#pragma once

#include "EngineContract.h"
#include "core/CoreMemory.h"

namespace orv {

struct HostServices {
    TrackedAllocator* allocator;
    FileSystemService* files;
    SystemService* system;
};

// A CoreAllocator that passes every request to the host's TrackedAllocator, so that whatever the
// engine leaves behind is freed when the host goes away.
CoreAllocator MakeCoreAllocator(TrackedAllocator* allocator);

inline void ReleaseFile(HostFile*& file)
{
    if (file)
        file->table->Release(file);
    file = nullptr;
}

// Reads until count bytes arrived or the file ends; returns the bytes read, or UINT32_MAX on a
// failed read.
uint32_t ReadFully(HostFile* file, uint8_t* buffer, uint32_t count);
bool SeekTo(HostFile* file, uint64_t position);

} // namespace orv
