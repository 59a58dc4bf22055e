// NullService and NullObject: kept for the program's start-up protocol; they do nothing.
#include "NullObjects.h"

int32_t NullServiceImpl::Release() noexcept
{
    int32_t count = --refCount;
    if (count == 0)
        Free();
    return count;
}

int32_t NullServiceImpl::Free() noexcept
{
    Destroy(1);
    return 0;
}

void NullServiceImpl::Destroy(uint32_t flags) noexcept
{
    if (flags & 1)
        delete this;
}

void NullObjectImpl::Destroy(uint32_t flags) noexcept
{
    if (flags & 1)
        delete this;
}
