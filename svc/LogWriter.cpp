// LogWriter: opening the log, assembling and appending entries, and closing it.
#include "LogWriterImpl.h"

#include <cstring>
#include <new>

#include "LockedList.h"
#include "ReplacementFile.h"
#include "common/DiskFile.h"

#include <wce/FileSafety.h>

namespace {

constexpr size_t LOG_BUFFER_STEP = 4096;    // the entry buffer starts at and grows by this many characters
constexpr size_t LOG_MIN_FREE = 512;        // less room than this and the buffer grows before an entry
constexpr DWORD LOG_LOCK_WAIT_MS = 2000;     // another writer holds the lock for one entry or one trim
constexpr int LOG_REOPEN_TRIES = 3;
constexpr uint32_t LOG_TAIL_CHUNK = 64 * 1024;


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
    LogFileLock fileLock(*this);
    WriteEntry(text, detail);
    return 0;
}

// Locked, and on the file the path names now: another process's trim replaces the file, and an
// entry written to the file it replaced would be lost.
bool LogWriterImpl::LockLogFile() noexcept
{
    for (int attempt = 0; file != nullptr && attempt < LOG_REOPEN_TRIES; ++attempt) {
        bool locked = wce::LockFileHandle(file->GetHandle(), LOG_LOCK_WAIT_MS);
        if (wce::IsFileAtPath(file->GetHandle(), logPath))
            return locked;
        if (locked)
            wce::UnlockFileHandle(file->GetHandle());
        if (!ReopenLog())
            return false;
    }
    return false;
}

void LogWriterImpl::UnlockLogFile() noexcept
{
    if (file != nullptr)
        wce::UnlockFileHandle(file->GetHandle());
}

// The old handle goes (and its lock with it); without a file at the path the writer does nothing.
bool LogWriterImpl::ReopenLog() noexcept
{
    if (file != nullptr) {
        file->Close();
        file->Release();
    }
    file = context != nullptr ? context->OpenFile(logPath, DISKFILE_READWRITE) : nullptr;
    return file != nullptr;
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
    if (path != nullptr)
        lstrcpynW(logPath, path, MAX_PATH);
    if (context) {
        context->AddRef();
        // What a killed trim of an earlier run left beside the log goes at this start.
        RemoveStaleReplacements(logPath);
        file = context->OpenFile(logPath, DISKFILE_READWRITE);
        if (!file)
            file = context->OpenFile(logPath, DISKFILE_CREATE);
    }
    LogFileLock fileLock(*this);
    if (file) {
        RepairEnd();
        CheckLogSize();
    }
    if (file) {
        int64_t size = file->GetSize();
        runStart = size < 0 ? 0 : size > int64_t(UINT32_MAX) ? UINT32_MAX : uint32_t(size);
    }
    WriteEntry(LOG_RUN_SEPARATOR, nullptr);
    // A log that can be neither opened nor created leaves a writer whose operations do nothing.
    return 0;
}

// The log is whole entries of UTF-16 units, each ending in CR LF. A file of odd size loses its odd
// byte, and the part of an entry that a kill cut short (the kernel may stop a write at a page
// boundary) is dropped, so that every later entry reads whole.
void LogWriterImpl::RepairEnd() noexcept
{
    int64_t size = file->GetSize();
    if (size <= 0 || size > INT32_MAX)
        return;
    uint32_t even = uint32_t(size) & ~1u;
    uint32_t end = 0;
    if (!FindLastLineEnd(even, end))
        return;   // unreadable: left as it is
    if (end != uint32_t(size))
        file->SetSize(int32_t(end));
}

// The offset just after the last CR LF unit pair in the first size bytes (0 when there is none),
// read backwards a chunk at a time; false when the file cannot be read.
bool LogWriterImpl::FindLastLineEnd(uint32_t size, uint32_t& end) noexcept
{
    unsigned char* chunk = new (std::nothrow) unsigned char[LOG_TAIL_CHUNK + 2];
    if (!chunk)
        return false;
    bool readable = true;
    end = 0;
    for (uint32_t stop = size; stop >= 4 && readable;) {
        uint32_t begin = stop > LOG_TAIL_CHUNK ? stop - LOG_TAIL_CHUNK : 0;
        uint32_t count = stop - begin;
        // The chunk overlaps the next one by a unit, so a pair split between them is seen.
        readable = file->Seek(begin, 0, FILE_BEGIN) == int64_t(begin) && ReadLogBytes(file, chunk, count) == count;
        for (uint32_t at = count; readable && at >= 4; at -= 2) {
            if (chunk[at - 4] == '\r' && chunk[at - 3] == 0 && chunk[at - 2] == '\n' && chunk[at - 1] == 0) {
                end = begin + at;
                delete[] chunk;
                return true;
            }
        }
        stop = begin == 0 ? 0 : begin + 2;
    }
    delete[] chunk;
    return readable;
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
        {
            LogFileLock fileLock(*this);
            Flush();
        }
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
