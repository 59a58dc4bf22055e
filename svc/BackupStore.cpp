// BackupStore: its table, the listing of backups to the sink and the purge of the backup folder.
#include "BackupStoreImpl.h"

#include <cstring>
#include <string>

#include "BackupHeader.h"
#include "PathFence.h"
#include "common/ByteReader.h"
#include "common/DiskFile.h"

namespace {

constexpr WCHAR ALL_ENTRIES[] = u"*.*";
constexpr int32_t BACKUP_FOUND = 0;   // the sink's kind for a listed backup

// The sink's record holds the path whole or not at all: a cut path would name another file.
void CopyBackupPath(WCHAR* out, const WCHAR* path) noexcept
{
    size_t length = std::char_traits<WCHAR>::length(path);
    if (length >= MAX_PATH)
        length = 0;
    std::char_traits<WCHAR>::copy(out, path, length);
    out[length] = 0;
}

}  // namespace

uint32_t ReadUpTo(DiskFile* file, void* buffer, uint32_t count) noexcept
{
    uint32_t done = 0;
    while (done < count) {
        uint32_t got = file->Read(static_cast<uint8_t*>(buffer) + done, count - done);
        if (got == 0 || got > count - done)
            break;
        done += got;
    }
    return done;
}

int32_t BackupStoreImpl::Release() noexcept
{
    int32_t count = --refCount;
    if (count == 0)
        Free();
    return count;
}

int32_t BackupStoreImpl::Free() noexcept
{
    Destroy(1);
    return 0;
}

int32_t BackupStoreImpl::SetSink(BackupSink* newSink, int32_t enable) noexcept
{
    sink = enable != 0 ? newSink : nullptr;
    return 0;
}

int32_t BackupStoreImpl::Init(ServiceContext* newContext) noexcept
{
    context = newContext;
    if (context)
        context->AddRef();
    return 0;
}

void BackupStoreImpl::Destroy(uint32_t flags) noexcept
{
    if (context)
        context->Release();
    context = nullptr;
    if (flags & 1)
        delete this;
}

int32_t BackupStoreImpl::Execute(int32_t op, BackupRecord* record) noexcept
{
    switch (op) {
    case BACKUP_LIST:
    case BACKUP_PURGE:
        return WalkBackupFolder(op);
    case BACKUP_RESTORE:
        return record ? RestoreBackup(*record) : -1;
    default:
        return 0;
    }
}

// An empty backup folder means the context could not make one (its path would not fit); walking
// "" would start at the device root, and a purge there would delete the user's files.
int32_t BackupStoreImpl::WalkBackupFolder(int32_t op) noexcept
{
    if (context == nullptr)
        return 0;
    WCHAR folder[MAX_PATH];
    context->GetBackupFolder(folder, 0);
    lstrcpynW(walkFolder, folder, MAX_PATH);
    if (folder[0] != 0)
        WalkFolder(folder, this, op, 0, ALL_ENTRIES);
    walkFolder[0] = 0;
    return 0;
}

// Files and folders alike come here; the walk always goes on and into folders. A purge leaves
// the folders themselves, which the platform's file deletion does not remove.
int32_t BackupStoreImpl::OnEntry(const WCHAR* fullPath, uint32_t sizeLow, uint32_t attributes,
                                 int32_t op, int32_t unused) noexcept
{
    // The walk's own check, whatever the platform's searches yield: nothing outside the backup
    // folder is read, and above all nothing outside it is deleted.
    if (!IsInsideFolder(fullPath, walkFolder))
        return -1;
    if (op == BACKUP_LIST)
        ReadBackupHeader(fullPath);
    else if (op == BACKUP_PURGE)
        GetFileOps(context)->DeleteFile(fullPath);
    return 1;
}

// A file that cannot be opened (folders cannot) or does not start with the magic is not a backup
// and is left out of the list.
void BackupStoreImpl::ReadBackupHeader(const WCHAR* path) noexcept
{
    DiskFileRef file(context->OpenFile(path, DISKFILE_READ));
    if (!file)
        return;
    uint8_t head[BACKUP_STRINGS_LIMIT];
    uint32_t got = ReadUpTo(file.Get(), head, BACKUP_HEADER_SIZE);
    BackupHeader header;
    if (got != BACKUP_HEADER_SIZE || !ParseBackupHeader(ByteReader(head, got), header))
        return;
    if (file->Seek(0, 0, FILE_BEGIN) == 0)
        got = ReadUpTo(file.Get(), head, sizeof head);
    ByteReader strings(head, got);
    BackupRecord record;
    std::memset(&record, 0, sizeof record);
    CopyBackupPath(record.backupPath, path);
    CopyHeaderString(strings, header.pathOffset, record.sourcePath, sizeof record.sourcePath);
    CopyHeaderString(strings, header.nameOffset, record.virusName, sizeof record.virusName);
    record.dataSize = header.dataSize;
    if (sink)
        sink->OnBackup(BACKUP_FOUND, &record);
}
