// MemoryFileSystem: the engine's file tables over a byte range.
#include "MemoryFileSystem.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

struct MemoryFile : ::HostFile {
    MemoryFileSystem* owner;
    const uint8_t* data;
    size_t size;
    size_t position = 0;
    int32_t refCount = 1;
};

MemoryFile* File(::HostFile* self) { return static_cast<MemoryFile*>(self); }

::HostFile* ENGINE_CALL FileSelf(::HostFile* self) { return self; }
int32_t ENGINE_CALL FileAddRef(::HostFile* self) { return ++File(self)->refCount; }
int32_t ENGINE_CALL FileRelease(::HostFile* self);
uint32_t ENGINE_CALL FileRead(::HostFile* self, void* buffer, uint32_t count)
{
    MemoryFile* f = File(self);
    size_t available = f->position < f->size ? f->size - f->position : 0;
    size_t n = std::min<size_t>(count, available);
    if (n)
        std::memcpy(buffer, f->data + f->position, n);
    f->position += n;
    return uint32_t(n);
}
int32_t ENGINE_CALL FileWrite(::HostFile*, const void*, uint32_t) { return -1; }
int64_t ENGINE_CALL FileSeek(::HostFile* self, uint32_t low, int32_t high, uint32_t origin)
{
    MemoryFile* f = File(self);
    int64_t offset = int64_t(uint64_t(uint32_t(high)) << 32 | low);
    int64_t from = origin == 0 ? 0 : origin == 1 ? int64_t(f->position) : int64_t(f->size);
    if (from + offset < 0)
        return -1;
    f->position = size_t(from + offset);
    return int64_t(f->position);
}
int64_t ENGINE_CALL FileTell(::HostFile* self) { return int64_t(File(self)->position); }
int32_t ENGINE_CALL FileZero(::HostFile*) { return 0; }
int32_t ENGINE_CALL FileSetSize(::HostFile*, int32_t) { return 0; }
int64_t ENGINE_CALL FileGetSize(::HostFile* self) { return int64_t(File(self)->size); }
const char* ENGINE_CALL FileGetName(::HostFile*) { return ""; }
int32_t ENGINE_CALL FileOne(::HostFile*) { return 1; }
int32_t ENGINE_CALL FileSetExtension(::HostFile*, const char*) { return 1; }
int32_t ENGINE_CALL FileGetInfo(::HostFile*, FileInfo*, int32_t*) { return 0; }
int32_t ENGINE_CALL FileSetInfo(::HostFile*, const FileInfo*, int32_t) { return 0; }
void ENGINE_CALL FileDestroy(::HostFile* self, uint32_t flags)
{
    File(self)->owner->released++;
    if (flags & 1)
        delete File(self);
}
int32_t ENGINE_CALL FileRelease(::HostFile* self)
{
    int32_t count = --File(self)->refCount;
    if (count == 0)
        FileDestroy(self, 1);
    return count;
}

const HostFileTable MEMORY_FILE_TABLE = {
    FileSelf, FileSelf, FileAddRef, FileRelease, FileRead, FileWrite, FileSeek, FileTell, FileSetSize,
    FileGetSize, FileGetName, FileOne, FileOne, FileSetExtension, FileGetInfo, FileSetInfo, FileZero, FileDestroy,
};

}  // namespace

struct MemoryFileAccess {
    static ::HostFile* ENGINE_CALL Open(::FileSystemService* self, const char* path, int32_t readOnly)
    {
        MemoryFileSystem* fs = static_cast<MemoryFileSystem*>(self);
        if (path == nullptr || fs->path != path || !readOnly)
            return nullptr;
        MemoryFile* file = new (std::nothrow) MemoryFile();
        if (file == nullptr)
            return nullptr;
        file->table = &MEMORY_FILE_TABLE;
        file->owner = fs;
        file->data = fs->data;
        file->size = fs->size;
        fs->opened++;
        return file;
    }
    static ::FileSystemService* ENGINE_CALL Self(::FileSystemService* self) { return self; }
    static ::HostFile* ENGINE_CALL Create(::FileSystemService*, const char*) { return nullptr; }
    static ::HostFile* ENGINE_CALL Temp(::FileSystemService*) { return nullptr; }
    static int32_t ENGINE_CALL Exists(::FileSystemService* self, const char* path)
    {
        return path && static_cast<MemoryFileSystem*>(self)->path == path;
    }
    static int32_t ENGINE_CALL Zero(::FileSystemService*) { return 0; }
    static int32_t ENGINE_CALL Separator(::FileSystemService*) { return '\\'; }
    static void ENGINE_CALL Destroy(::FileSystemService*, uint32_t) {}
};

namespace {

const FileSystemServiceTable MEMORY_FILE_SYSTEM_TABLE = {
    MemoryFileAccess::Self, MemoryFileAccess::Self, MemoryFileAccess::Open, MemoryFileAccess::Create,
    MemoryFileAccess::Temp, MemoryFileAccess::Exists, MemoryFileAccess::Zero, MemoryFileAccess::Separator,
    MemoryFileAccess::Zero, MemoryFileAccess::Zero, MemoryFileAccess::Zero, MemoryFileAccess::Zero,
    MemoryFileAccess::Destroy,
};

}  // namespace

MemoryFileSystem::MemoryFileSystem(const char* path, const uint8_t* data, size_t size)
    : path(path), data(data), size(size)
{
    table = &MEMORY_FILE_SYSTEM_TABLE;
}
