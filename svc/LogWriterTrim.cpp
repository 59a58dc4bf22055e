// LogWriter: clearing and cutting the log back, and reading it for display.
#include "LogWriterImpl.h"

#include <bit>
#include <cstring>
#include <new>

#include "common/ByteReader.h"
#include "LockedList.h"
#include "common/DiskFile.h"
#include "ReplacementFile.h"

#include <wce/FileSafety.h>

// The log is UTF-16 little-endian and Read hands its bytes to the caller as WCHARs unchanged.
static_assert(std::endian::native == std::endian::little);

namespace {

bool IsLineEnd(uint16_t c) { return c == u'\r' || c == u'\n'; }

}  // namespace

// Reads until count bytes are in or the file gives no more.
uint32_t ReadLogBytes(DiskFile* file, void* out, uint32_t count) noexcept
{
    uint32_t done = 0;
    while (done < count) {
        uint32_t got = file->Read(static_cast<unsigned char*>(out) + done, count - done);
        if (got == 0 || got > count - done)
            break;
        done += got;
    }
    return done;
}

namespace {

bool IsSeparatorAt(const ByteReader& text, size_t offset)
{
    for (size_t i = 0; i < 4; ++i) {
        uint16_t unit = 0;
        if (!text.ReadU16(offset + 2 * i, unit) || unit != u'=')
            return false;
    }
    return true;
}

size_t FindSeparator(const WCHAR* text, size_t from, size_t length)
{
    for (size_t i = from; length >= 4 && i <= length - 4; ++i) {
        if (text[i] == u'=' && text[i + 1] == u'=' && text[i + 2] == u'=' && text[i + 3] == u'=')
            return i;
    }
    return length;
}


// Each separator, with the line ends around it, becomes one empty line; one that opens the text goes.
// A block is never shorter than its replacement, so the text only shrinks. Returns the new length.
size_t ReworkSeparators(WCHAR* text, size_t length)
{
    text[length] = 0;
    size_t pos = 0;
    for (size_t mark; (mark = FindSeparator(text, pos, length)) < length;) {
        size_t begin = mark;
        while (begin > pos && IsLineEnd(text[begin - 1]))
            --begin;
        size_t end = mark + 4;
        while (end < length && (IsLineEnd(text[end]) || text[end] == u'='))
            ++end;
        size_t replacement = begin == 0 ? 0 : 4;
        std::memmove(text + begin + replacement, text + end, (length - end) * sizeof(WCHAR));
        std::memcpy(text + begin, u"\r\n\r\n", replacement * sizeof(WCHAR));
        length -= end - begin - replacement;
        text[length] = 0;
        pos = begin + replacement;
    }
    return length;
}

}  // namespace

int32_t LogWriterImpl::Trim(int32_t keep) noexcept
{
    SectionLock guard(lock);
    LogFileLock fileLock(*this);
    TrimTo(keep);
    return 0;
}

// The log restarted with a run separator, as a new log starts.
void LogWriterImpl::Clear() noexcept
{
    static const WCHAR SEPARATOR_LINE[] = u"\r\n====\r\n";
    if (ReplaceLog(SEPARATOR_LINE, sizeof SEPARATOR_LINE - sizeof(WCHAR)))
        runStart = 0;
}

// The kept text replaces the log in one rename: a kill at any moment leaves the old log or the new
// one, never the kept text written over the old start. The writer then works on the new file; a
// replacement that cannot be made leaves the log as it was.
bool LogWriterImpl::ReplaceLog(const void* bytes, uint32_t size) noexcept
{
    ReplacementFile replacement;
    if (!replacement.Begin(logPath) || !replacement.Write(bytes, size) || !replacement.Commit())
        return false;
    ReopenLog();
    if (file != nullptr)
        wce::LockFileHandle(file->GetHandle(), 0);   // kept to the end of this trim if it is free
    return true;
}

void LogWriterImpl::TrimTo(int32_t keep) noexcept
{
    if (!file)
        return;
    if (keep == 0) {
        Clear();
        return;
    }
    // A log beyond what a 32-bit size can set is left alone rather than cut wrongly.
    int64_t size = file->GetSize();
    if (size <= 0 || size > INT32_MAX)
        return;
    uint32_t n = uint32_t(size);
    unsigned char* bytes = new (std::nothrow) unsigned char[n];
    if (!bytes) {
        Clear();
        return;
    }
    // A short read would cut away what was not read: the log stays as it is.
    if (file->Seek(0, 0, FILE_BEGIN) == 0 && ReadLogBytes(file, bytes, n) == n) {
        uint32_t start = 0;
        if (keep < 0) {
            start = runStart < n ? runStart : n;
            if (start == 0 || ReplaceLog(bytes + start, n - start))
                runStart = 0;
        } else if (FindKeptStart(bytes, n, keep, start)) {
            // The current run's start moves with the text in front of it.
            if (ReplaceLog(bytes + start, n - start))
                runStart = runStart > start ? runStart - start : 0;
        } else {
            Clear();
        }
    }
    delete[] bytes;
}

// The kept runs start at the first separator in the last keep bytes, each from its first entry on.
bool LogWriterImpl::FindKeptStart(const unsigned char* bytes, uint32_t size, int32_t keep,
                                  uint32_t& start) const noexcept
{
    ByteReader text(bytes, size);
    size_t from = uint32_t(keep) < size ? (size - uint32_t(keep)) & ~size_t(1) : 0;
    size_t mark = from;
    while (text.Contains(mark, 8) && !IsSeparatorAt(text, mark))
        mark += 2;
    if (!text.Contains(mark, 8))
        return false;
    size_t offset = mark + 8;
    uint16_t unit = 0;
    while (text.ReadU16(offset, unit) && (IsLineEnd(unit) || unit == u'='))
        offset += 2;
    start = uint32_t(offset);
    return true;
}

int32_t LogWriterImpl::Read(WCHAR* out, uint32_t bytes) noexcept
{
    SectionLock guard(lock);
    LogFileLock fileLock(*this);
    if (!file)
        return 0;
    int64_t size = file->GetSize();
    if (size < 0)
        return 0;
    if (!out)
        return size > INT32_MAX - 2 ? INT32_MAX - 1 : int32_t(size + 2);
    // The terminator must fit too: a caller that passes the size of the file alone gets two bytes less.
    if (bytes < 2)
        return 0;
    uint32_t count = bytes - 2;
    if (int64_t(count) > size)
        count = uint32_t(size);
    int64_t position = file->Seek(0, 0, FILE_CURRENT);
    uint32_t got = 0;
    if (file->Seek(0, 0, FILE_BEGIN) == 0)
        got = ReadLogBytes(file, out, count);
    if (position >= 0)
        file->Seek(uint32_t(position), int32_t(position >> 32), FILE_BEGIN);
    return int32_t(ReworkSeparators(out, got / 2) * 2);
}
