// FileSystemService: path conversion, the fixed temporary file and the existence test.
#include "FileSystemService.h"

#include <windows.h>

#include "EngineMemory.h"
#include "EnginePaths.h"
#include "HostFile.h"

namespace orv {
namespace {

// Every call to CreateTempFile names the same file: the engine uses one scratch file at a time.
constexpr const WCHAR* TEMP_PREFIX = u"~temp";
constexpr UINT TEMP_NUMBER = 0x123456;
constexpr int32_t PATH_SEPARATOR = '\\';

FileSystemService* Self(::FileSystemService* self) { return static_cast<FileSystemService*>(self); }

::FileSystemService* ENGINE_CALL TableSelf(::FileSystemService* self) noexcept { return self; }
::HostFile* ENGINE_CALL TableOpenFile(::FileSystemService* self, const char* path, int32_t readOnly) noexcept
{
    return Self(self)->OpenFile(path, readOnly);
}
::HostFile* ENGINE_CALL TableCreateNewFile(::FileSystemService* self, const char* path) noexcept
{
    return Self(self)->CreateNewFile(path);
}
::HostFile* ENGINE_CALL TableCreateTempFile(::FileSystemService* self) noexcept { return Self(self)->CreateTempFile(); }
int32_t ENGINE_CALL TableExists(::FileSystemService* self, const char* path) noexcept { return Self(self)->Exists(path); }
int32_t ENGINE_CALL TableNone(::FileSystemService*) noexcept { return 0; }
int32_t ENGINE_CALL TablePathSeparator(::FileSystemService*) noexcept { return PATH_SEPARATOR; }
void ENGINE_CALL TableDestroy(::FileSystemService* self, uint32_t flags) noexcept { Self(self)->Destroy(flags); }

const FileSystemServiceTable FILE_SYSTEM_TABLE = {
    TableSelf, TableSelf, TableOpenFile, TableCreateNewFile, TableCreateTempFile, TableExists,
    TableNone, TablePathSeparator, TableNone, TableNone, TableNone, TableNone, TableDestroy,
};

}  // namespace

FileSystemService::FileSystemService() noexcept
{
    table = &FILE_SYSTEM_TABLE;
}

namespace {

// The engine's 8-bit path (the code page's form or an alias, read through EngineMemory) as the
// UTF-16 path it names; false for a path that is too long, malformed or unreadable.
bool TakeEnginePath(const char* enginePath, WCHAR* out)
{
    char text[MAX_PATH];
    return CopyEngineText(enginePath, text, sizeof text) && PathToWide(text, out);
}

}  // namespace

::HostFile* FileSystemService::OpenFile(const char* path, int32_t readOnly) noexcept
{
    WCHAR widePath[MAX_PATH];
    if (!TakeEnginePath(path, widePath))
        return nullptr;   // a path too long for the platform cannot name a file
    return OpenHostFile(widePath, readOnly);
}

::HostFile* FileSystemService::CreateNewFile(const char* path) noexcept
{
    return OpenFile(path, 0);
}

::HostFile* FileSystemService::CreateTempFile() noexcept
{
    WCHAR folder[MAX_PATH];
    WCHAR name[MAX_PATH];
    DWORD length = GetTempPathW(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    if (GetTempFileNameW(folder, TEMP_PREFIX, TEMP_NUMBER, name) == 0)
        return nullptr;
    return OpenHostFile(name, 0);
}

int32_t FileSystemService::Exists(const char* path) noexcept
{
    WCHAR widePath[MAX_PATH];
    if (!TakeEnginePath(path, widePath))
        return 0;
    return GetFileAttributesW(widePath) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

}  // namespace orv
