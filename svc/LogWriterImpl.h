// The service library's LogWriter: the log file of runs and findings, appended to entry by entry.
#pragma once

#include <atomic>

#include "include/OrvMobileEngCE.h"

class DiskFile;

// Reads until count bytes are in or the file gives no more; the bytes read.
uint32_t ReadLogBytes(DiskFile* file, void* out, uint32_t count) noexcept;

class LogWriterImpl final : public LogWriter {
public:
    LogWriterImpl() noexcept;

    int32_t AddRef() noexcept override;
    int32_t Release() noexcept override;
    int32_t Free() noexcept override;
    int32_t Write(const WCHAR* text, const WCHAR* detail) noexcept override;
    int32_t Trim(int32_t keep) noexcept override;
    int32_t Read(WCHAR* buffer, uint32_t bytes) noexcept override;
    int32_t Init(ServiceContext* context, const WCHAR* path) noexcept override;
    void Destroy(uint32_t flags) noexcept override;

private:
    // The unlocked steps; callers hold lock.
    void WriteEntry(const WCHAR* text, const WCHAR* detail) noexcept;
    bool MakeRoom(size_t chars) noexcept;
    bool AppendText(const WCHAR* text, size_t length) noexcept;
    bool AppendDated(const WCHAR* text, const WCHAR* detail) noexcept;
    void Flush() noexcept;
    void Clear() noexcept;
    void TrimTo(int32_t keep) noexcept;
    bool FindKeptStart(const unsigned char* bytes, uint32_t size, int32_t keep, uint32_t& start) const noexcept;
    bool ReplaceLog(const void* bytes, uint32_t size) noexcept;
    void CheckLogSize() noexcept;
    // The file lock shared with other processes that write this log (LogFileLock holds it).
    friend class LogFileLock;
    bool LockLogFile() noexcept;
    void UnlockLogFile() noexcept;
    bool ReopenLog() noexcept;
    void RepairEnd() noexcept;
    bool FindLastLineEnd(uint32_t size, uint32_t& end) noexcept;

    ServiceContext* context = nullptr;   // one reference held
    DiskFile* file = nullptr;            // null when the log could be neither opened nor created
    WCHAR logPath[MAX_PATH] = {};        // reopened when another writer replaced the file
    std::atomic<int32_t> refCount { 1 }; // any thread may take or drop a reference
    uint32_t runStart = 0;               // byte offset of the current run's separator
    WCHAR* buffer = nullptr;             // one entry is assembled here
    size_t used = 0;                     // characters in buffer not yet written
    size_t capacity = 0;                 // size of buffer in characters
    // The scan worker and the user-interface thread both write; Write, Trim and Read take it.
    CRITICAL_SECTION lock;
};

// Holds the log's advisory file lock for one operation, so that the appends and trims of two
// processes sharing the service library never interleave. A lock that cannot be had in time (a
// writer that hangs) is done without: the entry is still written rather than lost.
class LogFileLock {
public:
    explicit LogFileLock(LogWriterImpl& writer) noexcept : writer(writer), held(writer.LockLogFile()) {}
    ~LogFileLock()
    {
        if (held)
            writer.UnlockLogFile();
    }
    LogFileLock(const LogFileLock&) = delete;
    LogFileLock& operator=(const LogFileLock&) = delete;

private:
    LogWriterImpl& writer;
    bool held;
};
