// Restoring one backup to the path it came from.
#include <cstring>
#include <new>
#include <string>

#include "BackupHeader.h"
#include "BackupStoreImpl.h"
#include "common/ByteReader.h"
#include "common/DiskFile.h"
#include "common/PathAlias.h"
#include "PathFence.h"
#include "ReplacementFile.h"

#include <wce/FileSafety.h>

namespace {

constexpr uint32_t COPY_CHUNK = 64 * 1024;

// The record may come from anywhere; its texts are taken only up to their fields' ends.
void TakeBackupPath(const BackupRecord& record, WCHAR* out) noexcept
{
    size_t length = 0;
    while (length < MAX_PATH - 1 && record.backupPath[length] != 0)
        ++length;
    std::char_traits<WCHAR>::copy(out, record.backupPath, length);
    out[length] = 0;
}

// The header keeps the path in the code page, or, for a name the code page cannot carry, as '?'
// and its UTF-8 bytes; false when it is neither.
bool TakeSourcePath(const BackupRecord& record, WCHAR* out) noexcept
{
    char text[sizeof record.sourcePath];
    std::memcpy(text, record.sourcePath, sizeof text);
    text[sizeof text - 1] = 0;
    return EngineTextToPath(text, out, MAX_PATH);
}

// A restore over the backup itself, under any name of it, would destroy the only copy; so would
// one over another backup. Neither is made.
bool WouldDestroyABackup(DiskFile* backup, const WCHAR* sourcePath, const WCHAR* backupFolder) noexcept
{
    if (backupFolder[0] != 0 && IsInsideFolder(sourcePath, backupFolder))
        return true;
    HANDLE existing = CreateFileW(sourcePath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (existing == INVALID_HANDLE_VALUE)
        return false;
    bool same = wce::IsSameFile(existing, backup->GetHandle());
    CloseHandle(existing);
    return same;
}

bool ReadHeader(DiskFile* backup, BackupHeader& header) noexcept
{
    uint8_t head[BACKUP_HEADER_SIZE];
    if (ReadUpTo(backup, head, sizeof head) != sizeof head)
        return false;
    return ParseBackupHeader(ByteReader(head, sizeof head), header)
        && ContentFits(header, backup->GetSize());
}

// Copies the content, complemented, in chunks; false unless every byte was read and written.
bool CopyContent(DiskFile* backup, const BackupHeader& header, ReplacementFile& target) noexcept
{
    if (backup->Seek(header.dataOffset, 0, FILE_BEGIN) != int64_t(header.dataOffset))
        return false;
    uint32_t chunk = header.dataSize < COPY_CHUNK ? header.dataSize : COPY_CHUNK;
    uint8_t* buffer = new (std::nothrow) uint8_t[chunk + 1];
    if (buffer == nullptr)
        return false;
    uint32_t remaining = header.dataSize;
    bool ok = true;
    while (ok && remaining > 0) {
        uint32_t count = remaining < chunk ? remaining : chunk;
        ok = ReadUpTo(backup, buffer, count) == count;
        for (uint32_t i = 0; ok && i < count; ++i)
            buffer[i] = uint8_t(~buffer[i]);
        ok = ok && target.Write(buffer, count);
        remaining -= count;
    }
    delete[] buffer;
    return ok;
}

}  // namespace

// The content goes to a temporary file beside the source path, which is flushed and then replaces
// the source path in one rename: a failed or killed restore leaves whatever stood there, and keeps
// the backup, which goes only once the restored file is whole and on the storage.
int32_t BackupStoreImpl::RestoreBackup(const BackupRecord& record) noexcept
{
    WCHAR backupPath[MAX_PATH];
    WCHAR sourcePath[MAX_PATH];
    WCHAR backupFolder[MAX_PATH] = {};
    TakeBackupPath(record, backupPath);
    if (context == nullptr || !TakeSourcePath(record, sourcePath))
        return -1;
    context->GetBackupFolder(backupFolder, 0);
    DiskFileRef backup(context->OpenFile(backupPath, DISKFILE_READ));
    BackupHeader header;
    if (!backup || !ReadHeader(backup.Get(), header) || WouldDestroyABackup(backup.Get(), sourcePath, backupFolder))
        return -1;
    ReplacementFile target;
    if (!target.Begin(sourcePath) || !CopyContent(backup.Get(), header, target))
        return -1;
    backup.Reset();
    if (!target.Commit())
        return -1;
    GetFileOps(context)->DeleteFile(backupPath);
    return 0;
}
