// Reading the log's display text: the writer gives the size to ask for, then the text.
#include "LogText.h"

#include <OrvMobileEngCE.h>

#include <new>

WCHAR* ReadLogText(LogWriter* logWriter)
{
    if (!logWriter)
        return nullptr;
    const int32_t needed = logWriter->Read(nullptr, 0);
    if (needed <= 0)
        return nullptr;
    const size_t bytes = size_t(needed);
    const size_t chars = bytes / 2 + 2;
    WCHAR* text = new (std::nothrow) WCHAR[chars];
    if (!text)
        return nullptr;
    // The reply says how many bytes were placed; one that claims more than the buffer was given
    // (or less than nothing) is held to what the buffer can hold.
    int32_t got = logWriter->Read(text, uint32_t(bytes));
    if (got < 0)
        got = 0;
    const size_t end = size_t(got) > bytes ? bytes / 2 : size_t(got) / 2;
    text[end] = 0;
    return text;
}
