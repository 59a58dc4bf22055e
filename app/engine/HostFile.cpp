// HostFile: table, pass-through operations and the removal or renaming at destruction.
#include "HostFile.h"

#include <cstring>
#include <new>
#include <string>

#include "DiskFile.h"
#include "EngineMemory.h"
#include "EnginePaths.h"
#include "ScanBridge.h"

namespace orv {
namespace {

using Chars = std::char_traits<WCHAR>;

HostFile* Self(::HostFile* self) { return static_cast<HostFile*>(self); }

::HostFile* ENGINE_CALL TableSelf(::HostFile* self) noexcept { return self; }
int32_t ENGINE_CALL TableAddRef(::HostFile* self) noexcept { return Self(self)->AddRef(); }
int32_t ENGINE_CALL TableRelease(::HostFile* self) noexcept { return Self(self)->Release(); }
uint32_t ENGINE_CALL TableRead(::HostFile* self, void* buffer, uint32_t count) noexcept
{
    return Self(self)->Read(buffer, count);
}
int32_t ENGINE_CALL TableWrite(::HostFile* self, const void* buffer, uint32_t count) noexcept
{
    return Self(self)->Write(buffer, count);
}
int64_t ENGINE_CALL TableSeek(::HostFile* self, uint32_t low, int32_t high, uint32_t origin) noexcept
{
    return Self(self)->Seek(low, high, origin);
}
int64_t ENGINE_CALL TableTell(::HostFile* self) noexcept { return Self(self)->Tell(); }
int32_t ENGINE_CALL TableSetSize(::HostFile* self, int32_t size) noexcept { return Self(self)->SetSize(size); }
int64_t ENGINE_CALL TableGetSize(::HostFile* self) noexcept { return Self(self)->GetSize(); }
const char* ENGINE_CALL TableGetName(::HostFile* self) noexcept { return Self(self)->GetName(); }
int32_t ENGINE_CALL TableMakeWritable(::HostFile* self) noexcept { return Self(self)->MakeWritable(); }
int32_t ENGINE_CALL TableMarkForRemoval(::HostFile* self) noexcept { return Self(self)->MarkForRemoval(); }
int32_t ENGINE_CALL TableSetNewExtension(::HostFile* self, const char* extension) noexcept
{
    return Self(self)->SetNewExtension(extension);
}
int32_t ENGINE_CALL TableGetInfo(::HostFile* self, FileInfo* info, int32_t* size) noexcept
{
    return Self(self)->GetInfo(info, size);
}
int32_t ENGINE_CALL TableSetInfo(::HostFile* self, const FileInfo* info, int32_t size) noexcept
{
    return Self(self)->SetInfo(info, size);
}
int32_t ENGINE_CALL TableNone(::HostFile*) noexcept { return 0; }
void ENGINE_CALL TableDestroy(::HostFile* self, uint32_t flags) noexcept { Self(self)->Destroy(flags); }

const HostFileTable HOST_FILE_TABLE = {
    TableSelf, TableSelf, TableAddRef, TableRelease, TableRead, TableWrite, TableSeek, TableTell,
    TableSetSize, TableGetSize, TableGetName, TableMakeWritable, TableMarkForRemoval,
    TableSetNewExtension, TableGetInfo, TableSetInfo, TableNone, TableDestroy,
};

constexpr int32_t FILE_INFO_SIZE = int32_t(sizeof(FileInfo));

// The last '/' or, when there is none, the last '\'; null without either.
const WCHAR* LastSeparator(const WCHAR* path)
{
    const WCHAR* slash = nullptr;
    const WCHAR* backslash = nullptr;
    for (const WCHAR* p = path; *p; ++p) {
        if (*p == u'/')
            slash = p;
        else if (*p == u'\\')
            backslash = p;
    }
    return slash ? slash : backslash;
}

}  // namespace

HostFile::HostFile(DiskFile* disk, const WCHAR* path) noexcept : disk(disk)
{
    table = &HOST_FILE_TABLE;
    size_t length = Chars::length(path);
    Chars::copy(this->path, path, length < MAX_PATH ? length : MAX_PATH - 1);
}

HostFile* OpenHostFile(const WCHAR* path, int32_t readOnly) noexcept
{
    if (path == nullptr || Chars::length(path) >= MAX_PATH)
        return nullptr;
    DiskFile* disk = OpenDiskFile(path, readOnly != 0 ? DISKFILE_READ : DISKFILE_CREATE);
    if (disk == nullptr)
        return nullptr;
    HostFile* file = new (std::nothrow) HostFile(disk, path);
    if (file == nullptr)
        disk->Release();
    return file;
}

int32_t HostFile::AddRef() noexcept { return ++refCount; }

int32_t HostFile::Release() noexcept
{
    int32_t count = --refCount;
    if (count == 0)
        Destroy(1);
    return count;
}

// Once destruction has begun there is no DiskFile; calls then fail as a closed file would. A read
// the scan's gate refuses gives nothing, as the end of the file would.
uint32_t HostFile::Read(void* buffer, uint32_t count) noexcept
{
    if (ReadGate* gate = CurrentReadGate(); gate != nullptr && gate->RefusesReads())
        return 0;
    return disk ? disk->Read(buffer, count) : 0;
}
int32_t HostFile::Write(const void* buffer, uint32_t count) noexcept { return disk ? disk->Write(buffer, count) : -1; }
int64_t HostFile::Seek(uint32_t low, int32_t high, uint32_t origin) noexcept
{
    return disk ? disk->Seek(low, high, origin) : -1;
}

// A file on its way out reports position 0: the engine stops working on a file it has treated.
int64_t HostFile::Tell() noexcept
{
    if (markedForRemoval)
        return 0;
    return disk ? disk->Seek(0, 0, 1) : -1;
}

int32_t HostFile::SetSize(int32_t size) noexcept { return disk ? disk->SetSize(size) : 0; }
int64_t HostFile::GetSize() noexcept { return disk ? disk->GetSize() : -1; }

const char* HostFile::GetName() noexcept
{
    if (nameCache != nullptr)
        return nameCache;
    nameCache = new (std::nothrow) char[MAX_PATH];
    if (nameCache == nullptr)
        return "";
    // The name is cut from the UTF-16 path first, so that a name the code page cannot carry comes
    // out in the alias form as a whole; one that does not fit in 260 bytes is reported empty.
    const WCHAR* cut = nullptr;
    for (const WCHAR* p = path; *p; ++p) {
        if (*p == u'\\')
            cut = p;
    }
    if (cut == nullptr)
        cut = LastSeparator(path);
    PathToAnsi(cut != nullptr ? cut + 1 : path, nameCache, MAX_PATH);
    return nameCache;
}

int32_t HostFile::MakeWritable() noexcept { return disk && disk->MakeWritable() ? 1 : 3; }

int32_t HostFile::MarkForRemoval() noexcept
{
    markedForRemoval = true;
    return 1;
}

int32_t HostFile::SetNewExtension(const char* extension) noexcept
{
    // The engine asked for a rename; if the new name cannot be kept, deleting the file instead
    // would lose what the user only wanted renamed, so the file is then left where it is.
    char text[MAX_PATH];
    WCHAR* copy = new (std::nothrow) WCHAR[MAX_PATH];
    if (copy == nullptr || !CopyEngineText(extension, text, sizeof text)
        || MultiByteToWideChar(CP_ACP, 0, text, -1, copy, MAX_PATH) <= 0) {
        delete[] copy;
        extensionRefused = true;
        return 1;
    }
    delete[] newExtension;
    newExtension = copy;
    extensionRefused = false;
    return 1;
}

// The record and its size live in the engine's memory, reached through EngineMemory.
int32_t HostFile::GetInfo(FileInfo* info, int32_t* size) noexcept
{
    int32_t room = 0;
    if (size == nullptr || info == nullptr || !ReadEngineMemory(&room, size, sizeof room))
        return 0;
    if (room < FILE_INFO_SIZE) {
        room = FILE_INFO_SIZE;
        WriteEngineMemory(size, &room, sizeof room);
        return 0;
    }
    FILETIME creation = {}, lastAccess = {}, lastWrite = {};
    if (disk != nullptr)
        GetFileTime(disk->GetHandle(), &creation, &lastAccess, &lastWrite);
    FileInfo record {};
    record.attributes = GetFileAttributesW(path);
    record.creationTime = { creation.dwLowDateTime, creation.dwHighDateTime };
    record.lastWriteTime = { lastWrite.dwLowDateTime, lastWrite.dwHighDateTime };
    record.lastAccessTime = { lastAccess.dwLowDateTime, lastAccess.dwHighDateTime };
    return WriteEngineMemory(info, &record, sizeof record) ? 1 : 0;
}

int32_t HostFile::SetInfo(const FileInfo* engineInfo, int32_t size) noexcept
{
    FileInfo record {};
    const FileInfo* info = &record;
    if (engineInfo == nullptr || size < FILE_INFO_SIZE || !ReadEngineMemory(&record, engineInfo, sizeof record))
        return 0;
    FILETIME creation = { info->creationTime.low, info->creationTime.high };
    FILETIME lastAccess = { info->lastAccessTime.low, info->lastAccessTime.high };
    FILETIME lastWrite = { info->lastWriteTime.low, info->lastWriteTime.high };
    if (disk != nullptr)
        SetFileTime(disk->GetHandle(), &creation, &lastAccess, &lastWrite);
    return 1;
}

bool ReplaceExtension(const WCHAR* path, const WCHAR* extension, WCHAR* out) noexcept
{
    const WCHAR* separator = LastSeparator(path);
    const WCHAR* dot = nullptr;
    for (const WCHAR* p = separator ? separator : path; *p; ++p) {
        if (*p == u'.')
            dot = p;
    }
    size_t keep = dot ? size_t(dot - path) : Chars::length(path);
    size_t extensionLength = Chars::length(extension);
    if (keep + extensionLength >= MAX_PATH)
        return false;
    Chars::copy(out, path, keep);
    Chars::copy(out + keep, extension, extensionLength);
    out[keep + extensionLength] = 0;
    return true;
}

namespace {

constexpr uint32_t RENAME_TRIES = 999;

// The platform refuses to delete a read-only file; the attribute is cleared first, and put back
// when the file could not be deleted all the same.
bool RemoveFile(const WCHAR* path)
{
    DWORD attributes = GetFileAttributesW(path);
    bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly && !SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY))
        return false;
    if (DeleteFileW(path))
        return true;
    if (readOnly)
        SetFileAttributesW(path, attributes);
    return false;
}

// The new name, or the first free one of name.1.vir, name.2.vir, ... when it is taken: a rename
// never replaces another file.
bool RenameToFreeName(const WCHAR* path, const WCHAR* extension)
{
    WCHAR renamed[MAX_PATH];
    if (!ReplaceExtension(path, extension, renamed))
        return false;   // a new name that would not fit is not made up by cutting
    WCHAR numbered[MAX_PATH + 16];
    for (uint32_t n = 0; n <= RENAME_TRIES; ++n) {
        const WCHAR* target = renamed;
        if (n > 0) {
            WCHAR suffix[24];
            wsprintfW(suffix, u".%u%s", n, extension);
            if (!ReplaceExtension(path, suffix, numbered))
                return false;
            target = numbered;
        }
        if (MoveFileW(path, target))
            return true;
        DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
            return false;
    }
    return false;
}

}  // namespace

// Done when the last reference goes; whether it worked is seen by the file being gone from its
// path (the engine asks Exists afterwards).
void HostFile::RemoveOrRename() noexcept
{
    if (extensionRefused)
        return;
    if (newExtension == nullptr)
        RemoveFile(path);
    else
        RenameToFreeName(path, newExtension);
}

void HostFile::Destroy(uint32_t flags) noexcept
{
    if (disk != nullptr) {
        disk->Release();
        disk = nullptr;
        if (markedForRemoval)
            RemoveOrRename();
    }
    delete[] nameCache;
    nameCache = nullptr;
    delete[] newExtension;
    newExtension = nullptr;
    if (flags & 1)
        delete this;
}

}  // namespace orv
