// The read gate of the calling thread: one per thread, so that only the scan worker's own reads
// are ever refused.
#include "ScanBridge.h"

namespace {

thread_local ReadGate* t_readGate = nullptr;

}  // namespace

void SetReadGate(ReadGate* gate) noexcept
{
    t_readGate = gate;
}

ReadGate* CurrentReadGate() noexcept
{
    return t_readGate;
}
