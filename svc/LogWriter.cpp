// LogWriter: opening the log, assembling and appending entries, and closing it.
#include "LogWriterImpl.h"

#include <cstring>
#include <new>

#include "LockedList.h"
#include "common/DiskFile.h"

namespace {

constexpr size_t LOG_BUFFER_STEP = 4096;    // the entry buffer starts at and grows by this many characters
constexpr size_t LOG_MIN_FREE = 512;        // less room than this and the buffer grows before an entry


size_t TextChars(const WCHAR* text)
{
    size_t length = 0;
    while (text[length])
        ++length;
    return length;
}

}  // namespace

LogWriterImpl::LogWriterImpl() noexcept
{
    InitializeCriticalSection(&lock);
    buffer = new (std::nothrow) WCHAR[LOG_BUFFER_STEP];
    capacity = buffer ? LOG_BUFFER_STEP : 0;
}

int32_t LogWriterImpl::AddRef() noexcept
{
    return ++refCount;
}

int32_t LogWriterImpl::Release() noexcept
{
    int32_t count = --refCount;
    if (count == 0)
        Free();
    return count;
}

int32_t LogWriterImpl::Free() noexcept
{
    Destroy(1);
    return 0;
}

int32_t LogWriterImpl::Write(const WCHAR* text, const WCHAR* detail) noexcept
{
    SectionLock guard(lock);
    WriteEntry(text, detail);
    return 0;
}

// Each entry reaches the file before Write returns, so the log survives a crash up to its last entry.
void LogWriterImpl::WriteEntry(const WCHAR* text, const WCHAR* detail) noexcept
{
    if (!file)
        return;
    if (text || detail) {
        size_t start = used;
        bool added = true;
        if (text == LOG_RUN_SEPARATOR)
            added = AppendText(u"\r\n====", 6);
        else if (text && text[0])
            added = AppendDated(text, detail);
        // A null or empty text makes an empty line; the detail goes with the text or not at all.
        if (!added || !AppendText(u"\r\n", 2))
            used = start;   // the whole entry is dropped, not half of it
    }
    Flush();
}

// The buffer keeps at least LOG_MIN_FREE characters free, and grows further for an entry longer
// than that rather than cutting it. When memory is short the entry is dropped.
bool LogWriterImpl::MakeRoom(size_t chars) noexcept
{
    size_t wanted = chars + 1 > LOG_MIN_FREE ? chars + 1 : LOG_MIN_FREE;
    if (capacity - used >= wanted)
        return true;
    size_t steps = (used + wanted - capacity + LOG_BUFFER_STEP - 1) / LOG_BUFFER_STEP;
    size_t grown = capacity + steps * LOG_BUFFER_STEP;
    WCHAR* bigger = new (std::nothrow) WCHAR[grown];
    if (!bigger)
        return false;
    if (used)
        std::memcpy(bigger, buffer, used * sizeof(WCHAR));
    delete[] buffer;
    buffer = bigger;
    capacity = grown;
    return true;
}

bool LogWriterImpl::AppendText(const WCHAR* text, size_t length) noexcept
{
    if (!MakeRoom(length))
        return false;
    std::memcpy(buffer + used, text, length * sizeof(WCHAR));
    used += length;
    buffer[used] = 0;
    return true;
}

// "%d.%d.%d %d:%d %s", then " %s" with the detail: the text and detail are appended directly, as
// wsprintfW would stop a long path at 1024 characters.
bool LogWriterImpl::AppendDated(const WCHAR* text, const WCHAR* detail) noexcept
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    WCHAR stamp[64];
    int stampLength = wsprintfW(stamp, u"%d.%d.%d %d:%d ", now.wYear, now.wMonth, now.wDay, now.wHour,
                                now.wMinute);
    bool added = AppendText(stamp, size_t(stampLength > 0 ? stampLength : 0)) && AppendText(text, TextChars(text));
    if (added && detail)
        added = AppendText(u" ", 1) && AppendText(detail, TextChars(detail));
    return added;
}

// One seek and one write per entry. A write cut short (a full store) is cut off again, so the log
// never ends in half an entry.
void LogWriterImpl::Flush() noexcept
{
    if (used == 0 || !file)
        return;
    uint32_t bytes = uint32_t(used * sizeof(WCHAR));
    used = 0;
    int64_t end = file->Seek(0, 0, FILE_END);
    if (end < 0)
        return;
    if (file->Write(buffer, bytes) != int32_t(bytes) && end <= INT32_MAX)
        file->SetSize(int32_t(end));
}

int32_t LogWriterImpl::Init(ServiceContext* owner, const WCHAR* path) noexcept
{
    SectionLock guard(lock);
    context = owner;
    if (context) {
        context->AddRef();
        file = context->OpenFile(path, DISKFILE_READWRITE);
        if (file)
            CheckLogSize();
        else
            file = context->OpenFile(path, DISKFILE_CREATE);
    }
    if (file) {
        int64_t size = file->GetSize();
        runStart = size < 0 ? 0 : size > int64_t(UINT32_MAX) ? UINT32_MAX : uint32_t(size);
    }
    WriteEntry(LOG_RUN_SEPARATOR, nullptr);
    // A log that can be neither opened nor created leaves a writer whose operations do nothing.
    return 0;
}

// The cap is enforced once per start: a run may grow the log beyond it.
void LogWriterImpl::CheckLogSize() noexcept
{
    UtilSettings util {};
    context->GetSettings(SETTINGS_UTIL, &util);
    uint64_t cap = uint64_t(util.logMaxKB) * 1024;
    int64_t size = file->GetSize();
    if (cap != 0 && size >= 0 && uint64_t(size) >= cap)
        TrimTo(cap / 2 > uint64_t(INT32_MAX) ? INT32_MAX : int32_t(cap / 2));
}

void LogWriterImpl::Destroy(uint32_t flags) noexcept
{
    {
        SectionLock guard(lock);
        Flush();
        if (file) {
            file->Close();
            file->Release();
            file = nullptr;
        }
    }
    if (context) {
        context->Release();
        context = nullptr;
    }
    delete[] buffer;
    buffer = nullptr;
    capacity = 0;
    DeleteCriticalSection(&lock);
    if (flags & 1)
        delete this;
}
