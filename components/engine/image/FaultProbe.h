// The fault probe of the test build of the image (Lib-probe/Verdane.dll): a scanned file whose
// path holds "fault-probe" or "fault-outside", or a file "fault-init.probe" in the library folder,
// makes the engine fault there, so the host's containment can be seen end to end. The image the
// program ships is built without it and has no such path.
#pragma once

#include <stdint.h>

namespace orv {

#ifdef ORV_ENGINE_FAULT_PROBE
inline bool HasMarker(const char* text, const char* marker)
{
    for (; text && *text; ++text) {
        uint32_t i = 0;
        while (marker[i] && text[i] == marker[i])
            ++i;
        if (!marker[i])
            return true;
    }
    return false;
}

// A write through a wild pointer, as a damaged engine would make.
inline void ProbeFault(const char* text, const char* marker)
{
    if (!HasMarker(text, marker))
        return;
    volatile uintptr_t wild = 16;
    *reinterpret_cast<volatile int*>(wild) = 1;
}
#else
inline void ProbeFault(const char*, const char*) {}
#endif

} // namespace orv
