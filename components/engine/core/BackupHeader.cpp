// Building backup headers.
#include "BackupHeader.h"

#include "CoreMemory.h"

namespace orv {

const uint8_t BACKUP_MAGIC[16] = { 0x51, 0x00, 0x7A, 0x00, 0x07, 0x59, 0xFD, 0x4E,
                                   0x02, 0x03, 0x54, 0x21, 0x43, 0x09, 0x00, 0x00 };

namespace {

void PutU32(uint8_t* at, uint32_t value)
{
    at[0] = uint8_t(value);
    at[1] = uint8_t(value >> 8);
    at[2] = uint8_t(value >> 16);
    at[3] = uint8_t(value >> 24);
}

uint32_t BoundedLength(const char* text, uint32_t limit)
{
    uint32_t length = 0;
    while (length <= limit && text[length])
        ++length;
    return length;
}

} // namespace

uint32_t BuildBackupHeader(uint8_t* out, const char* path, const char* name, uint32_t dataSize)
{
    uint32_t pathLength = BoundedLength(path, BACKUP_MAX_PATH);
    if (pathLength == 0 || pathLength > BACKUP_MAX_PATH)
        return 0;
    // A long name is cut rather than refused: the store shows 63 characters of it anyway.
    uint32_t nameLength = BoundedLength(name, BACKUP_MAX_NAME);
    if (nameLength > BACKUP_MAX_NAME)
        nameLength = BACKUP_MAX_NAME;
    memset(out, 0, BACKUP_TEXT_LIMIT);
    memcpy(out, BACKUP_MAGIC, sizeof BACKUP_MAGIC);
    uint32_t pathOffset = BACKUP_HEADER_SIZE;
    uint32_t nameOffset = pathOffset + pathLength + 1;
    uint32_t dataOffset = nameOffset + nameLength + 1;
    memcpy(out + pathOffset, path, pathLength);
    memcpy(out + nameOffset, name, nameLength);
    PutU32(out + 16, dataOffset);
    PutU32(out + 20, pathOffset);
    PutU32(out + 24, nameOffset);
    PutU32(out + 40, dataSize);
    return dataOffset;
}

void ComplementBytes(uint8_t* data, uint32_t size)
{
    for (uint32_t i = 0; i < size; ++i)
        data[i] = uint8_t(~data[i]);
}

} // namespace orv
