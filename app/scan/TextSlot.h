// TextSlot: text that the scan worker publishes and the dialog's timer takes, under a short lock.
#pragma once

#include <windows.h>

// One thread writes (Set, Append), another takes (Take). The lock is held only while characters
// are copied or a buffer is handed over, never while a window is touched.
class TextSlot {
public:
    // maxChars > 0 caps the text (terminator excluded) and Set cuts longer texts to it; 0 lets
    // Append grow the buffer in steps of growChars.
    TextSlot(int32_t maxChars, int32_t growChars) noexcept;
    ~TextSlot();
    TextSlot(const TextSlot&) = delete;
    TextSlot& operator=(const TextSlot&) = delete;

    // Replaces the text. False when no buffer could be had.
    bool Set(const WCHAR* text) noexcept;
    // Adds text and then suffix (may be null). False, with nothing added, when the buffer could not
    // grow.
    bool Append(const WCHAR* text, const WCHAR* suffix) noexcept;
    // The text so far, handed to the caller (delete[]), leaving the slot empty; null when empty.
    WCHAR* Take() noexcept;
    bool IsEmpty() noexcept;

private:
    bool Reserve(int32_t chars) noexcept;

    CRITICAL_SECTION lock;
    WCHAR* text = nullptr;     // guarded by lock
    int32_t length = 0;        // guarded by lock
    int32_t capacity = 0;      // guarded by lock; characters, terminator included
    const int32_t maxChars;
    const int32_t growChars;
};
