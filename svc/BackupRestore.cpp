// Restoring one backup to the path it came from.
#include <cstring>
#include <new>
#include <string>

#include "BackupHeader.h"
#include "BackupStoreImpl.h"
#include "common/ByteReader.h"
#include "common/DiskFile.h"
#include "common/TextHelpers.h"

namespace {

constexpr uint32_t COPY_CHUNK = 64 * 1024;
constexpr WCHAR TEMP_PREFIX[] = u"orv";

// The record may come from anywhere; its texts are taken only up to their fields' ends.
void TakeBackupPath(const BackupRecord& record, WCHAR* out) noexcept
{
    size_t length = 0;
    while (length < MAX_PATH - 1 && record.backupPath[length] != 0)
        ++length;
    std::char_traits<WCHAR>::copy(out, record.backupPath, length);
    out[length] = 0;
}

void TakeSourcePath(const BackupRecord& record, WCHAR* out) noexcept
{
    char ansi[sizeof record.sourcePath];
    std::memcpy(ansi, record.sourcePath, sizeof ansi);
    ansi[sizeof ansi - 1] = 0;
    AnsiToWide(out, ansi);
}

// A new empty file in the folder of path, named by the platform so that it replaces nothing.
bool MakeTempBeside(const WCHAR* path, WCHAR* tempPath) noexcept
{
    WCHAR folder[MAX_PATH];
    size_t length = std::char_traits<WCHAR>::length(path);
    size_t cut = 0;
    for (size_t i = 0; i < length; ++i) {
        if (path[i] == u'\\' || path[i] == u'/')
            cut = i + 1;
    }
    if (cut == 0 || cut == length)
        return false;   // no folder in the path, or no file name after it
    std::char_traits<WCHAR>::copy(folder, path, cut);
    folder[cut] = 0;
    return GetTempFileNameW(folder, TEMP_PREFIX, 0, tempPath) != 0;
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
bool CopyContent(DiskFile* backup, const BackupHeader& header, DiskFile* target) noexcept
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
        ok = ok && target->Write(buffer, count) == int32_t(count);
        remaining -= count;
    }
    delete[] buffer;
    return ok;
}

}  // namespace

// The content goes to a temporary file beside the source path, which then replaces the source path
// in one rename: a failed restore leaves whatever stood there, and keeps the backup.
int32_t BackupStoreImpl::RestoreBackup(const BackupRecord& record) noexcept
{
    WCHAR backupPath[MAX_PATH];
    WCHAR sourcePath[MAX_PATH];
    WCHAR tempPath[MAX_PATH];
    TakeBackupPath(record, backupPath);
    TakeSourcePath(record, sourcePath);
    if (context == nullptr)
        return -1;
    DiskFileRef backup(context->OpenFile(backupPath, DISKFILE_READ));
    BackupHeader header;
    if (!backup || !ReadHeader(backup.Get(), header) || !MakeTempBeside(sourcePath, tempPath))
        return -1;
    DiskFileRef target(context->OpenFile(tempPath, DISKFILE_CREATE));
    bool copied = target && CopyContent(backup.Get(), header, target.Get());
    target.Reset();
    backup.Reset();
    if (!copied || !MoveFileExW(tempPath, sourcePath, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(tempPath);
        return -1;
    }
    GetFileOps(context)->DeleteFile(backupPath);
    return 0;
}
