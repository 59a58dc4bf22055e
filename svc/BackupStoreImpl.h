// BackupStore: lists, restores and purges the backups the engine leaves in the backup folder.
#pragma once

#include "WalkFolder.h"
#include "include/OrvMobileEngCE.h"

class DiskFile;

// The walk reaches the store through its second interface, the word after the table pointer.
class BackupStoreImpl final : public BackupStore, public FolderWalkCallback {
public:
    int32_t AddRef() noexcept override { return ++refCount; }
    int32_t Release() noexcept override;
    int32_t Free() noexcept override;
    int32_t SetSink(BackupSink* newSink, int32_t enable) noexcept override;
    int32_t Reserved4() noexcept override { return 0; }
    int32_t Execute(int32_t op, BackupRecord* record) noexcept override;
    int32_t Reserved6() noexcept override { return 0; }
    int32_t Init(ServiceContext* newContext) noexcept override;
    void Destroy(uint32_t flags) noexcept override;

    int32_t OnEntry(const WCHAR* fullPath, uint32_t sizeLow, uint32_t attributes, int32_t op,
                    int32_t unused) noexcept override;

private:
    int32_t WalkBackupFolder(int32_t op) noexcept;
    void ReadBackupHeader(const WCHAR* path) noexcept;
    int32_t RestoreBackup(const BackupRecord& record) noexcept;

    int32_t refCount = 1;               // plain: the store belongs to the thread of its page
    BackupSink* sink = nullptr;         // called only during a listing
    ServiceContext* context = nullptr;  // one reference held
    WCHAR walkFolder[MAX_PATH] = {};    // the folder of the walk going on; every path stays inside
};

// Reads up to count bytes, as many calls as the file needs; the number of bytes read.
uint32_t ReadUpTo(DiskFile* file, void* buffer, uint32_t count) noexcept;
