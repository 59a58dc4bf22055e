// DiskFile: the reference-counted file object both deliverables read and write files through.
#pragma once

#include <windows.h>

// Open modes.
constexpr int32_t DISKFILE_READ = 1;         // read an existing file
constexpr int32_t DISKFILE_CREATE = 2;       // create or truncate, read and write
constexpr int32_t DISKFILE_READWRITE = 3;    // open an existing file for reading and writing

// Table order is fixed: the other deliverable and the engine host call these slots by position.
class DiskFile {
public:
    virtual int32_t AddRef() noexcept = 0;
    virtual int32_t Release() noexcept = 0;
    virtual int32_t Open(const WCHAR* path, int32_t mode) noexcept = 0;
    virtual int32_t MakeWritable() noexcept = 0;
    virtual int32_t Close() noexcept = 0;
    virtual uint32_t Read(void* buffer, uint32_t count) noexcept = 0;      // 0 on failure or at the end
    virtual int32_t Write(const void* buffer, uint32_t count) noexcept = 0; // -1 on failure
    virtual int64_t Seek(uint32_t low, int32_t high, uint32_t origin) noexcept = 0; // -1 on failure
    virtual int64_t GetSize() noexcept = 0;                                // -1 on failure
    virtual int32_t SetSize(int32_t size) noexcept = 0;
    virtual HANDLE GetHandle() noexcept = 0;

protected:
    ~DiskFile() = default;   // destroyed only through Release
};

// A new DiskFile opened with mode, or null; the caller holds the one reference.
DiskFile* OpenDiskFile(const WCHAR* path, int32_t mode) noexcept;

// Makes the path end in '\' or '/', in place; the buffer must hold one more character.
uint32_t AppendSlash(WCHAR* path) noexcept;

// Holds one reference on a DiskFile and gives it back when it goes out of scope.
class DiskFileRef {
public:
    explicit DiskFileRef(DiskFile* file = nullptr) noexcept : file(file) {}
    ~DiskFileRef() { Reset(); }
    DiskFileRef(const DiskFileRef&) = delete;
    DiskFileRef& operator=(const DiskFileRef&) = delete;

    DiskFile* operator->() const noexcept { return file; }
    DiskFile* Get() const noexcept { return file; }
    explicit operator bool() const noexcept { return file != nullptr; }

    // Releases the held file now (before a rename or delete of its path, say).
    void Reset() noexcept
    {
        if (file)
            file->Release();
        file = nullptr;
    }

private:
    DiskFile* file;
};
