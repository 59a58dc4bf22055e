// TextSlot: the hand-over of texts from the scan worker to the dialog's timer.
#include "TextSlot.h"

#include <new>

TextSlot::TextSlot(int32_t maxChars, int32_t growChars) noexcept
    : maxChars(maxChars), growChars(growChars > 0 ? growChars : 1024)
{
    InitializeCriticalSection(&lock);
}

TextSlot::~TextSlot()
{
    delete[] text;
    DeleteCriticalSection(&lock);
}

// Makes room for chars characters plus the terminator, keeping what is there.
bool TextSlot::Reserve(int32_t chars) noexcept
{
    if (chars < capacity)
        return true;
    int32_t newCapacity = capacity;
    while (newCapacity <= chars)
        newCapacity += growChars;
    WCHAR* bigger = new (std::nothrow) WCHAR[newCapacity];
    if (!bigger)
        return false;
    for (int32_t i = 0; i < length; ++i)
        bigger[i] = text[i];
    bigger[length] = 0;
    delete[] text;
    text = bigger;
    capacity = newCapacity;
    return true;
}

bool TextSlot::Set(const WCHAR* newText) noexcept
{
    int32_t len = lstrlenW(newText);
    if (maxChars > 0 && len > maxChars)
        len = maxChars;
    EnterCriticalSection(&lock);
    length = 0;
    bool ok = Reserve(len);
    if (ok) {
        for (int32_t i = 0; i < len; ++i)
            text[i] = newText[i];
        length = len;
        text[length] = 0;
    }
    LeaveCriticalSection(&lock);
    return ok;
}

bool TextSlot::Append(const WCHAR* more, const WCHAR* suffix) noexcept
{
    int32_t moreLen = lstrlenW(more);
    int32_t suffixLen = lstrlenW(suffix);
    EnterCriticalSection(&lock);
    int32_t total = length + moreLen + suffixLen;
    bool ok = (maxChars <= 0 || total <= maxChars) && Reserve(total);
    if (ok) {
        for (int32_t i = 0; i < moreLen; ++i)
            text[length++] = more[i];
        for (int32_t i = 0; i < suffixLen; ++i)
            text[length++] = suffix[i];
        text[length] = 0;
    }
    LeaveCriticalSection(&lock);
    return ok;
}

WCHAR* TextSlot::Take() noexcept
{
    EnterCriticalSection(&lock);
    WCHAR* taken = length > 0 ? text : nullptr;
    if (taken) {
        text = nullptr;
        length = 0;
        capacity = 0;
    }
    LeaveCriticalSection(&lock);
    return taken;
}

bool TextSlot::IsEmpty() noexcept
{
    EnterCriticalSection(&lock);
    bool empty = length == 0;
    LeaveCriticalSection(&lock);
    return empty;
}
