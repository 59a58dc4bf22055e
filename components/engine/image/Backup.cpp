// Backups of treated files, in the format the program's backup store lists and restores. Names
// start with the local date (the backup page reads it from the first eight characters) and are
// made unique with a counter: YYYYMMDD-HHMMSS-NNN.bak.
#include "EngineObject.h"

#include "core/BackupHeader.h"

namespace orv {
namespace {

constexpr uint32_t BACKUP_NAME_LENGTH = 23;  // "YYYYMMDD-HHMMSS-NNN.bak"
constexpr uint32_t BACKUP_NAME_TRIES = 1000;

void PutDigits(char* out, uint32_t value, uint32_t digits)
{
    for (uint32_t i = digits; i-- > 0; value /= 10)
        out[i] = char('0' + value % 10);
}

// A free name in the backup folder; false when the folder is unknown, the path too long, or a
// thousand backups were already made in this second.
bool MakeBackupPath(EngineObject& engine, char* out)
{
    uint32_t folderLength = 0;
    while (engine.backupFolder[folderLength])
        ++folderLength;
    if (folderLength == 0 || folderLength + BACKUP_NAME_LENGTH >= MAX_PATH_BYTES)
        return false;
    EngineDate date {};
    engine.host.system->table->QueryLocalTime(engine.host.system, &date);
    memcpy(out, engine.backupFolder, folderLength);
    char* name = out + folderLength;
    PutDigits(name, date.year, 4);
    PutDigits(name + 4, date.month, 2);
    PutDigits(name + 6, date.day, 2);
    name[8] = '-';
    PutDigits(name + 9, date.hour, 2);
    PutDigits(name + 11, date.minute, 2);
    PutDigits(name + 13, date.second, 2);
    name[15] = '-';
    memcpy(name + 19, ".bak", 5);
    FileSystemService* files = engine.host.files;
    for (uint32_t n = 0; n < BACKUP_NAME_TRIES; ++n) {
        PutDigits(name + 16, n, 3);
        if (!files->table->Exists(files, out))
            return true;
    }
    return false;
}

bool WriteAll(HostFile* file, const uint8_t* data, uint32_t size)
{
    return size == 0 || file->table->Write(file, data, size) == int32_t(size);
}

// Copies the source from its start, complemented, behind the header.
bool CopyComplemented(EngineObject& engine, HostFile* source, HostFile* backup, uint64_t size)
{
    if (!SeekTo(source, 0))
        return false;
    uint64_t copied = 0;
    while (copied < size) {
        uint32_t want = size - copied < SCAN_CHUNK ? uint32_t(size - copied) : SCAN_CHUNK;
        uint32_t got = ReadFully(source, engine.chunk, want);
        if (got != want)
            return false;
        ComplementBytes(engine.chunk, got);
        if (!WriteAll(backup, engine.chunk, got))
            return false;
        copied += got;
    }
    return true;
}

} // namespace

bool WriteBackup(EngineObject& engine, HostFile* file, uint64_t size, const char* path, const char* name)
{
    // The header holds a 32-bit size: larger files cannot be kept, so they are not treated.
    if (size > UINT32_MAX)
        return false;
    uint8_t header[BACKUP_TEXT_LIMIT];
    uint32_t dataOffset = BuildBackupHeader(header, path, name, uint32_t(size));
    char backupPath[MAX_PATH_BYTES];
    if (dataOffset == 0 || !MakeBackupPath(engine, backupPath))
        return false;
    FileSystemService* files = engine.host.files;
    engine.pendingBackup = files->table->CreateNewFile(files, backupPath);
    if (!engine.pendingBackup)
        return false;
    if (!WriteAll(engine.pendingBackup, header, dataOffset)
        || !CopyComplemented(engine, file, engine.pendingBackup, size)) {
        DiscardPendingBackup(engine);
        return false;
    }
    // Kept open until the treatment is known to have happened (KeepPendingBackup).
    return true;
}

void KeepPendingBackup(EngineObject& engine)
{
    ReleaseFile(engine.pendingBackup);
}

void DiscardPendingBackup(EngineObject& engine)
{
    if (!engine.pendingBackup)
        return;
    engine.pendingBackup->table->MarkForRemoval(engine.pendingBackup);
    ReleaseFile(engine.pendingBackup);
}

} // namespace orv
