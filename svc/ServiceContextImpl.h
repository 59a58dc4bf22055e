// The service library's ServiceContext: folders, settings records, engine information, file access.
#pragma once

#include <atomic>

#include "include/OrvMobileEngCE.h"

// The context's second interface. It holds no state of its own: deleting a file needs nothing from
// the context, which lets it sit in the word right after the context's table pointer.
class ContextFileOps final : public FileOps {
public:
    int32_t Reserved0() noexcept override { return 0; }
    int32_t Reserved1() noexcept override { return 0; }
    int32_t Reserved2() noexcept override { return 0; }
    int32_t DeleteFile(const WCHAR* path) noexcept override;
    int32_t Reserved4() noexcept override { return 0; }
    int32_t Reserved5() noexcept override { return 0; }
    int32_t Reserved6() noexcept override { return 0; }
    int32_t Reserved7() noexcept override { return 0; }
};

class ServiceContextImpl final : public ServiceContext {
public:
    ServiceContextImpl() noexcept;

    int32_t Reserved0() noexcept override { return 0; }
    int32_t Reserved1() noexcept override { return 0; }
    int32_t Reserved2() noexcept override { return 0; }
    int32_t Reserved3() noexcept override { return 0; }
    WCHAR* GetBackupFolder(WCHAR* out, int32_t which) noexcept override;
    int32_t AddRef() noexcept override;
    int32_t Release() noexcept override;
    int32_t Free() noexcept override;
    int32_t SetEngineInfo(int32_t version, const EngineDate* date) noexcept override;
    int32_t GetEngineInfo(EngineDate* out) noexcept override;
    int32_t SetAppFolder(const WCHAR* folder) noexcept override;
    int32_t SetLibFolder(const WCHAR* folder) noexcept override;
    int32_t GetLibFolder(WCHAR* out) noexcept override;
    WCHAR* MakeAppPath(WCHAR* out, const WCHAR* name) noexcept override;
    DiskFile* OpenFile(const WCHAR* path, int32_t mode) noexcept override;
    int32_t PutSettings(int32_t which, const void* record) noexcept override;
    int32_t GetSettings(int32_t which, void* out) noexcept override;
    void Destroy(uint32_t flags) noexcept override;

    // GetFileOps in the public header finds this member one word past the table pointer.
    ContextFileOps fileOps;

private:
    void FreeFolders() noexcept;
    void MakeBackupFolder() noexcept;

    WCHAR* appFolder = nullptr;       // ends in '\' or '/'
    WCHAR* libFolder = nullptr;       // ends in '\' or '/'
    WCHAR* libFolderCopy = nullptr;   // the second copy the context has always kept beside it
    int32_t engineVersion = 0;        // major in bits 24-31, minor 16-23, build 0-15
    WCHAR* backupFolder = nullptr;    // MAX_PATH characters; empty when the path would not fit
    EngineDate engineDate {};
    OptionSettings options {};
    UtilSettings util {};
    std::atomic<int32_t> refCount { 1 };   // any thread may take or drop a reference
};
