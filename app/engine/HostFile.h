// HostFile: the engine's file object, a DiskFile with a name query, file times and attributes,
// and removal or renaming of the file when its last reference goes.
#pragma once

#include <windows.h>

#include "EngineContract.h"

class DiskFile;

namespace orv {

// The engine sees only the table word of the contract (::HostFile).
class HostFile final : public ::HostFile {
public:
    HostFile(DiskFile* disk, const WCHAR* path) noexcept;
    HostFile(const HostFile&) = delete;
    HostFile& operator=(const HostFile&) = delete;

    int32_t AddRef() noexcept;
    int32_t Release() noexcept;
    uint32_t Read(void* buffer, uint32_t count) noexcept;
    int32_t Write(const void* buffer, uint32_t count) noexcept;
    int64_t Seek(uint32_t low, int32_t high, uint32_t origin) noexcept;
    int64_t Tell() noexcept;
    int32_t SetSize(int32_t size) noexcept;
    int64_t GetSize() noexcept;
    const char* GetName() noexcept;
    int32_t MakeWritable() noexcept;
    int32_t MarkForRemoval() noexcept;
    int32_t SetNewExtension(const char* extension) noexcept;
    int32_t GetInfo(FileInfo* info, int32_t* size) noexcept;
    int32_t SetInfo(const FileInfo* info, int32_t size) noexcept;
    void Destroy(uint32_t flags) noexcept;

private:
    ~HostFile() = default;   // destroyed through Release / Destroy(1)
    void RemoveOrRename() noexcept;

    int32_t refCount = 1;
    DiskFile* disk = nullptr;
    bool markedForRemoval = false;
    char* nameCache = nullptr;
    WCHAR* newExtension = nullptr;
    bool extensionRefused = false;   // a new extension that could not be kept: the file stays
    WCHAR path[MAX_PATH] = {};
};

// Opens path (read-only existing file, or create/truncate read-write) as a HostFile; null when
// the file cannot be opened or memory is short.
HostFile* OpenHostFile(const WCHAR* path, int32_t readOnly) noexcept;

// The path with its extension replaced by (or, without one, followed by) extension; false when
// the result does not fit in MAX_PATH characters.
bool ReplaceExtension(const WCHAR* path, const WCHAR* extension, WCHAR* out) noexcept;

}  // namespace orv
