// Fake host services for the engine tests.
#include "FakeHost.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace {

template <typename Service>
FakeHost* HostOf(Service* service)
{
    return reinterpret_cast<FakeHost::Link<Service>*>(service)->host;
}

void* ENGINE_CALL Alloc(TrackedAllocator* self, uint32_t size)
{
    void* block = std::malloc(size ? size : 1);
    HostOf(self)->liveBlocks += block != nullptr;
    return block;
}
void* ENGINE_CALL Realloc(TrackedAllocator* self, void* block, uint32_t size)
{
    void* grown = std::realloc(block, size ? size : 1);
    if (grown && !block)
        ++HostOf(self)->liveBlocks;
    return grown;
}
void ENGINE_CALL Free(TrackedAllocator* self, void* block)
{
    if (block)
        --HostOf(self)->liveBlocks;
    std::free(block);
}

const TrackedAllocatorTable ALLOCATOR_TABLE = { nullptr, nullptr, Alloc, Realloc, Free, nullptr, nullptr, nullptr, nullptr };

struct FakeFile {
    HostFile iface;
    FakeHost* host;
    FILE* stream;
    std::string path;
    int refs = 1;
    bool remove = false;
    std::string newExtension;
    bool limited = false;
};
FakeFile& FileOf(HostFile* f) { return *reinterpret_cast<FakeFile*>(f); }

std::string WithExtension(const std::string& path, const std::string& extension)
{
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        return path.substr(0, dot) + extension;
    return path + extension;
}

int32_t ENGINE_CALL AddRef(HostFile* self) { return ++FileOf(self).refs; }
int32_t ENGINE_CALL Release(HostFile* self)
{
    FakeFile* file = &FileOf(self);
    int32_t left = --file->refs;
    if (left)
        return left;
    std::fclose(file->stream);
    --file->host->openFiles;
    if (file->host->refuseRemoval && !file->limited)
        ;   // a scanned file that the host could not treat
    else if (file->remove && file->newExtension.empty())
        ::unlink(file->path.c_str());
    else if (file->remove)
        std::rename(file->path.c_str(), WithExtension(file->path, file->newExtension).c_str());
    delete file;
    return 0;
}
uint32_t ENGINE_CALL Read(HostFile* self, void* buffer, uint32_t count)
{
    return uint32_t(std::fread(buffer, 1, count, FileOf(self).stream));
}
int32_t ENGINE_CALL Write(HostFile* self, const void* buffer, uint32_t count)
{
    FakeFile& file = FileOf(self);
    if (file.limited) {
        if (count > file.host->failWritesAfter)
            return -1;
        file.host->failWritesAfter -= count;
    }
    return int32_t(std::fwrite(buffer, 1, count, file.stream));
}
int64_t ENGINE_CALL Seek(HostFile* self, uint32_t low, int32_t high, uint32_t origin)
{
    FILE* stream = FileOf(self).stream;
    int64_t offset = int64_t(uint64_t(uint32_t(high)) << 32 | low);
    if (fseeko(stream, offset, origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END) != 0)
        return -1;
    return ftello(stream);
}
int64_t ENGINE_CALL GetSize(HostFile* self)
{
    struct stat info;
    return fstat(fileno(FileOf(self).stream), &info) == 0 ? info.st_size : -1;
}
int32_t ENGINE_CALL MarkForRemoval(HostFile* self)
{
    FileOf(self).remove = true;
    return 1;
}
int32_t ENGINE_CALL SetNewExtension(HostFile* self, const char* extension)
{
    FileOf(self).newExtension = extension;
    return 1;
}

const HostFileTable FILE_TABLE = { nullptr, nullptr, AddRef, Release, Read, Write, Seek, nullptr, nullptr,
                                   GetSize, nullptr, nullptr, MarkForRemoval, SetNewExtension, nullptr,
                                   nullptr, nullptr, nullptr };

HostFile* OpenWith(FakeHost* host, const char* devicePath, const char* mode, bool limited)
{
    // Device paths may use '\' between folders, as the engine joins names in the library folder.
    std::string path = devicePath;
    std::replace(path.begin(), path.end(), '\\', '/');
    FILE* stream = std::fopen(path.c_str(), mode);
    if (!stream)
        return nullptr;
    ++host->openFiles;
    FakeFile* file = new FakeFile;
    file->iface.table = &FILE_TABLE;
    file->host = host;
    file->stream = stream;
    file->path = path;
    file->limited = limited;
    return &file->iface;
}

HostFile* ENGINE_CALL OpenFile(FileSystemService* self, const char* path, int32_t readOnly)
{
    HostOf(self)->opened.push_back(path);
    return OpenWith(HostOf(self), path, readOnly ? "rb" : "w+b", false);
}
HostFile* ENGINE_CALL CreateNewFile(FileSystemService* self, const char* path)
{
    return OpenWith(HostOf(self), path, "w+b", true);
}
int32_t ENGINE_CALL Exists(FileSystemService*, const char* devicePath)
{
    std::string path = devicePath;
    std::replace(path.begin(), path.end(), '\\', '/');
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 ? 1 : 0;
}

const FileSystemServiceTable FILES_TABLE = { nullptr, nullptr, OpenFile, CreateNewFile, nullptr, Exists, nullptr,
                                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr };

int32_t ENGINE_CALL QueryLocalTime(SystemService* self, EngineDate* date)
{
    *date = HostOf(self)->now;
    return 1;
}
int32_t ENGINE_CALL RunGuarded(SystemService* self, GuardedFunction function, void* argument)
{
    ++HostOf(self)->guardedCalls;
    if (!HostOf(self)->cutGuardedCalls)
        function(argument);
    return 0;
}

const SystemServiceTable SYSTEM_TABLE = { nullptr, nullptr, QueryLocalTime, nullptr, RunGuarded, nullptr,
                                          nullptr, nullptr, nullptr, nullptr, nullptr };

struct CallbacksLink {
    ScanCallbacks iface;
    FakeCallbacks* owner;
};
FakeCallbacks& CallbacksOf(ScanCallbacks* self) { return *reinterpret_cast<CallbacksLink*>(self)->owner; }

int32_t ENGINE_CALL AskAction(ScanCallbacks* self, const char* first, const char* second, int32_t* action)
{
    CallbacksOf(self).asked.push_back(std::string(first) + "|" + second);
    *action = CallbacksOf(self).answer;
    return 1;
}
int32_t ENGINE_CALL AcceptFile(ScanCallbacks* self, const char* path)
{
    CallbacksOf(self).offered.push_back(path);
    return CallbacksOf(self).accept ? 1 : 0;
}

const ScanCallbacksTable CALLBACKS_TABLE = { nullptr, nullptr, nullptr, nullptr, AskAction, AcceptFile, nullptr,
                                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr };

} // namespace

FakeHost::FakeHost()
{
    allocator = { { &ALLOCATOR_TABLE }, this };
    files = { { &FILES_TABLE }, this };
    system = { { &SYSTEM_TABLE }, this };
    now = { 2026, 12, 2, 8, 9, 10, 11, 0 };
}

FakeHost::~FakeHost() = default;

FakeCallbacks::FakeCallbacks()
{
    link.iface.table = &CALLBACKS_TABLE;
    link.owner = this;
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}
