// The pool of virus names.
#include "NamePool.h"

namespace orv {

uint32_t NamePool::Add(TextSpan name)
{
    if (name.size == 0)
        return UINT32_MAX;
    uint32_t length = name.size < MAX_NAME_LENGTH ? name.size : MAX_NAME_LENGTH;
    uint32_t offset = bytes.Count();
    char* copy = bytes.Grow(length + 1);
    if (!copy)
        return UINT32_MAX;
    memcpy(copy, name.text, length);
    return offset;
}

} // namespace orv
